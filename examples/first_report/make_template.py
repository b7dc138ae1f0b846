"""Builds first.xlsx, the template of "Write your first report" in the README, as the steps there
describe it. Run with Debian's python3: /usr/bin/python3 make_template.py first.xlsx"""
import sys

import openpyxl
from openpyxl.styles import Border, Font, Side

thin = Side(style="thin", color="808080")
box = Border(left=thin, right=thin, top=thin, bottom=thin)

workbook = openpyxl.Workbook()
orders = workbook.active
orders.title = "Orders"
orders["B2"] = "My first report"
orders["B2"].font = Font(bold=True, size=14)
orders["B3"], orders["C3"] = "Customer", "Amount"
orders["B1"], orders["C1"] = "Customer", "Amount"
orders["A2"], orders["A3"], orders["A6"] = "2", "4", "2"
for row in range(4, 21):
    orders["B%d" % row].border = box
    orders["C%d" % row].border = box
    orders["C%d" % row].number_format = '#,##0.00 "EUR"'
orders.column_dimensions["B"].width = 24
orders.column_dimensions["C"].width = 14
workbook.save(sys.argv[1] if len(sys.argv) > 1 else "first.xlsx")
