ardour {
	["type"]    = "dsp",
	name        = "Quorvane Test Player",
	category    = "Utility",
	license     = "MIT",
	author      = "Quorvane tests",
	description = [[Plays the test file at the transport position while the transport rolls.]]
}

-- ardour.sh copies this file into the temporary Ardour config with @WAV@ replaced by the test file.
-- Ardour 7 has no Lua binding for importing a file, so this processor feeds a track that records it.

function dsp_ioconfig ()
	return { { audio_in = 2, audio_out = 2 } }
end

local file = nil

function dsp_init (rate)
	file = ARDOUR.Readable.load (Session, "@WAV@")
end

function dsp_run (ins, outs, n_samples)
	local rolling = Session:transport_rolling ()
	local pos = Session:transport_sample ()
	for c = 1, #outs do
		ARDOUR.DSP.memset (outs[c], 0, n_samples)
		if rolling and file:size () >= c then
			file:at (c - 1):read (outs[c], pos, n_samples, 0)
		end
	end
end
