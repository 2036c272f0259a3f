#!/usr/bin/env python3
"""align_sections.py IMAGE: rounds each section's SizeOfRawData up to the file alignment, as the
PE format requires of an image. The linker leaves the resource section of the installers with
a payload unrounded, though the file holds the padding up to the next section's data; a
verifier that hashes section by section (as the Authenticode format describes) then misses the
padding and fails the signature. Run on the linked image, before it is signed."""
import struct
import sys


def checksum(data, field):
    total = 0
    for at in range(0, len(data) - len(data) % 2, 2):
        if field <= at < field + 4:
            continue
        total += data[at] | data[at + 1] << 8
        total = (total & 0xFFFF) + (total >> 16)
    if len(data) % 2:
        total += data[-1]
    total = (total & 0xFFFF) + (total >> 16)
    return (total + (total >> 16) + len(data)) & 0xFFFFFFFF


def main(path):
    with open(path, 'rb') as f:
        data = bytearray(f.read())
    pe = struct.unpack_from('<I', data, 0x3C)[0]
    count = struct.unpack_from('<H', data, pe + 6)[0]
    optional = pe + 24
    table = optional + struct.unpack_from('<H', data, pe + 20)[0]
    alignment = struct.unpack_from('<I', data, optional + 36)[0]
    sections = [struct.unpack_from('<II', data, table + 40 * i + 16) for i in range(count)]
    changed = False
    for i, (raw_size, raw_pointer) in enumerate(sections):
        if raw_size == 0 or raw_size % alignment == 0:
            continue
        rounded = -(-raw_size // alignment) * alignment
        following = [pointer for size, pointer in sections if size and pointer > raw_pointer]
        if following and raw_pointer + rounded > min(following):
            sys.exit(f'{path}: section {i} cannot grow to {rounded:#x} bytes: the next one starts first')
        if not following and raw_pointer + rounded > len(data):
            data.extend(bytes(raw_pointer + rounded - len(data)))
        struct.pack_into('<I', data, table + 40 * i + 16, rounded)
        changed = True
    if not changed:
        return
    field = optional + 64
    if struct.unpack_from('<I', data, field)[0] != 0:
        struct.pack_into('<I', data, field, checksum(data, field))
    with open(path, 'wb') as f:
        f.write(data)


if __name__ == '__main__':
    main(sys.argv[1])
