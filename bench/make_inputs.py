"""Builds the benchmark inputs in one folder: the SQLite data, its JSON export for the Node.js peer,
the templates and a workbook to save unchanged. Usage: make_inputs.py FOLDER ROWS BATCH_ROWS

  sales.db             table sales: ROWS records of ten fields (integers, decimals, texts)
  sales_N.json         the first N records as JSON arrays, for N in {BATCH_ROWS, 100000}
  list_template.xlsx   title and header rows for the fill_list job
  batch_template.xlsx  list template with control row and column for BATCH_ROWS records
  media_workbook.xlsx  a small sheet with large parts the engine does not model: a 4 MB picture
                       and a 24 MB custom XML part (deflated), for saving a workbook unchanged
"""
import datetime
import json
import os
import random
import sqlite3
import sys
import zipfile

import openpyxl
from openpyxl.styles import Alignment, Border, Font, PatternFill, Side

FIELDS = ["id", "customer", "region", "product", "qty", "price", "amount", "day", "code", "note"]
REGIONS = ["North", "South", "East", "West", "Central", "Coast", "Hills", "Plains"]
FIRST_DAY = datetime.date(2024, 1, 1)


def record(i):
    qty = (i * 13) % 97 + 1
    price = round((i * 17) % 2000 / 4 + 0.99, 2)
    region = REGIONS[i % 8]
    return (i, "Customer %d" % (i * 7919 % 5000), region, "Item %03d" % (i * 31 % 1000), qty, price,
            round(qty * price, 2), (FIRST_DAY + datetime.timedelta(days=i % 366)).isoformat(),
            "K%07d" % i, "Order %d for %s" % (i, region))


def make_database(path, rows):
    if os.path.exists(path):
        os.remove(path)
    db = sqlite3.connect(path)
    db.execute("CREATE TABLE sales (id INTEGER PRIMARY KEY, customer TEXT, region TEXT, product TEXT, "
               "qty INTEGER, price REAL, amount REAL, day TEXT, code TEXT, note TEXT)")
    db.executemany("INSERT INTO sales VALUES (?,?,?,?,?,?,?,?,?,?)", (record(i) for i in range(1, rows + 1)))
    db.commit()
    db.close()


def export_json(path, rows):
    with open(path, "w") as out:
        json.dump({"fields": FIELDS, "rows": [record(i) for i in range(1, rows + 1)]}, out)


def make_list_template(path):
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
    workbook.save(path)


def make_batch_template(path, rows):
    """Control area: A2 first column and count, A3 first row, A6 end mode 2 (delete row 1 and
    column A); row 1 names the field of each column B..K. Title placeholder in B2, captions in row
    3, a styled template row 4, totals below the list."""
    workbook = openpyxl.Workbook()
    sheet = workbook.active
    sheet.title = "List"
    sheet["A2"], sheet["A3"], sheet["A6"] = "2,10", "4", "2"
    thin = Side(style="thin")
    formats = {"qty": "0", "price": "#,##0.00", "amount": "#,##0.00"}
    for offset, field in enumerate(FIELDS):
        column = 2 + offset
        sheet.cell(row=1, column=column, value=field)
        caption = sheet.cell(row=3, column=column, value=field.capitalize())
        caption.font = Font(bold=True)
        caption.alignment = Alignment(horizontal="center")
        caption.fill = PatternFill("solid", fgColor="DDEBF7")
        caption.border = Border(top=thin, bottom=thin, left=thin, right=thin)
        body = sheet.cell(row=4, column=column)
        body.border = Border(left=thin, right=thin, bottom=thin)
        body.number_format = formats.get(field, "General")
        sheet.column_dimensions[openpyxl.utils.get_column_letter(column)].width = 14
    sheet["B2"] = "%Title%"
    sheet["B2"].font = Font(bold=True, size=16)
    sheet.merge_cells("B2:K2")
    total = 4 + rows
    sheet.cell(row=total, column=2, value="Total").font = Font(bold=True)
    sheet.cell(row=total, column=6, value="=SUM(F4:F%d)" % (total - 1))
    sheet.cell(row=total, column=8, value="=SUM(H4:H%d)" % (total - 1)).number_format = "#,##0.00"
    workbook.create_sheet("Notes")["A1"] = "kept as it is"
    workbook.save(path)


def make_media_workbook(path, folder):
    from openpyxl.drawing.image import Image
    from PIL import Image as Picture

    noise = random.Random(7)
    picture_path = os.path.join(folder, "noise.png")
    Picture.frombytes("RGB", (1200, 1200), bytes(noise.getrandbits(8) for _ in range(1200 * 1200 * 3))).save(picture_path)
    workbook = openpyxl.Workbook()
    sheet = workbook.active
    sheet.title = "Data"
    for r in range(1, 2001):
        sheet.append(list(record(r)))
    sheet.add_image(Image(picture_path), "L2")
    workbook.save(path)
    os.remove(picture_path)
    items = "".join('<item id="%d" customer="Customer %d" amount="%.2f">note %d</item>' % (i, i % 977, i * 1.5, i)
                    for i in range(300000))
    with zipfile.ZipFile(path, "a", zipfile.ZIP_DEFLATED) as archive:
        archive.writestr("customXml/item1.xml", '<?xml version="1.0" encoding="UTF-8"?><items>%s</items>' % items)


def main_with(folder, rows, batch_rows, json_rows):
    make_database(os.path.join(folder, "sales.db"), rows)
    for n in sorted({batch_rows, json_rows}):
        export_json(os.path.join(folder, "sales_%d.json" % n), n)
    make_list_template(os.path.join(folder, "list_template.xlsx"))
    make_batch_template(os.path.join(folder, "batch_template.xlsx"), batch_rows)
    make_media_workbook(os.path.join(folder, "media_workbook.xlsx"), folder)


def main():
    main_with(sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), min(int(sys.argv[2]), 100000))


if __name__ == "__main__":
    main()
