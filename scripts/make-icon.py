#!/usr/bin/env python3
"""Writes res/icons/quobin.ico, the Windows program's icon, from the PNG icons beside it:
the 32, 64 and 256 pixel images kept as PNG inside the ICO, which Windows Vista and later
read. Run by hand from the repository root after changing a PNG."""
import os
import struct

ICONS = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "res", "icons")
SIZES = [32, 64, 256]


def main():
    images = []
    for size in SIZES:
        with open(os.path.join(ICONS, f"quobin-{size}.png"), "rb") as png:
            images.append(png.read())
    offset = 6 + 16 * len(images)
    directory = b""
    for size, data in zip(SIZES, images):
        # Width and height 0 stand for 256; one plane, 32 bits per pixel.
        directory += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(os.path.join(ICONS, "quobin.ico"), "wb") as ico:
        ico.write(struct.pack("<HHH", 0, 1, len(images)) + directory + b"".join(images))


if __name__ == "__main__":
    main()
