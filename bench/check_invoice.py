"""Checks invoices of the invoice job, so that no tool is timed on work it skipped: every
placeholder holds its value, the 30 lines hold the invoice's data, the total is the SUM below
them, the control row and column are empty, and (where the tool keeps charts) the chart is there.
A web page must show the invoice number, every line's product and the chart.

Usage: check_invoice.py FILE N [--no-chart]   Prints "ok" or exits non-zero with the reason."""
import html
import os
import sys
import zipfile

import openpyxl

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from invoice_inputs import FIELDS, FIRST_LINE_ROW, TOTAL_ROW, invoice_data  # noqa: E402


def fail(message):
    sys.exit("check failed: %s" % message)


def check_page(path, n):
    values, lines = invoice_data(n)
    text = html.unescape(open(path, encoding="utf-8").read())
    for wanted in [values["InvoiceNo"], values["SellerBank"]] + [line[1] for line in lines]:
        if wanted not in text:
            fail("%s: the page does not show %r" % (path, wanted))
    if "<svg" not in text:
        fail("%s: the page has no chart" % path)


def check_workbook(path, n, chart):
    values, lines = invoice_data(n)
    sheet = openpyxl.load_workbook(path)["Invoice"]
    texts = {cell.value for row in sheet.iter_rows() for cell in row if isinstance(cell.value, str)}
    for name, value in values.items():
        if value not in texts:
            fail("%s: placeholder %s does not hold %r" % (path, name, value))
    leftovers = [t for t in texts if t.count("%") >= 2]
    if leftovers:
        fail("%s: placeholders left: %r" % (path, leftovers))
    for r, line in enumerate(lines):
        got = tuple(sheet.cell(row=FIRST_LINE_ROW + r, column=2 + c).value for c in range(len(FIELDS)))
        if got[1] != line[1] or got[0] != line[0] or got[2] != line[2] or abs(float(got[3]) - line[3]) > 1e-9 \
                or abs(float(got[4]) - line[4]) > 1e-6:
            fail("%s: line %d holds %r, not %r" % (path, r + 1, got, line))
    total = sheet.cell(row=TOTAL_ROW, column=6).value
    if str(total).replace("$", "").upper() != "=SUM(F%d:F%d)" % (FIRST_LINE_ROW, TOTAL_ROW - 1):
        fail("%s: the total is %r" % (path, total))
    if any(cell.value not in (None, "") for cell in sheet[1]) or any(c.value not in (None, "") for c in sheet["A"]):
        fail("%s: the control row or column was not cleared" % path)
    if chart and not any(name.startswith("xl/charts/chart") for name in zipfile.ZipFile(path).namelist()):
        fail("%s: the chart is gone" % path)


def main():
    path, n = sys.argv[1], int(sys.argv[2])
    if path.endswith(".htm"):
        check_page(path, n)
    else:
        check_workbook(path, n, "--no-chart" not in sys.argv)
    print("ok")


if __name__ == "__main__":
    main()
