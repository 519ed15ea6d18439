#!/usr/bin/env python3
"""The Ardour test's audio: its programme, merging Ardour's mono recordings, and comparing a recording
with quorvane-host's render (alignment found by onset and cross-correlation).

  ardour_tool.py make OUT.wav | merge OUT.wav L.wav R.wav | frames IN.wav | compare REF.wav OUT.wav DRY.wav
"""
import math
import os
import sys

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import wavtool  # noqa: E402


def write(path, chans, rate=48000):
    wavtool.write(path, len(chans), rate, zip(*chans))


def read(path):
    frames, channels = wavtool.read(path)
    return [[f[c] for f in frames] for c in range(channels)]


def make(path, seconds=4.0, rate=48000):
    # Drums at 120 bpm over a bass line after a quarter second of silence: sharp onsets to align on,
    # peaks far above -10 dBFS so the compressor works, and a silent start for Ardour's declick.
    n, lead, seed = int(seconds * rate), rate // 4, 12345
    left, right = [0.0] * n, [0.0] * n
    for i in range(lead, n):
        t = (i - lead) / rate
        beat, eighth = t % 0.5, t % 0.25
        seed = (seed * 1103515245 + 12345) & 0x7FFFFFFF
        noise = seed / 0x3FFFFFFF - 1.0
        kick = 0.6 * math.exp(-beat * 12) * math.sin(2 * math.pi * (45 * beat + 4.8 * (1 - math.exp(-beat * 25))))
        snare = 0.35 * math.exp(-((t + 0.25) % 0.5) * 25) * noise if int(t / 0.25) % 2 else 0.0
        hat = 0.12 * math.exp(-eighth * 80) * noise
        bass = 0.25 * math.sin(2 * math.pi * 55 * t) * (0.6 + 0.4 * math.sin(2 * math.pi * 0.5 * t))
        left[i] = kick + 0.8 * snare + hat + bass
        right[i] = kick + snare + 0.6 * hat + 0.8 * bass
    write(path, [left, right], rate)

def onset(ch, level=0.05):
    return next((i for i, x in enumerate(ch) if abs(x) > level), None)

def align(ref, out, search=4096):
    # The lag comes from the first onset, refined by cross-correlation, so an offset Ardour adds is
    # measured rather than assumed.
    a, b = onset(ref[0]), onset(out[0])
    if a is None or b is None or abs(b - a) > search:
        return None
    win = range(a, min(len(ref[0]), a + 24000))
    def score(lag):
        return sum(ref[c][i] * out[c][i + lag] for c in range(2) for i in win if 0 <= i + lag < len(out[c]))
    return max(range(b - a - 64, b - a + 65), key=score)

def rms_db(chans):
    s = sum(x * x for ch in chans for x in ch) / sum(len(ch) for ch in chans)
    return 10 * math.log10(s) if s > 0 else -999.0

def compare(ref_path, out_path, dry_path):
    # Prints: lag, largest difference, where, output level minus dry level (dB), all finite.
    ref, out, dry = read(ref_path), read(out_path), read(dry_path)
    finite = all(math.isfinite(x) for ch in out for x in ch)
    lag = align(ref, out)
    if lag is None:
        print("nolag 0 0 0 %d" % finite)
        return
    diff, where, n = 0.0, 0, len(ref[0])
    for c in range(2):
        for i in range(n):
            j = i + lag
            if 0 <= j < len(out[c]):
                d = abs(ref[c][i] - out[c][j])
                if not d <= diff:  # a NaN counts too
                    diff, where = d, i
    print("%d %.3g %d %.2f %d" % (lag, diff, where, rms_db(out) - rms_db(dry), finite))

cmd = sys.argv[1]
if cmd == "make":
    make(sys.argv[2])
elif cmd == "merge":
    write(sys.argv[2], read(sys.argv[3]) + read(sys.argv[4]))
elif cmd == "frames":
    print(len(read(sys.argv[2])[0]))
elif cmd == "compare":
    compare(sys.argv[2], sys.argv[3], sys.argv[4])
