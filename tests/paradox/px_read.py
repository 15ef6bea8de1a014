"""Reader of Paradox tables written from the format facts alone, independent
of the engine: walks the .DB block chain, decodes every record, reads blob
values from the .MB and walks the .PX from its root.

    /usr/bin/python3 px_read.py FILE.DB   -> JSON on standard output
"""
import datetime
import json
import os
import struct
import sys

FIXED = {0x02: 4, 0x03: 2, 0x04: 4, 0x05: 8, 0x06: 8, 0x09: 1, 0x14: 4, 0x15: 8, 0x16: 4}


def sortable_int(b):
    return int.from_bytes(b, 'big') - (1 << (8 * len(b) - 1))


def sortable_double(b):
    u = int.from_bytes(b, 'big')
    u = u & ~(1 << 63) if u >> 63 else u ^ ((1 << 64) - 1)
    return struct.unpack('>d', u.to_bytes(8, 'big'))[0]


def blob(mb, locator, length):
    at, slot = locator & ~0xFF, locator & 0xFF
    if slot == 0xFF:
        assert mb[at] == 2 and struct.unpack_from('<I', mb, at + 3)[0] == length
        return mb[at + 9:at + 9 + length]
    assert mb[at] == 3
    off, chunks, _, last = struct.unpack_from('<BBHB', mb, at + 12 + 5 * slot)
    assert (chunks - 1) * 16 + last == length
    return mb[at + off * 16:at + off * 16 + length]


def value(code, raw, mb):
    if not any(raw):
        return None
    if code == 0x01:
        return raw.split(b'\0')[0].decode('cp1252')
    if code == 0x02:
        return (datetime.date(1, 1, 1) + datetime.timedelta(sortable_int(raw) - 1)).isoformat()
    if code in (0x03, 0x04, 0x14, 0x16):
        return sortable_int(raw)
    if code in (0x05, 0x06, 0x15):
        return sortable_double(raw)
    if code == 0x09:
        return raw[0] == 0x81
    if 0x0C <= code <= 0x10:
        leader = len(raw) - 10
        locator, length = struct.unpack_from('<II', raw, leader)
        data = raw[:length] if locator == 0 and length <= leader else blob(mb, locator, length)
        return data.decode('cp1252') if code in (0x0C, 0x0E) else data.hex()
    return raw.hex()


def read_table(path):
    db = open(path, 'rb').read()
    rec_size, head_size, ftype, kib, nrec, _, nblocks, first = struct.unpack_from('<HHBBIHHH', db, 0)
    nfields, nkey = struct.unpack_from('<hh', db, 0x21)
    block = kib * 1024
    assert len(db) == head_size + nblocks * block
    at = 0x78 if db[0x39] >= 5 else 0x58
    fields = [(db[at + 2 * i], db[at + 2 * i + 1]) for i in range(nfields)]
    widths = [FIXED.get(c, 17 if c == 0x17 else s) for c, s in fields]
    assert sum(widths) == rec_size
    base = os.path.splitext(path)[0]
    mb = open(base + '.MB', 'rb').read() if os.path.exists(base + '.MB') else b''
    rows, chain, n, prev = [], [], first if nrec else 0, 0
    while n:
        off = head_size + (n - 1) * block
        nxt, back, add = struct.unpack_from('<HHh', db, off)
        assert back == prev
        count = add // rec_size + 1
        keylen = sum(widths[:nkey])
        chain.append((n, count, db[off + 6:off + 6 + keylen]))
        for r in range(count):
            raw = db[off + 6 + r * rec_size:off + 6 + (r + 1) * rec_size]
            row, p = [], 0
            for (code, _), w in zip(fields, widths):
                row.append(value(code, raw[p:p + w], mb))
                p += w
            rows.append(row)
        prev, n = n, nxt
    assert len(rows) == nrec
    out = {'file_type': ftype, 'key_fields': nkey, 'rows': rows}
    if ftype == 0:
        out['px_levels'], out['px_covered'] = walk_px(base + '.PX', chain)
    return out


def walk_px(path, chain):
    px = open(path, 'rb').read()
    entry, head_size, ftype, kib = struct.unpack_from('<HHBB', px, 0)
    root, levels = struct.unpack_from('<HB', px, 0x1E)
    assert ftype == 1
    block, keylen = kib * 1024, entry - 6
    leaves = []

    def walk(n, level):
        off = head_size + (n - 1) * block
        count = struct.unpack_from('<h', px, off + 4)[0] // entry + 1
        total = 0
        for e in range(count):
            at = off + 6 + e * entry
            key = px[at:at + keylen]
            child, num = (int.from_bytes(px[at + keylen + i:at + keylen + i + 2], 'big') ^ 0x8000 for i in (0, 2))
            if level == 1:
                leaves.append((child, num, key))
            else:
                assert walk(child, level - 1) == num or num == 0x7FFF
            total += num
        return total

    walk(root, levels)
    assert leaves == chain, 'level 1 of the index does not match the data blocks'
    return levels, sum(c for _, c, _ in leaves)


if __name__ == '__main__':
    json.dump(read_table(sys.argv[1]), sys.stdout)
