#!/usr/bin/env python3
"""Stores a BMP picture compressed, as the installer's PICTURE resources hold it.

    compress_picture.py PICTURE.bmp ID OUT

Writes OUT: a solid block (payload/format/solid_block.h) of one member, resource id ID, whose contents
are the DIB that an RT_BITMAP resource would hold (the file without its 14-byte file header).
The installer expands it when a window first shows it (ui/picture_expansion.h). The stream is
raw LZMA1 with an end mark, which the installer's decoder accepts. Python's lzma module gives
the same bytes for the same input, and OUT is only rewritten when they change.
"""

import lzma
import struct
import sys
import zlib

from generated_file import write_if_changed

BLOCK_MAGIC = b"KBS\x01"
METHOD_LZMA = 1
FILTER_NONE = 0
# Measured on the artwork: no position bits (pb=0) suit 3-byte pixels, 2% smaller than pb=2.
LC, LP, PB = 3, 0, 0


def block(dib, resource_id):
    # A dictionary as large as the picture: the decoder never holds more than the contents.
    dict_size = max(4096, len(dib))
    stream = lzma.compress(dib, format=lzma.FORMAT_RAW, filters=[{
        "id": lzma.FILTER_LZMA1, "preset": 9 | lzma.PRESET_EXTREME, "dict_size": dict_size,
        "lc": LC, "lp": LP, "pb": PB, "nice_len": 273, "mf": lzma.MF_BT4}])
    properties = struct.pack("<BI", (PB * 5 + LP) * 9 + LC, dict_size)
    head = BLOCK_MAGIC + struct.pack("<II", METHOD_LZMA, 1) + properties + b"\0" * 3
    member = struct.pack("<IIII", resource_id, len(dib), zlib.crc32(dib), FILTER_NONE)
    return head + member + stream


def main(argv):
    if len(argv) != 4:
        sys.stderr.write("usage: compress_picture.py PICTURE.bmp ID OUT\n")
        return 2
    with open(argv[1], "rb") as f:
        data = f.read()
    if data[:2] != b"BM" or len(data) <= 14:
        sys.stderr.write("compress_picture.py: %s is not a BMP file\n" % argv[1])
        return 1
    write_if_changed(argv[3], block(data[14:], int(argv[2])))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
