#!/usr/bin/env python3
"""Moves 32-bit float samples between WAV files and raw files without touching a bit.

sox converts through 32-bit integers (and may dither), which changes float samples below 2^-8
in their last bits: a bit-for-bit comparison of recordings needs the samples as they are.

  float_wav.py to-raw <in.wav> <out.raw> [channel]   one channel (default 0) as raw floats
  float_wav.py to-wav <in.raw> <out.wav> <rate>      raw mono floats as a float WAV file
"""
import struct
import sys


def float_channel(path, channel):
    data = open(path, "rb").read()
    if data[:4] != b"RIFF" or data[8:12] != b"WAVE":
        sys.exit(f"float_wav: {path}: not a WAV file")
    pos, channels, samples = 12, None, None
    while pos + 8 <= len(data):
        kind, size = data[pos:pos + 4], struct.unpack("<I", data[pos + 4:pos + 8])[0]
        body = data[pos + 8:pos + 8 + size]
        if kind == b"fmt ":
            tag, channels = struct.unpack("<HH", body[:4])
            bits = struct.unpack("<H", body[14:16])[0]
            if tag == 0xFFFE and len(body) >= 26:  # extensible: the sub-format's tag
                tag = struct.unpack("<H", body[24:26])[0]
            if tag != 3 or bits != 32:
                sys.exit(f"float_wav: {path}: not 32-bit float samples")
        elif kind == b"data":
            samples = body
        pos += 8 + size + (size & 1)
    if channels is None or samples is None or not 0 <= channel < channels:
        sys.exit(f"float_wav: {path}: no channel {channel} of float samples")
    frame = 4 * channels
    return b"".join(samples[i + 4 * channel:i + 4 * channel + 4]
                    for i in range(0, len(samples) - frame + 1, frame))


def float_wav(samples, rate):
    fmt = struct.pack("<HHIIHH", 3, 1, rate, rate * 4, 4, 32)
    body = b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt
    body += b"data" + struct.pack("<I", len(samples)) + samples
    return b"RIFF" + struct.pack("<I", len(body)) + body


def main(args):
    if len(args) >= 2 and args[0] == "to-raw" and len(args) in (3, 4):
        channel = int(args[3]) if len(args) == 4 else 0
        open(args[2], "wb").write(float_channel(args[1], channel))
    elif len(args) == 4 and args[0] == "to-wav":
        raw = open(args[1], "rb").read()
        open(args[2], "wb").write(float_wav(raw[:len(raw) - len(raw) % 4], int(args[3])))
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main(sys.argv[1:])
