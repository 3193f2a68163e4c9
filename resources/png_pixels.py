#!/usr/bin/env python3
"""Decodes an 8-bit RGBA or RGB PNG into the pixel resource the manager
loads without a PNG decoder: "TWPX", width and height (32-bit little
endian), then the pixels top down, left to right, as runs: a count
(32-bit little endian) and the pixel repeated that often as B, G, R, A
bytes (straight alpha). The skin's pictures are mostly flat: the main
background's 384,000 pixels are 2,005 runs.

    png_pixels.py IN.png OUT.px
"""
import struct
import sys
import zlib


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def decode(data):
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError("not a PNG")
    pos, idat, header = 8, b"", None
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        elif kind == b"IEND":
            break
        pos += 12 + length
    width, height, depth, colour, _, _, interlace = header
    if depth != 8 or colour not in (2, 6) or interlace:
        raise ValueError("only 8-bit RGB or RGBA, not interlaced")
    channels = 4 if colour == 6 else 3
    stride = width * channels
    raw = zlib.decompress(idat)
    rows, previous = [], bytearray(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - channels] if i >= channels else 0
            b = previous[i]
            c = previous[i - channels] if i >= channels else 0
            if kind == 1:
                line[i] = (line[i] + a) & 255
            elif kind == 2:
                line[i] = (line[i] + b) & 255
            elif kind == 3:
                line[i] = (line[i] + ((a + b) >> 1)) & 255
            elif kind == 4:
                line[i] = (line[i] + paeth(a, b, c)) & 255
            elif kind != 0:
                raise ValueError("bad filter")
        rows.append(line)
        previous = line
    out = bytearray(b"TWPX" + struct.pack("<II", width, height))
    run, count = None, 0
    for line in rows:
        for x in range(width):
            r, g, b = line[x * channels:x * channels + 3]
            alpha = line[x * channels + 3] if channels == 4 else 255
            pixel = bytes((b, g, r, alpha))
            if pixel == run:
                count += 1
                continue
            if count:
                out += struct.pack("<I", count) + run
            run, count = pixel, 1
    out += struct.pack("<I", count) + run
    return bytes(out)


if __name__ == "__main__":
    with open(sys.argv[1], "rb") as f:
        pixels = decode(f.read())
    with open(sys.argv[2], "wb") as f:
        f.write(pixels)
