"""The invoice job done with openpyxl as a user of it would: per invoice, load the template, put
the values in place of the %Name% placeholders it finds, write the 30 lines, clear the control
row and column, save. Prints the seconds and reports per second as one line of JSON.
Usage: openpyxl_invoice.py TEMPLATE OUT_FOLDER COUNT"""
import json
import os
import sys
import time

import openpyxl

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from invoice_inputs import FIRST_LINE_ROW, invoice_data  # noqa: E402


def fill(template, out, n):
    values, lines = invoice_data(n)
    workbook = openpyxl.load_workbook(template)
    sheet = workbook["Invoice"]
    for row in sheet.iter_rows():
        for cell in row:
            text = cell.value
            if isinstance(text, str) and text.count("%") >= 2:
                name = text[text.index("%") + 1:text.rindex("%")]
                cell.value = values.get(name, "")
    for r, line in enumerate(lines):
        for c, value in enumerate(line):
            sheet.cell(row=FIRST_LINE_ROW + r, column=2 + c, value=value)
    for cell in sheet[1]:
        cell.value = None
    for cell in sheet["A"]:
        cell.value = None
    workbook.save(out)


def main():
    template, folder, count = sys.argv[1], sys.argv[2], int(sys.argv[3])
    start = time.monotonic()
    for n in range(count):
        fill(template, os.path.join(folder, "invoice_%d.xlsx" % n), n)
    seconds = time.monotonic() - start
    print(json.dumps({"seconds": round(seconds, 4), "reports_per_second": round(count / seconds, 1)}))


if __name__ == "__main__":
    main()
