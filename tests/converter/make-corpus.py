#!/usr/bin/env python3
"""Writes the malformed bitmaps the converter must refuse without a crash or a JPEG left behind.
Each file is small; the outputs are committed beside this script."""
import os
import struct

here = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus")
os.makedirs(here, exist_ok=True)


def bmp(width, height, bits=24, compression=0, pixels=None, info_size=40, offset=None,
        colours=0, planes=1, magic=b"BM"):
    stride = ((width * bits + 31) // 32) * 4 if width > 0 else 0
    if pixels is None:
        pixels = bytes(stride * min(abs(height), 4))
    palette = b""
    if bits <= 8 and bits > 0:
        palette = bytes(4 * (colours or (1 << bits)))
    info = struct.pack("<IiiHHIIiiII", info_size, width, height, planes, bits, compression,
                       len(pixels), 2835, 2835, colours, 0)
    info += bytes(max(0, info_size - 40))
    if offset is None:
        offset = 14 + len(info) + len(palette)
    size = offset + len(pixels)
    return magic + struct.pack("<IHHI", size, 0, 0, offset) + info + palette + pixels


cases = {
    "empty.bmp": b"",
    "magic-only.bmp": b"BM",
    "wrong-magic.bmp": bmp(4, 4, magic=b"MB"),
    "truncated-header.bmp": bmp(4, 4)[:30],
    "truncated-pixels.bmp": bmp(64, 64, pixels=bytes(100)),
    "zero-width.bmp": bmp(0, 4),
    "zero-height.bmp": bmp(4, 0),
    "negative-width.bmp": bmp(-4, 4),
    "height-min-int.bmp": bmp(4, -2**31),
    "huge-dimensions.bmp": bmp(2**31 - 1, 2**31 - 1, pixels=bytes(64)),
    "too-wide.bmp": bmp(70000, 1, pixels=bytes(64)),
    "size-mismatch.bmp": bmp(4000, 3000, pixels=bytes(4096)),
    "rle8.bmp": bmp(4, 4, bits=8, compression=1),
    "jpeg-inside.bmp": bmp(4, 4, compression=4),
    "bits-2.bmp": bmp(4, 4, bits=2),
    "bits-7.bmp": bmp(4, 4, bits=7),
    "bits-0.bmp": bmp(4, 4, bits=0),
    "planes-2.bmp": bmp(4, 4, planes=2),
    "too-many-colours.bmp": bmp(4, 4, bits=8, colours=300),
    "palette-past-end.bmp": bmp(4, 4, bits=8, colours=256)[:80],
    "info-size-huge.bmp": bmp(4, 4, info_size=0x7FFFFFFF)[:120],
    "info-size-small.bmp": bmp(4, 4, info_size=8),
    "offset-past-end.bmp": bmp(4, 4, offset=0x7FFFFFF0),
    "offset-inside-header.bmp": bmp(4, 4, offset=20),
    "bitfields-24.bmp": bmp(4, 4, compression=3),
    "bitfields-no-masks.bmp": bmp(4, 4, bits=32, compression=3)[:54],
}
# 32-bit bitfields whose masks have holes or are empty.
holes = bytearray(bmp(4, 4, bits=32, compression=3, pixels=bytes(64)))
holes[54:54] = struct.pack("<III", 0x00F0F000, 0x0000FF00, 0)
struct.pack_into("<I", holes, 10, 54 + 12)
cases["bitfields-bad-masks.bmp"] = bytes(holes)

for name, data in cases.items():
    with open(os.path.join(here, name), "wb") as f:
        f.write(data)
print(f"{len(cases)} files in {here}")
