#!/usr/bin/python3
"""Turns the 24-bit BMP the Windows screenshot program writes into a PNG, with the standard
library only.

    bmp_to_png.py INPUT.bmp OUTPUT.png
"""
import struct
import sys
import zlib


def main(source, target):
    data = open(source, "rb").read()
    offset = struct.unpack_from("<I", data, 10)[0]
    width, height, _, bits = struct.unpack_from("<iiHH", data, 18)
    if bits != 24:
        sys.exit(f"{source}: {bits} bits per pixel, not 24")
    stride = (width * 3 + 3) & ~3
    rows = []
    # BMP rows run bottom-up in blue, green, red; PNG rows top-down in red, green, blue.
    for y in range(abs(height)):
        line = y if height < 0 else abs(height) - 1 - y
        start = offset + line * stride
        pixels = bytearray(data[start:start + width * 3])
        pixels[0::3], pixels[2::3] = pixels[2::3], pixels[0::3]
        rows.append(b"\0" + bytes(pixels))

    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body
                + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))

    png = (b"\x89PNG\r\n\x1a\n"
           + chunk(b"IHDR", struct.pack(">IIBBBBB", width, abs(height), 8, 2, 0, 0, 0))
           + chunk(b"IDAT", zlib.compress(b"".join(rows), 9))
           + chunk(b"IEND", b""))
    open(target, "wb").write(png)


if __name__ == "__main__":
    main(*sys.argv[1:])
