"""The benchmark jobs done with openpyxl, each as the library would do it: load the template (or
start a workbook), write the cells, save. Prints the seconds from load to saved as one line of
JSON. Usage: openpyxl_jobs.py JOB INPUTS OUT ROWS   (JOB: fill_list, batch, record)"""
import json
import os
import sqlite3
import sys
import time

import openpyxl
from openpyxl.styles import Alignment, Font, NamedStyle
from openpyxl.utils import get_column_letter


def fill_list_value(row, column):
    kind = column % 4
    if kind == 0:
        return row * 10 + column
    if kind == 1:
        return row * 1.25 + column
    if kind == 2:
        return "Item %d" % (row % 1000)
    return "Customer %d-%d" % (row, column)


def records(inputs, rows):
    db = sqlite3.connect(os.path.join(inputs, "sales.db"))
    cursor = db.execute("SELECT * FROM sales ORDER BY id LIMIT %d" % rows)
    return [d[0] for d in cursor.description], cursor


def fill_list(inputs, out, rows):
    workbook = openpyxl.load_workbook(os.path.join(inputs, "list_template.xlsx"))
    sheet = workbook.worksheets[0]
    for r in range(rows):
        for c in range(1, 11):
            sheet.cell(row=3 + r, column=c, value=fill_list_value(r, c))
    workbook.save(out)


def batch(inputs, out, rows):
    """Records into rows 4.. of columns B..K, the title placeholder filled, then row 1 and column A
    deleted. openpyxl moves neither merged areas nor formulas when it deletes, so the script moves
    them itself."""
    workbook = openpyxl.load_workbook(os.path.join(inputs, "batch_template.xlsx"))
    sheet = workbook["List"]
    sheet["B2"] = "Sales 2024"
    _, cursor = records(inputs, rows)
    for r, record in enumerate(cursor):
        for c, value in enumerate(record):
            sheet.cell(row=4 + r, column=2 + c, value=value)
    sheet.unmerge_cells("B2:K2")
    sheet.delete_rows(1)
    sheet.delete_cols(1)
    sheet.merge_cells("A1:J1")
    total = 3 + rows
    sheet.cell(row=total, column=5, value="=SUM(E3:E%d)" % (total - 1))
    sheet.cell(row=total, column=7, value="=SUM(G3:G%d)" % (total - 1))
    workbook.save(out)


def record(inputs, out, rows):
    """Title, captions and records in the house style (SimSun 10, text format, left and centred),
    the columns as wide as their longest text."""
    workbook = openpyxl.Workbook()
    sheet = workbook.active
    body = NamedStyle(name="body", font=Font(name="宋体", size=10), number_format="@",
                      alignment=Alignment(horizontal="left", vertical="center"))
    workbook.add_named_style(body)
    names, cursor = records(inputs, rows)
    count = len(names)
    sheet.merge_cells(start_row=1, start_column=1, end_row=1, end_column=count)
    title = sheet.cell(row=1, column=1, value="Sales records")
    title.font = Font(name="宋体", size=18, bold=True)
    title.alignment = Alignment(horizontal="center", vertical="center")
    sheet.row_dimensions[1].height = 48
    sheet.row_dimensions[2].height = 24
    widths = [len(n) for n in names]
    for c, name in enumerate(names, 1):
        cell = sheet.cell(row=2, column=c, value=name)
        cell.font = Font(name="宋体", size=16)
        cell.alignment = Alignment(horizontal="center", vertical="center")
    for r, values in enumerate(cursor, 3):
        for c, value in enumerate(values):
            cell = sheet.cell(row=r, column=c + 1, value=value)
            cell.style = "body"
            widths[c] = max(widths[c], len(str(value)))
    sheet.sheet_format.defaultRowHeight = 16
    sheet.sheet_format.customHeight = True
    for c, width in enumerate(widths, 1):
        sheet.column_dimensions[get_column_letter(c)].width = width + 2
    workbook.save(out)


def main():
    job, inputs, out, rows = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])
    start = time.monotonic()
    {"fill_list": fill_list, "batch": batch, "record": record}[job](inputs, out, rows)
    print(json.dumps({"seconds": round(time.monotonic() - start, 4)}))


if __name__ == "__main__":
    main()
