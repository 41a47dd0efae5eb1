#!/usr/bin/env python3
"""Writes the picture seeds: small valid BMP, JPEG, PNG and GIF files of each variant the load
path takes, and the hostile files of the regression set (bombs, lying headers, noise, a PNG
under a JPEG's name). Both fuzzers start from them. The outputs are committed beside this
script; the JPEGs come from ImageMagick's convert, the rest is written here byte by byte."""
import os
import random
import struct
import subprocess
import tempfile
import zlib

here = os.path.join(os.path.dirname(os.path.abspath(__file__)), "picture-corpus")
os.makedirs(here, exist_ok=True)
files = {}


# ---- BMP

def bmp(width, height, bits=24, compression=0, pixels=None, info_size=40, colours=0, masks=b"",
        offset=None):
    stride = ((width * bits + 31) // 32) * 4
    if pixels is None:
        row = bytes((x * 37 + 11) & 0xFF for x in range(stride))
        pixels = row * abs(height)
    palette = b""
    if bits <= 8:
        count = colours or (1 << bits)
        palette = b"".join(struct.pack("<BBBB", i * 255 // max(count - 1, 1), 80, 255 - i * 255 // max(count - 1, 1), 0)
                           for i in range(count))
    if info_size == 12:
        info = struct.pack("<IHHHH", 12, width, height, 1, bits)
        palette = b"".join(palette[i:i + 3] for i in range(0, len(palette), 4))
    else:
        info = struct.pack("<IiiHHIIiiII", info_size, width, height, 1, bits, compression,
                           len(pixels), 2835, 2835, colours, 0)
        info += masks + bytes(max(0, info_size - 40 - len(masks)))
    extra = masks if info_size == 40 else b""
    if info_size == 40:
        info = info[:40]
    if offset is None:
        offset = 14 + len(info) + len(extra) + len(palette)
    return b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset) + info + extra + palette + pixels


def rle8(width, height):
    out = b""
    for y in range(height):
        out += bytes([width // 2, y & 0xFF, width - width // 2, (y * 3) & 0xFF, 0, 0])
    return out + b"\x00\x01"


def rle4(width, height):
    out = b""
    for y in range(height):
        out += bytes([width, 0x12 + (y & 0x0F), 0, 0])
    return out + b"\x00\x01"


files["bmp-24.bmp"] = bmp(33, 21)
files["bmp-32-top-down.bmp"] = bmp(17, -9, bits=32)
files["bmp-8-palette.bmp"] = bmp(20, 10, bits=8, colours=16)
files["bmp-4.bmp"] = bmp(15, 7, bits=4)
files["bmp-1.bmp"] = bmp(40, 8, bits=1)
files["bmp-rle8.bmp"] = bmp(24, 12, bits=8, compression=1, pixels=rle8(24, 12))
files["bmp-rle4.bmp"] = bmp(16, 8, bits=4, compression=2, pixels=rle4(16, 8))
files["bmp-565.bmp"] = bmp(19, 6, bits=16, compression=3, masks=struct.pack("<III", 0xF800, 0x07E0, 0x001F))
files["bmp-core.bmp"] = bmp(12, 5, info_size=12)
files["bmp-v5-32.bmp"] = bmp(9, 9, bits=32, compression=3, info_size=124,
                             masks=struct.pack("<IIII", 0xFF0000, 0xFF00, 0xFF, 0xFF000000))
# Hostile: the header's sizes are far beyond the bytes that follow.
files["hostile-bmp-sizes-lie.bmp"] = bmp(4000, 3000, pixels=bytes(4096))
files["hostile-bmp-offset-past-end.bmp"] = bmp(8, 8, offset=1 << 30)
files["hostile-bmp-huge.bmp"] = bmp(2 ** 31 - 1, -(2 ** 31 - 1), bits=32, pixels=bytes(64))


# ---- PNG

def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)


def png(width, height, depth=8, colour=2, interlace=0, extra=b"", idat=None):
    channels = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}[colour]
    if idat is None:
        # Interlaced: the seven passes' sub-pictures one after another, each row filtered.
        passes = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2), (0, 1, 1, 2)]
        rows = b""
        for x0, y0, dx, dy in (passes if interlace else [(0, 0, 1, 1)]):
            w, h = len(range(x0, width, dx)), len(range(y0, height, dy))
            if w and h:
                pass_row = (w * channels * depth + 7) // 8
                rows += b"".join(b"\x00" + bytes((x * 29 + y * 7) & 0xFF for x in range(pass_row)) for y in range(h))
        idat = zlib.compress(rows, 9)
    palette = chunk(b"PLTE", bytes(range(48))) if colour == 3 else b""
    ihdr = struct.pack(">IIBBBBB", width, height, depth, colour, 0, 0, interlace)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + extra + palette + chunk(b"IDAT", idat) + chunk(b"IEND", b"")


files["png-rgb.png"] = png(31, 17)
files["png-grey-1.png"] = png(40, 9, depth=1, colour=0)
files["png-grey-16.png"] = png(7, 7, depth=16, colour=0)
files["png-palette-4.png"] = png(13, 11, depth=4, colour=3)
files["png-grey-alpha.png"] = png(10, 10, colour=4)
files["png-rgba.png"] = png(12, 8, colour=6, extra=chunk(b"tEXt", b"Comment\x00seed"))
files["png-rgba-16.png"] = png(5, 4, depth=16, colour=6)
files["png-interlaced.png"] = png(9, 9, interlace=1)


def zero_rows(width, height, depth, colour):
    channels = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}[colour]
    row = bytes(1 + (width * channels * depth + 7) // 8)
    z = zlib.compressobj(9)
    out = b"".join(z.compress(row) for _ in range(height))
    return out + z.flush()


# Hostile: a real bomb (400 megapixels of one-bit zeros, every row there, in a few dozen KB)
# and one whose header lies (8000 x 8000 RGBA, within the pixel limit, over a few bytes of data).
files["hostile-png-bomb.png"] = png(20000, 20000, depth=1, colour=0, idat=zero_rows(20000, 20000, 1, 0))
files["hostile-png-lies.png"] = png(8000, 8000, colour=6, idat=zlib.compress(bytes(4096)))


# ---- GIF

def lzw(indices, code_size):
    """GIF's LZW, codes packed little-end first into sub-blocks."""
    clear, end = 1 << code_size, (1 << code_size) + 1
    table = {(i,): i for i in range(clear)}
    width, next_code = code_size + 1, end + 1
    bits, nbits, out = 0, 0, bytearray()

    def emit(code):
        nonlocal bits, nbits
        bits |= code << nbits
        nbits += width
        while nbits >= 8:
            out.append(bits & 0xFF)
            bits >>= 8
            nbits -= 8

    emit(clear)
    run = ()
    for p in indices:
        grown = run + (p,)
        if grown in table:
            run = grown
            continue
        emit(table[run])
        if next_code < 4096:
            table[grown] = next_code
            next_code += 1
            if next_code > (1 << width) and width < 12:
                width += 1
        else:
            emit(clear)
            table = {(i,): i for i in range(clear)}
            width, next_code = code_size + 1, end + 1
        run = (p,)
    if run:
        emit(table[run])
    emit(end)
    if nbits:
        out.append(bits & 0xFF)
    data = bytes(out)
    return bytes([code_size]) + b"".join(bytes([len(data[i:i + 255])]) + data[i:i + 255]
                                         for i in range(0, len(data), 255)) + b"\x00"


def gif_frame(width, height, indices=None, left=0, top=0, interlaced=False, local=False, code_size=2,
              data=None):
    if data is None and indices is None:
        indices = [(x + y) % 4 for y in range(height) for x in range(width)]
    flags = (0x40 if interlaced else 0) | (0x81 if local else 0)
    table = bytes(range(12)) if local else b""
    body = data if data is not None else lzw(indices, code_size)
    return b"\x2c" + struct.pack("<HHHHB", left, top, width, height, flags) + table + body


def gif(width, height, frames, version=b"89a", extensions=b"", trailer=True):
    screen = struct.pack("<HHBBB", width, height, 0x81, 0, 0) + bytes([0, 0, 0, 255, 255, 255, 200, 40, 40, 40, 40, 200])
    return b"GIF" + version + screen + extensions + b"".join(frames) + (b"\x3b" if trailer else b"")


gce = b"\x21\xf9\x04\x04\x0a\x00\x00\x00"
loop = b"\x21\xff\x0bNETSCAPE2.0\x03\x01\x00\x00\x00"
comment = b"\x21\xfe\x0cseed comment\x00"
files["gif-87a.gif"] = gif(16, 12, [gif_frame(16, 12)], version=b"87a")
files["gif-89a-extensions.gif"] = gif(20, 10, [gce + gif_frame(20, 10)], extensions=loop + comment)
files["gif-animated.gif"] = gif(8, 8, [gce + gif_frame(8, 8), gce + gif_frame(4, 4, left=2, top=2)])
files["gif-interlaced-local.gif"] = gif(10, 15, [gif_frame(10, 15, interlaced=True, local=True)])
files["gif-no-trailer.gif"] = gif(6, 6, [gif_frame(6, 6)], trailer=False)

# Hostile: a logical screen and a frame of 65535 x 65535 over a few bytes; and a small first
# picture followed by frames of 100 megapixels each, which a decoder that reads every frame
# would have to hold at once.
files["hostile-gif-screen-bomb.gif"] = gif(65535, 65535, [gif_frame(65535, 65535, data=b"\x02\x02\x4c\x01\x00")])
big = gif_frame(10000, 10000, data=b"\x02" + (b"\xff" + bytes(255)) * 4 + b"\x00")
files["hostile-gif-frames-bomb.gif"] = gif(8, 8, [gif_frame(8, 8)] + [gce + big] * 40)


# ---- JPEG (ImageMagick)

def convert(*args):
    with tempfile.TemporaryDirectory() as tmp:
        out = os.path.join(tmp, "out.jpg")
        subprocess.run(["convert", *args, out], check=True)
        with open(out, "rb") as f:
            return f.read()


scene = ["-size", "48x32", "-seed", "7", "plasma:red-blue"]
files["jpeg-baseline.jpg"] = convert(*scene, "-strip", "-quality", "75")
files["jpeg-progressive.jpg"] = convert(*scene, "-strip", "-interlace", "JPEG", "-quality", "60")
files["jpeg-grey.jpg"] = convert(*scene, "-strip", "-colorspace", "Gray", "-quality", "70")
files["jpeg-444.jpg"] = convert(*scene, "-strip", "-sampling-factor", "1x1", "-quality", "90")
files["jpeg-cmyk.jpg"] = convert(*scene, "-strip", "-colorspace", "CMYK", "-quality", "80")
files["jpeg-comment.jpg"] = convert(*scene, "-set", "comment", "a seed with a comment", "-quality", "50")
files["jpeg-odd-size.jpg"] = convert("-size", "13x7", "gradient:white-black", "-strip", "-quality", "85")


def with_frame_size(jpeg, width, height):
    at = 2
    while True:
        assert jpeg[at] == 0xFF
        marker = jpeg[at + 1]
        length = struct.unpack(">H", jpeg[at + 2:at + 4])[0]
        if marker in (0xC0, 0xC1, 0xC2):
            return jpeg[:at + 5] + struct.pack(">HH", height, width) + jpeg[at + 9:]
        at += 2 + length


# Hostile: the picture, a 3,251-byte JPEG whose frame header claims 60000 x 60000.
small = with_frame_size(convert("-size", "64x64", "gradient:orange-navy", "-strip", "-quality", "90"), 60000, 60000)
pad = 3251 - len(small) - 4
assert pad > 0
files["hostile-jpeg-60000x60000.jpg"] = small[:2] + b"\xff\xfe" + struct.pack(">H", pad + 2) + bytes(pad) + small[2:]
files["hostile-jpeg-cut.jpg"] = files["jpeg-baseline.jpg"][:200]

# ---- The rest of the regression set

files["hostile-png-named.jpg"] = files["png-rgb.png"]
files["hostile-empty.jpg"] = b""
files["hostile-noise.jpg"] = bytes(random.Random(24).getrandbits(8) for _ in range(4096))

for name, data in files.items():
    with open(os.path.join(here, name), "wb") as f:
        f.write(data)
print(f"{len(files)} files in {here}")
