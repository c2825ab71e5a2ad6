#!/usr/bin/env python3
"""Writes the SuperBtn's built-in click sound: 25 ms of a decaying 2 kHz
tone, 8-bit mono PCM at 11025 Hz. Run once; the output is committed."""
import math
import struct
import sys

RATE = 11025
SAMPLES = RATE * 25 // 1000


def main(path):
    data = bytearray()
    for n in range(SAMPLES):
        t = n / RATE
        level = math.exp(-t * 250.0) * math.sin(2 * math.pi * 2000.0 * t)
        data.append(max(0, min(255, 128 + int(round(level * 100)))))
    header = b"RIFF" + struct.pack("<I", 36 + len(data)) + b"WAVE"
    header += b"fmt " + struct.pack("<IHHIIHH", 16, 1, 1, RATE, RATE, 1, 8)
    header += b"data" + struct.pack("<I", len(data))
    with open(path, "wb") as out:
        out.write(header + bytes(data))


if __name__ == "__main__":
    main(sys.argv[1])
