"""Writes a table with python3-dbf for the engine to read.

usage: interop_write.py KIND PATH
KIND: db3 (dBASE III), clp (Clipper) or db3memo (dBASE III with a memo field).
The rows are the ones the interoperability test expects, the second one
deleted.
"""
import datetime
import sys

import dbf

FIELDS = "NAME C(20); AGE N(3,0); RATE N(8,2); BORN D; OK L; SC F(10,3)"
ROWS = [
    ("Zo\u00eb", 42, 3.25, datetime.date(2020, 1, 31), True, 1.5),
    ('Al, "x"', -7, -0.5, None, False, 0.0),
    ("Last", 999, 12345.67, datetime.date(1999, 12, 31), False, -1.25),
]


def main(kind, path):
    if kind == "db3memo":
        table = dbf.Table(path, "NAME C(20); NOTE M", dbf_type="db3", codepage="cp1252")
        rows = [(row[0], "memo %d" % i) for i, row in enumerate(ROWS)]
    else:
        table = dbf.Table(path, FIELDS, dbf_type=kind, codepage="cp1252")
        rows = ROWS
    table.open(dbf.READ_WRITE)
    for row in rows:
        table.append(row)
    dbf.delete(table[1])
    table.close()


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
