#!/usr/bin/env python3
"""Float WAV files for the host tests, with the standard library only.

  wavtool.py make OUT.wav CHANNELS RATE SECONDS [--silent]        drums, bass and noise bursts (or silence)
  wavtool.py merge A.wav B.wav OUT.wav                           A's channels, then B's
  wavtool.py diff A.wav B.wav [--channels N] [--shift S]          largest sample difference
  wavtool.py stats A.wav                                          frames, channels, rms, peak, finite
"""
import math
import random
import struct
import sys


def write(path, channels, rate, frames):
    data = bytearray()
    for frame in frames:
        data += struct.pack("<%df" % channels, *frame)
    header = b"RIFF" + struct.pack("<I", 36 + len(data)) + b"WAVE"
    header += b"fmt " + struct.pack("<IHHIIHH", 16, 3, channels, rate, rate * channels * 4, channels * 4, 32)
    header += b"data" + struct.pack("<I", len(data))
    with open(path, "wb") as f:
        f.write(header + data)


def read(path):
    with open(path, "rb") as f:
        raw = f.read()
    if raw[:4] != b"RIFF" or raw[8:12] != b"WAVE":
        raise SystemExit("%s: not a WAV file" % path)
    pos, channels, fmt, bits = 12, 0, 0, 0
    while pos + 8 <= len(raw):
        tag, size = raw[pos:pos + 4], struct.unpack("<I", raw[pos + 4:pos + 8])[0]
        body = raw[pos + 8:pos + 8 + size]
        if tag == b"fmt ":
            fmt, channels = struct.unpack("<HH", body[:4])
            bits = struct.unpack("<H", body[14:16])[0]
            if fmt == 0xFFFE:
                fmt = struct.unpack("<H", body[24:26])[0]
        elif tag == b"data":
            if fmt != 3 or bits != 32:
                raise SystemExit("%s: not 32-bit float" % path)
            values = struct.unpack("<%df" % (len(body) // 4), body)
            return [values[i:i + channels] for i in range(0, len(values), channels)], channels
        pos += 8 + size + (size & 1)
    raise SystemExit("%s: no data" % path)


def programme(channels, rate, seconds, silent):
    rnd = random.Random(7)
    frames = []
    for i in range(int(rate * seconds)):
        t = i / rate
        beat = t % 0.5
        kick = math.exp(-25 * beat) * math.sin(2 * math.pi * 55 * t * (1 + math.exp(-40 * beat)))
        snare = math.exp(-18 * ((t + 0.25) % 0.5)) * rnd.uniform(-1, 1) * 0.5
        bass = 0.25 * math.sin(2 * math.pi * 41.2 * t)
        burst = 0.3 * rnd.uniform(-1, 1) if int(t * 3) % 5 == 4 else 0.0
        left = 0.6 * kick + snare + bass + burst
        right = 0.6 * kick + 0.8 * snare + 1.1 * bass - burst
        frame = [0.5 * (left + right)] if channels == 1 else ([left, right] * channels)[:channels]
        frames.append([0.0] * channels if silent else frame)
    return frames


def main(argv):
    if len(argv) >= 6 and argv[1] == "make":
        channels, rate, seconds = int(argv[3]), int(argv[4]), float(argv[5])
        write(argv[2], channels, rate, programme(channels, rate, seconds, "--silent" in argv))
        return 0
    if len(argv) >= 5 and argv[1] == "merge":
        a, ca = read(argv[2])
        b, cb = read(argv[3])
        with open(argv[2], "rb") as f:
            rate = struct.unpack("<I", f.read()[24:28])[0]
        write(argv[4], ca + cb, rate, [list(x) + list(y) for x, y in zip(a, b)])
        return 0
    if len(argv) >= 4 and argv[1] == "diff":
        a, ca = read(argv[2])
        b, cb = read(argv[3])
        channels = min(ca, cb)
        shift = 0
        if "--channels" in argv:
            channels = int(argv[argv.index("--channels") + 1])
        if "--shift" in argv:
            shift = int(argv[argv.index("--shift") + 1])
        n = min(len(a), len(b) - shift)
        worst = max((abs(a[i][c] - b[i + shift][c]) for i in range(n) for c in range(channels)), default=0.0)
        print("%d frames, largest difference %.3g" % (n, worst))
        return 0
    if len(argv) >= 3 and argv[1] == "stats":
        a, c = read(argv[2])
        flat = [x for f in a for x in f]
        finite = all(math.isfinite(x) for x in flat)
        rms = math.sqrt(sum(x * x for x in flat) / max(len(flat), 1)) if finite else float("nan")
        print("%d frames %d channels rms %.6f peak %.6f finite %s" % (len(a), c, rms, max(map(abs, flat), default=0), finite))
        return 0
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
