"""Writes a small production index the way another xBase program might:
512-byte blocks, leaves filled to 20 keys, numeric keys with the digit count
rounded up to even. Independent of the engine; its records are

    recno i = 1..80: NAME = "R%03d" % (i * 37 % 80), AMOUNT = i * 2.5 - 50,
                     DAY = Julian day 2451545 + i, blank when i % 10 == 0

    /usr/bin/python3 mdx_foreign.py OUT.MDX
"""
import struct
import sys
from decimal import Decimal

BLOCK = 512
RECORDS = 80


def numeric_key(value):
    d = Decimal(repr(float(value))).normalize()
    if d == 0:
        return bytes([0x34, 0x01]) + bytes(10)
    sign, digits, exponent = d.as_tuple()
    text = ''.join(map(str, digits))
    count = len(text) + len(text) % 2
    packed = bytes.fromhex(text.ljust(count, '0').ljust(20, '0'))
    return bytes([0x34 + len(text) + exponent, (0x80 if sign else 0) | count << 2 | 1]) + packed


def date_key(jd):
    return struct.pack('<d', 1.0e100 if jd is None else float(jd))


def records():
    for i in range(1, RECORDS + 1):
        yield i, ('R%03d' % (i * 37 % 80)).ljust(10).encode(), i * 2.5 - 50, \
            None if i % 10 == 0 else 2451545 + i


TAGS = [  # name, type, key length, expression, sort value, key bytes
    ('NAME', 'C', 10, 'NAME', lambda r: r[1], lambda r: r[1]),
    ('AMOUNT', 'N', 12, 'AMOUNT', lambda r: r[2], lambda r: numeric_key(r[2])),
    ('DAY', 'D', 8, 'DAY', lambda r: float('inf') if r[3] is None else r[3],
     lambda r: date_key(r[3])),
]


def main(path):
    pages = bytearray(BLOCK * 4)  # header and tag table
    struct.pack_into('<B3s16sHHBBBBH', pages, 0, 2, bytes([126, 1, 1]), b'FOREIGN',
                     1, BLOCK, 1, 48, 32, 0, len(TAGS))
    pages[31] = 0x03
    pages[529] = 1

    def new_block():
        pages.extend(bytes(BLOCK))
        return len(pages) // BLOCK - 1

    for slot, (name, ktype, klen, expr, sort_value, key_bytes) in enumerate(TAGS):
        header = new_block()
        new_block()  # the tag header needs 1024 bytes
        item = (klen + 4 + 3) & ~3
        maxkeys = (BLOCK - 12) // item
        entries = sorted(records(), key=lambda r: (sort_value(r), r[0]))
        leaves = []
        for start in range(0, len(entries), 20):
            page = new_block()
            chunk = entries[start:start + 20]
            struct.pack_into('<I', pages, page * BLOCK, len(chunk))
            for n, r in enumerate(chunk):
                struct.pack_into('<I', pages, page * BLOCK + 8 + n * item, r[0])
                pages[page * BLOCK + 12 + n * item:page * BLOCK + 12 + n * item + klen] = key_bytes(r)
            leaves.append((page, key_bytes(chunk[-1])))
        root = new_block()
        struct.pack_into('<I', pages, root * BLOCK, len(leaves) - 1)
        for n, (page, highest) in enumerate(leaves):
            struct.pack_into('<I', pages, root * BLOCK + 8 + n * item, page)
            if n < len(leaves) - 1:
                pages[root * BLOCK + 12 + n * item:root * BLOCK + 12 + n * item + klen] = highest
        h = header * BLOCK
        struct.pack_into('<IIBc2xHHHHB', pages, h, root, 0, 0x10, ktype.encode(), klen, maxkeys,
                         1 if ktype == 'D' else 0, item, 1)
        pages[h + 24:h + 24 + len(expr)] = expr.encode()
        pages[h + 246] = 1
        struct.pack_into('<II', pages, h + 248, leaves[0][0], leaves[-1][0])
        e = 544 + 32 * slot
        struct.pack_into('<I11sBBBBBc', pages, e, header, name.encode(), 0x10, 0, 0, 0, 2,
                         ktype.encode())
    struct.pack_into('<I', pages, 32, len(pages) // BLOCK)
    open(path, 'wb').write(pages)


if __name__ == '__main__':
    main(sys.argv[1])
