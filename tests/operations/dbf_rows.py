"""Prints the live records of a dBase table read by dbfread, one line per
record: the values of the named fields joined by "|" (dates ISO, memos as
text, empty values empty). dbfread counts a dBase IV memo's 8-byte block
header as data and so returns 8 bytes past the value: they are cut here.

    /usr/bin/python3 dbf_rows.py FILE.DBF FIELD,FIELD,...
"""
import sys

from dbfread import DBF


def text(value):
    if value is None:
        return ''
    if isinstance(value, bool):
        return 'T' if value else 'F'
    if isinstance(value, float) and value == int(value):
        return str(int(value))
    if hasattr(value, 'isoformat'):
        return value.isoformat()
    return str(value).rstrip()


table = DBF(sys.argv[1], encoding='cp1252', char_decode_errors='strict')
memo = {field.name for field in table.fields if field.type == 'M'}
names = sys.argv[2].split(',')
for record in table:
    values = []
    for name in names:
        value = record[name]
        if name in memo and value:
            value = value[:-8]
        values.append(text(value))
    print('|'.join(values))
