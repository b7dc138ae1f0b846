"""Builds template.xlsx, the template of the example report. Run with Debian's python3:
/usr/bin/python3 make_template.py template.xlsx"""
import sys

import openpyxl
from openpyxl.styles import Alignment, Border, Font, PatternFill, Side

thin = Side(style="thin", color="808080")
box = Border(left=thin, right=thin, top=thin, bottom=thin)
header_fill = PatternFill("solid", fgColor="DDEBF7")

workbook = openpyxl.Workbook()

# Cover: one-record placeholders.
cover = workbook.active
cover.title = "Cover"
cover["B2"] = "Sales report: %Company%"
cover["B2"].font = Font(bold=True, size=18)
cover["B4"] = "Period"
cover["C4"] = "%Period%"
cover["B5"] = "Region"
cover["C5"] = "%Region%"
cover["B6"] = "Total sales"
cover["C6"] = "%Total% EUR"
cover["B7"] = "Prepared by"
cover["C7"] = "%Author%"
cover.column_dimensions["B"].width = 16
cover.column_dimensions["C"].width = 30

# Orders: a list template. Column A and row 1 are the control area, deleted at the end (A6 = 2).
orders = workbook.create_sheet("Orders")
orders["A2"] = "2"   # first output column B, up to the last used column
orders["A3"] = "4"   # first record on row 4
orders["A6"] = "2"   # end mode: delete row 1 and column A
for column, spec in zip("BCDEF", ["OrderNo", "Customer", "Product", "Qty", "Amount"]):
    orders[column + "1"] = spec
orders["B2"] = "%ListTitle%"
orders["B2"].font = Font(bold=True, size=14)
orders.merge_cells("B2:F2")
for column, caption in zip("BCDEF", ["Order", "Customer", "Product", "Qty", "Amount"]):
    cell = orders[column + "3"]
    cell.value = caption
    cell.font = Font(bold=True)
    cell.fill = header_fill
    cell.border = box
    cell.alignment = Alignment(horizontal="center")
for row in range(4, 16):
    for column in "BCDEF":
        orders[column + str(row)].border = box
    orders["F%d" % row].number_format = "#,##0.00"
orders["E17"] = "Total"
orders["E17"].font = Font(bold=True)
orders["F17"] = "=SUM(F4:F15)"
orders["F17"].number_format = "#,##0.00"
orders["F17"].font = Font(bold=True)
for column, width in zip("BCDEF", [10, 24, 18, 8, 14]):
    orders.column_dimensions[column].width = width

# Regions: filled as a record table from regions.xml.
workbook.create_sheet("Regions")

# Chart: an embedded chart of the monthly figures is drawn here.
chart = workbook.create_sheet("Chart")
chart["A1"] = "%ChartCaption%"
chart["A1"].font = Font(bold=True, size=14)

# Notes: not used by the report, so it is deleted.
notes = workbook.create_sheet("Notes")
notes["A1"] = "Working notes; not part of the report."

workbook.save(sys.argv[1] if len(sys.argv) > 1 else "template.xlsx")
