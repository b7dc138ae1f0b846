"""Compares two workbooks as a reader sees them: sheet names, cell values, merged ranges and the
number of charts of every sheet. Exits non-zero with the first difference.
Usage: /usr/bin/python3 compare_workbooks.py A.xlsx B.xlsx"""
import sys

import openpyxl


def describe(path):
    workbook = openpyxl.load_workbook(path)
    sheets = {}
    for sheet in workbook.worksheets:
        cells = {c.coordinate: c.value for row in sheet.iter_rows() for c in row if c.value is not None}
        merged = sorted(str(r) for r in sheet.merged_cells.ranges)
        sheets[sheet.title] = (cells, merged, len(sheet._charts))
    return workbook.sheetnames, sheets


def main():
    names_a, sheets_a = describe(sys.argv[1])
    names_b, sheets_b = describe(sys.argv[2])
    if names_a != names_b:
        sys.exit("sheets differ: %s vs %s" % (names_a, names_b))
    for name in names_a:
        cells_a, merged_a, charts_a = sheets_a[name]
        cells_b, merged_b, charts_b = sheets_b[name]
        for key in sorted(set(cells_a) | set(cells_b)):
            if cells_a.get(key) != cells_b.get(key):
                sys.exit("%s!%s differs: %r vs %r" % (name, key, cells_a.get(key), cells_b.get(key)))
        if merged_a != merged_b:
            sys.exit("%s merged ranges differ: %s vs %s" % (name, merged_a, merged_b))
        if charts_a != charts_b:
            sys.exit("%s chart counts differ: %d vs %d" % (name, charts_a, charts_b))
    print("same: %d sheets" % len(names_a))


if __name__ == "__main__":
    main()
