"""Structural reader of a dBase IV production index (MDX), independent of
the engine: checks the header fields and walks every tag's tree.

    /usr/bin/python3 mdx_read.py FILE.MDX

prints per tag a line "#tag NAME TYPE KEYLEN LEVELS DESCENDING UNIQUE HAS_FOR
EXPR FOR" and then one line "VALUE RECNO" per key in tree order (tab-separated;
N keys as numbers, D keys as Julian days, C keys as text).
"""
import struct
import sys


def read_mdx(path):
    """Return {tag: dict(header fields, keys=[(key_bytes, recno), ...] in tree order)}."""
    data = open(path, 'rb').read()
    assert data[0] == 2 and data[24] == 1 and data[25] == 48 and data[26] == 32
    pages_per_block, block_size = struct.unpack_from('<HH', data, 20)
    assert block_size == pages_per_block * 512
    ntags = struct.unpack_from('<H', data, 28)[0]
    assert struct.unpack_from('<I', data, 32)[0] * 512 == len(data)
    assert data[529] == 1
    tags = {}
    for slot in range(ntags):
        e = 544 + 32 * slot
        hdr_page = struct.unpack_from('<I', data, e)[0]
        name = data[e + 4:e + 15].split(b'\0')[0].decode('ascii')
        assert data[e + 15] == 0x10 and data[e + 19] == 0x02
        h = hdr_page * 512
        root = struct.unpack_from('<I', data, h)[0]
        flags, ktype = data[h + 8], chr(data[h + 9])
        klen, maxkeys, sectype, item = struct.unpack_from('<HHHH', data, h + 12)
        assert ktype == chr(data[e + 20]) and item == (klen + 4 + 3) & ~3
        assert sectype == (1 if ktype == 'D' else 0)
        assert flags & 0x10
        leaves = []
        keys = []

        def walk(page, depth):
            o = page * 512
            assert 0 < o and o + block_size <= len(data)
            n = struct.unpack_from('<I', data, o)[0]
            assert n <= maxkeys
            last = struct.unpack_from('<I', data, o + 8 + n * item)[0]
            ptrs = [struct.unpack_from('<I', data, o + 8 + i * item)[0] for i in range(n)]
            if last:  # interior node
                return max(walk(p, depth + 1) for p in ptrs + [last])
            leaves.append(page)
            keys.extend((data[o + 12 + i * item:o + 12 + i * item + klen], ptrs[i])
                        for i in range(n))
            return depth

        levels = walk(root, 1)
        first_leaf, last_leaf = struct.unpack_from('<II', data, h + 248)
        assert (first_leaf, last_leaf) == (leaves[0], leaves[-1])
        tags[name] = dict(type=ktype, keylen=klen, descending=bool(flags & 0x08),
                          unique=data[h + 23] == 1, has_for=data[h + 245] == 1,
                          expr=data[h + 24:h + 244].split(b'\0')[0].decode('latin-1'),
                          for_expr=data[h + 762:h + 982].split(b'\0')[0].decode('latin-1'),
                          levels=levels, keys=keys)
    return tags


def decode(ktype, key):
    if ktype == 'N':
        digits = key[2:].hex()[:(key[1] >> 2) & 31]
        value = int(digits or '0') * 10 ** (key[0] - 0x34 - len(digits))
        return -value if key[1] & 0x80 else value
    if ktype == 'D':
        return struct.unpack('<d', key)[0]
    return key.decode('latin-1')


if __name__ == '__main__':
    for name, t in read_mdx(sys.argv[1]).items():
        print('\t'.join(['#tag', name, t['type'], str(t['keylen']), str(t['levels']),
                         str(int(t['descending'])), str(int(t['unique'])),
                         str(int(t['has_for'])), t['expr'], t['for_expr']]))
        for key, recno in t['keys']:
            print('%s\t%d' % (repr(decode(t['type'], key)) if t['type'] != 'C'
                              else decode('C', key), recno))
