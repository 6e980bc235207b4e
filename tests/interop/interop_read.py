"""Prints what python3-dbf and dbfread read from a table, one line per fact,
in a form the interoperability test compares byte for byte.

usage: interop_read.py TABLE
"""
import sys

import dbf
import dbfread


def canonical(value, decimals):
    if value is None:
        return "null"
    if isinstance(value, bool):
        return "T" if value else "F"
    if isinstance(value, str):
        return '"' + value.rstrip() + '"'
    if isinstance(value, (int, float)):
        return ("%d" % value) if decimals == 0 else ("%.*f" % (decimals, value))
    if hasattr(value, "isoformat"):
        return value.isoformat()
    return repr(value)


def read_with_dbf(path):
    table = dbf.Table(path, codepage="cp1252")
    table.open(dbf.READ_ONLY)
    try:
        infos = [(name.upper(), table.field_info(name)) for name in table.field_names]
        print("dbf count %d" % len(table))
        print("dbf date %s" % table.last_update.isoformat())
        for name, info in infos:
            print("dbf field %s %s %d %d" % (name, chr(info[0]), info[1], info[2]))
        for number, record in enumerate(table, 1):
            state = "deleted" if dbf.is_deleted(record) else "live"
            values = " ".join("%s=%s" % (name, canonical(record[i], info[2]))
                              for i, (name, info) in enumerate(infos))
            print("dbf record %d %s %s" % (number, state, values))
    finally:
        table.close()


def read_with_dbfread(path):
    table = dbfread.DBF(path, encoding="cp1252", load=True)
    print("dbfread count %d" % table.header.numrecords)
    print("dbfread date %s" % table.date.isoformat())
    for f in table.fields:
        print("dbfread field %s %s %d %d" % (f.name, f.type, f.length, f.decimal_count))
    # dbfread keeps live and deleted records apart; the file order is
    # restored from the order of the deletion flags in the file.
    live, deleted = iter(table.records), iter(table.deleted)
    with open(path, "rb") as raw:
        data = raw.read()
    start = table.header.headerlen
    size = table.header.recordlen
    for number in range(1, table.header.numrecords + 1):
        flag = data[start + (number - 1) * size]
        is_deleted = flag == ord("*")
        record = next(deleted) if is_deleted else next(live)
        values = " ".join("%s=%s" % (f.name, canonical(record[f.name], f.decimal_count))
                          for f in table.fields)
        print("dbfread record %d %s %s" % (number, "deleted" if is_deleted else "live", values))


if __name__ == "__main__":
    read_with_dbf(sys.argv[1])
    read_with_dbfread(sys.argv[1])
