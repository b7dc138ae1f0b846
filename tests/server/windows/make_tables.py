"""Writes the example's queries as the table files the VBScript recordset reads: UTF-16 with a byte
order mark, tab-separated; field names, then kinds (S text, I whole number, N number), then rows.
Usage: /usr/bin/python3 make_tables.py DATABASE OUTDIR"""
import os
import sqlite3
import sys

QUERIES = {
    "company": "SELECT Company, Period, Region, Total FROM company",
    "order_list": "SELECT OrderNo, OrderDate, Customer, Product, Qty, Amount FROM order_list ORDER BY OrderNo",
    "monthly": "SELECT Month, Sales, Cost FROM monthly",
}


def kind_of(values):
    kinds = {type(v) for v in values if v is not None}
    if kinds <= {int}:
        return "I"
    if kinds <= {int, float}:
        return "N"
    return "S"


def text_of(value):
    if isinstance(value, float):
        return repr(value)
    text = "" if value is None else str(value)
    if "\t" in text or "\n" in text:
        sys.exit("make_tables: a value holds a tab or a line break: %r" % text)
    return text


def main():
    database, out_dir = sys.argv[1:3]
    os.makedirs(out_dir, exist_ok=True)
    connection = sqlite3.connect(database)
    for name, sql in QUERIES.items():
        cursor = connection.execute(sql)
        names = [d[0] for d in cursor.description]
        rows = cursor.fetchall()
        kinds = [kind_of([row[i] for row in rows]) for i in range(len(names))]
        lines = ["\t".join(names), "\t".join(kinds)] + ["\t".join(text_of(v) for v in row) for row in rows]
        with open(os.path.join(out_dir, name + ".tsv"), "w", encoding="utf-16", newline="\r\n") as out:
            out.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
