"""Builds the list template used by the benchmarks: a title row, a styled header row."""
import sys

import openpyxl
from openpyxl.styles import Alignment, Font

workbook = openpyxl.Workbook()
sheet = workbook.active
sheet.title = "List"
sheet["A1"] = "Sales list"
sheet["A1"].font = Font(bold=True, size=16)
sheet.merge_cells("A1:J1")
for column in range(1, 11):
    cell = sheet.cell(row=2, column=column, value="Column %d" % column)
    cell.font = Font(bold=True)
    cell.alignment = Alignment(horizontal="center")
workbook.create_sheet("Notes")["A1"] = "kept as it is"
workbook.save(sys.argv[1])
