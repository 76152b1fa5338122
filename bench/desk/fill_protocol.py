"""Fills a protocol table with the records of an office's past years.

usage: fill_protocol.py PROTOCOL_DB ROWS

The table must exist (the courier creates it at its first start). The rows
are dated years before the benchmark mailbox, so none of them matches a file
the benchmark files: they only make the table as large as one in long use.
"""
import sqlite3
import sys


def no_case(a, b):
    a, b = a.lower(), b.lower()
    return (a > b) - (a < b)


def main():
    path, rows = sys.argv[1], int(sys.argv[2])
    db = sqlite3.connect(path)
    # The table's indexes name the program's own collation; sqlite needs one
    # of that name to write them.
    db.create_collation("MV1251NOCASE", no_case)
    per_day = 40
    db.executemany(
        "INSERT INTO Protocol(FDate, FTime, FName, FDir, FFrom, FTema, FComment) VALUES (?, ?, ?, ?, ?, ?, ?)",
        ((40000 + i // per_day, 32400 + (i % per_day) * 600, "doc%06d.pdf" % i, "/srv/documents/doc%06d.pdf" % i,
          "sender%d@corp.example" % (i % 50), "Report %d" % i, "doc%06d.pdf extracted" % i) for i in range(rows)))
    db.commit()
    db.close()


if __name__ == "__main__":
    main()
