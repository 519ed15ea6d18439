-- Run by ardour.sh through ardour7-lua with QTEST_WORK (a temp dir holding input.wav) and QTEST_URI.
-- Prints "QTEST key value" lines for ardour.sh to read, "QTEST_FAIL reason" on failure, and
-- "QTEST_DONE" last: ardour7-lua may not exit by itself, so the caller stops it once it sees that.

local work = os.getenv ("QTEST_WORK")
local uri = os.getenv ("QTEST_URI")
local frames = tonumber (os.getenv ("QTEST_FRAMES"))
local session_dir = work .. "/session"
local session_name = "quorvane"

local function report (key, value)
	print ("QTEST " .. key .. " " .. tostring (value))
	io.stdout:flush ()
end
-- Marks progress, so that a crash is placed in the log.
local function step (what) report ("step", what) end
local function fail (reason)
	print ("QTEST_FAIL " .. reason)
	print ("QTEST_DONE")
	io.stdout:flush ()
	os.exit (1)
end

-- Waits up to `seconds` for cond() while the engine keeps running; returns whether it came true.
local function wait_for (seconds, cond)
	local deadline = ARDOUR.LuaAPI.monotonic_time () + seconds * 1e6
	while ARDOUR.LuaAPI.monotonic_time () < deadline do
		if cond () then return true end
		ARDOUR.LuaAPI.usleep (20000)
	end
	return cond ()
end

-- Ardour numbers a plug-in's parameters itself (control ports, inputs then outputs): look them up by name.
local function param (proc, label)
	local plug = proc:to_insert ():plugin (0)
	for i = 0, plug:parameter_count () - 1 do
		local port, refs = plug:nth_parameter (i, true)
		if refs[2] and plug:parameter_label (port) == label then return i end
	end
	fail ("Ardour shows no parameter '" .. label .. "'")
end

local function set (proc, label, value)
	if not ARDOUR.LuaAPI.set_processor_param (proc, param (proc, label), value) then
		fail ("Ardour refused " .. label .. " = " .. value)
	end
end

local function get (proc, label)
	return ARDOUR.LuaAPI.get_processor_param (proc, param (proc, label))
end

-- Records what `from` puts out onto a new track while the transport rolls over the test file once.
-- (Ardour 7.3's SimpleExport from Lua corrupts the heap now and then, with its own plug-ins too, so the
-- output is recorded rather than exported.)
local function record (from, name)
	step ("record " .. name)
	local into = Session:new_audio_track (2, 2, nil, 1, name, ARDOUR.PresentationInfo.max_order,
		ARDOUR.TrackMode.Normal, true):front ()
	into:input ():disconnect_all (nil)
	for c = 0, 1 do
		if into:input ():audio (c):connect (from:output ():audio (c):name ()) ~= 0 then
			fail ("could not connect " .. from:name () .. " to " .. name)
		end
	end
	-- A locate that arrives while the last stop is still declicking is dropped: ask again.
	local at_start = false
	for _ = 1, 10 do
		Session:request_locate (0, false, ARDOUR.LocateTransportDisposition.MustStop,
			ARDOUR.TransportRequestSource.TRS_UI)
		at_start = wait_for (0.5, function () return Session:transport_sample () == 0 end)
		if at_start then break end
	end
	if not at_start then fail ("the transport did not return to the start") end
	into:rec_enable_control ():set_value (1, PBD.GroupControlDisposition.NoGroup)
	Session:maybe_enable_record (false)
	Session:request_roll (ARDOUR.TransportRequestSource.TRS_UI)
	if not wait_for (20, function () return Session:transport_sample () > frames + 4800 end) then
		fail ("the transport did not roll")
	end
	Session:request_stop (false, false, ARDOUR.TransportRequestSource.TRS_UI)
	wait_for (5, function () return not Session:transport_rolling () end)
	into:rec_enable_control ():set_value (0, PBD.GroupControlDisposition.NoGroup)
	if not wait_for (5, function () return into:playlist ():region_list ():size () == 1 end) then
		fail ("recording " .. name .. " made no region")
	end
	local region = nil
	for r in into:playlist ():region_list ():iter () do region = r end
	report (name .. "_region", string.format ("position=%d start=%d length=%d", region:position ():samples (),
		region:start ():samples (), region:length ():samples ()))
	for c = 0, 1 do
		report (name .. "_source" .. c, region:source (c):to_filesource ():path ())
	end
	return into
end

-- The latency port is written during run(), so Ardour learns a new value a few cycles later.
local function latency_becomes (proc, samples)
	wait_for (3, function () return proc:signal_latency () == samples end)
	return proc:signal_latency ()
end

AudioEngine:set_backend ("None (Dummy)", "", "")
AudioEngine:start ()
if not AudioEngine:running () then fail ("the dummy audio engine did not start") end
create_session (session_dir, session_name, 48000)
if not Session then fail ("create_session failed") end
report ("block_size", Session:get_block_size ())

-- Ardour 7's Lua has no file import: a source track plays input.wav and a second track records it,
-- so the file ends up as a region on disk like an imported one.
local source = Session:new_audio_track (2, 2, nil, 1, "Source", ARDOUR.PresentationInfo.max_order,
	ARDOUR.TrackMode.Normal, true):front ()
local player = ARDOUR.LuaAPI.new_luaproc (Session, "Quorvane Test Player")
if player:isnil () then fail ("the test player script was not found") end
source:add_processor_by_index (player, 0, nil, true)
local track = record (source, "Quorvane")
step ("insert")
-- Only the recorded region is heard from now on.
source:set_active (false, nil)

local plugin = ARDOUR.LuaAPI.new_plugin (Session, uri, ARDOUR.PluginType.LV2, "")
if plugin:isnil () then fail ("Ardour does not find " .. uri .. " (LV2_PATH not honoured?)") end
if track:add_processor_by_index (plugin, 0, nil, true) ~= 0 then fail ("could not insert the plug-in") end
report ("plugin", plugin:display_name ())
set (plugin, "Threshold", -10)
set (plugin, "Ratio", 3) -- 4:1
set (plugin, "Oversampling", 0)
report ("latency_off", latency_becomes (plugin, 0))
record (track, "Off")

set (plugin, "Oversampling", 1)
report ("latency_on", latency_becomes (plugin, 64))
record (track, "On")

step ("save")
Session:save_state ("")
step ("close")
close_session ()
if Session then fail ("close_session left a session open") end
step ("load")
load_session (session_dir, session_name)
if not Session then fail ("load_session failed") end
local reloaded = Session:route_by_name ("Quorvane")
if reloaded:isnil () then fail ("the track is gone after reopening") end
local p = reloaded:to_track ():nth_plugin (0)
if p:isnil () or p:to_insert ():plugin (0):unique_id () ~= uri then fail ("the plug-in is gone after reopening") end
report ("reloaded_threshold", get (p, "Threshold"))
report ("reloaded_ratio", get (p, "Ratio"))
report ("reloaded_oversampling", get (p, "Oversampling"))
report ("reloaded_latency", latency_becomes (p, 64))
record (reloaded, "Reloaded")

print ("QTEST_DONE")
io.stdout:flush ()
os.exit (0)
