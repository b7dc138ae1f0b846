"""The fill_list job done with openpyxl: load the template, write the cells, save."""
import json
import resource
import sys
import time

import openpyxl


def cell_value(row, column):
    kind = column % 4
    if kind == 0:
        return row * 10 + column
    if kind == 1:
        return row * 1.25 + column
    if kind == 2:
        return "Item %d" % (row % 1000)
    return "Customer %d-%d" % (row, column)


def main():
    template, out, rows = sys.argv[1], sys.argv[2], int(sys.argv[3])
    start = time.monotonic()
    workbook = openpyxl.load_workbook(template)
    sheet = workbook.worksheets[0]
    for r in range(rows):
        for c in range(1, 11):
            sheet.cell(row=3 + r, column=c, value=cell_value(r, c))
    workbook.save(out)
    seconds = time.monotonic() - start
    peak_kb = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss
    print(json.dumps({"seconds": round(seconds, 3), "peak_kb": peak_kb}))


if __name__ == "__main__":
    main()
