#!/usr/bin/env python3
"""Writes the driver's click sound: a short, soft wooden 'tock'.

A 1.8 kHz tone and a 900 Hz undertone under a fast exponential decay with a
2 ms attack, 60 ms long, 22050 Hz, 16-bit mono PCM. Made here, at build time,
so that the sound is ours and reproducible.
"""
import math
import struct
import sys

RATE = 22050
LENGTH_S = 0.060


def samples():
    n = int(RATE * LENGTH_S)
    for i in range(n):
        t = i / RATE
        attack = min(1.0, t / 0.002)
        decay = math.exp(-t / 0.012)
        v = 0.65 * math.sin(2 * math.pi * 1800 * t) + 0.35 * math.sin(2 * math.pi * 900 * t)
        yield int(max(-1.0, min(1.0, v * attack * decay * 0.7)) * 32767)


def main(path):
    data = b"".join(struct.pack("<h", s) for s in samples())
    header = b"RIFF" + struct.pack("<I", 36 + len(data)) + b"WAVE"
    fmt = b"fmt " + struct.pack("<IHHIIHH", 16, 1, 1, RATE, RATE * 2, 2, 16)
    with open(path, "wb") as f:
        f.write(header + fmt + b"data" + struct.pack("<I", len(data)) + data)


if __name__ == "__main__":
    main(sys.argv[1])
