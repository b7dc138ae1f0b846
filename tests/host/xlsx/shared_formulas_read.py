"""Prints every formula cell of the first sheet of an .xlsx as openpyxl reads it, one line each:
address, formula text (shared formulas expanded by openpyxl), and with "values" the cached value.
Usage: shared_formulas_read.py FILE [values]
"""
import sys

import openpyxl

formulas = openpyxl.load_workbook(sys.argv[1]).worksheets[0]
values = openpyxl.load_workbook(sys.argv[1], data_only=True).worksheets[0]
for row in formulas.iter_rows():
    for cell in row:
        if isinstance(cell.value, str) and cell.value.startswith("="):
            line = "%s %s" % (cell.coordinate, cell.value)
            if len(sys.argv) > 2:
                value = values[cell.coordinate].value
                line += " -> %s" % (("%.10g" % value) if isinstance(value, (int, float)) else value)
            print(line)
