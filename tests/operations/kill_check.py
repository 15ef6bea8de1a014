"""Compares tables with an original, read by dbfread, row by row in record
order on the original's fields: memos as text, the other fields as stored
(their bytes; the tables compared give them the same type and width):

    /usr/bin/python3 kill_check.py ORIGINAL.DBF TABLE.DBF [TABLE.DBF ...]

prints per table "same N" (N rows, every value equal) or the first
difference.
"""
import sys

from dbfread import DBF, FieldParser


class MemosOnly(FieldParser):
    """Reads memo values and leaves the other fields as stored (quicker)."""

    def parse(self, field, data):
        return FieldParser.parse(self, field, data) if field.type == 'M' else data


def rows(path):
    table = DBF(path, encoding='cp1252', char_decode_errors='strict', parserclass=MemosOnly)
    memo = [f.name for f in table.fields if f.type == 'M']
    for record in table:
        # dbfread returns 8 bytes past a dBase IV memo (its block header).
        for name in memo:
            if record[name]:
                record[name] = record[name][:-8]
        yield record


original = list(rows(sys.argv[1]))
names = list(original[0].keys()) if original else []
for path in sys.argv[2:]:
    found = list(rows(path))
    problem = None
    if len(found) != len(original):
        problem = 'rows %d, expected %d' % (len(found), len(original))
    else:
        for n, (a, b) in enumerate(zip(original, found)):
            if any(a[name] != b[name] for name in names):
                problem = 'row %d: %r != %r' % (n + 1, dict(b), dict(a))
                break
    print(problem or 'same %d' % len(found))
