"""Builds template.xlsx, the template of the example report. Run with Debian's python3:
/usr/bin/python3 make_template.py template.xlsx"""
import sys

import openpyxl
from openpyxl.styles import Alignment, Border, Font, PatternFill, Side

thin = Side(style="thin", color="808080")
box = Border(left=thin, right=thin, top=thin, bottom=thin)
header_fill = PatternFill("solid", fgColor="DDEBF7")
MONEY = '#,##0.00 "EUR"'
DATE = "yyyy-mm-dd"


def bold(size=11):
    # Named, so that every reader shows the body's typeface and not its own default for a nameless font.
    return Font(name="Calibri", bold=True, size=size)


workbook = openpyxl.Workbook()

# Cover: one-record placeholders.
cover = workbook.active
cover.title = "Cover"
cover["B2"] = "Sales report: %Company%"
cover["B2"].font = bold(18)
cover["B4"] = "Period"
cover["C4"] = "%Period%"
cover["B5"] = "Region"
cover["C5"] = "%Region%"
cover["B6"] = "Total sales"
cover["C6"] = "%Total%"
cover["C6"].number_format = MONEY
cover["C6"].alignment = Alignment(horizontal="left")
cover["B7"] = "Prepared by"
cover["C7"] = "%Author%"
cover.column_dimensions["B"].width = 16
cover.column_dimensions["C"].width = 30

# Orders: a list template. Column A and row 1 are the control area (docs/list-templates.md):
# A2 = 2 puts the first output column in B, and the field names in row 1 from B on name the
# columns; A3 = 5 lays the first record on row 5; A6 = 2 deletes row 1 and column A at the end.
# The list only writes values: rows 5 to 54 are prepared (borders, date and money formats) for up
# to 50 orders; an order beyond them would land in unformatted rows below. The total stands above
# the list, where no record can overwrite it, and sums the whole prepared area.
orders = workbook.create_sheet("Orders")
orders["A2"] = "2"
orders["A3"] = "5"
orders["A6"] = "2"
columns = "BCDEFG"
fields = ["OrderNo", "OrderDate", "Customer", "Product", "Qty", "Amount"]
captions = ["Order", "Date", "Customer", "Product", "Qty", "Amount"]
for column, field in zip(columns, fields):
    orders[column + "1"] = field
orders["B2"] = "%ListTitle%"
orders["B2"].font = bold(14)
orders.merge_cells("B2:G2")
orders["F3"] = "Total"
orders["F3"].font = bold()
orders["G3"] = "=SUM(G5:G54)"
orders["G3"].number_format = MONEY
orders["G3"].font = bold()
for column, caption in zip(columns, captions):
    cell = orders[column + "4"]
    cell.value = caption
    cell.font = bold()
    cell.fill = header_fill
    cell.border = box
    cell.alignment = Alignment(horizontal="center")
for row in range(5, 55):
    for column in columns:
        orders[column + str(row)].border = box
    orders["C%d" % row].number_format = DATE
    orders["G%d" % row].number_format = MONEY
for column, width in zip(columns, [8, 11, 20, 15, 6, 16]):
    orders.column_dimensions[column].width = width
# Printed (and rendered by LibreOffice) one page wide.
orders.page_setup.orientation = "landscape"
orders.sheet_properties.pageSetUpPr.fitToPage = True
orders.page_setup.fitToWidth = 1
orders.page_setup.fitToHeight = 0

# Regions: filled as a record table from regions.xml.
workbook.create_sheet("Regions")

# Chart: an embedded chart of the monthly figures is drawn here.
chart = workbook.create_sheet("Chart")
chart["A1"] = "%ChartCaption%"
chart["A1"].font = bold(14)
chart.page_setup.orientation = "landscape"
chart.sheet_properties.pageSetUpPr.fitToPage = True

# Notes: not used by the report, so it is deleted.
notes = workbook.create_sheet("Notes")
notes["A1"] = "Working notes; not part of the report."

workbook.save(sys.argv[1] if len(sys.argv) > 1 else "template.xlsx")
