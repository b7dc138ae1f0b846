"""The invoice job's template and data: what every tool fills, 1,000 times, in one process.

The template (sheet "Invoice") has a cover of 20 %Name% placeholders, a 30-line list laid by the
list filler's control area (row 1 names the fields of columns B..F, A2 = first column and count,
A3 = first row, A6 = 1: row 1 and column A are cleared at the end), a total below the list and a
small column chart of the line amounts. The data of invoice n is computed from n, the same way in
every tool (invoice_data below, and its copies in the peers), so no tool reads a data file.

exceljs cannot read a workbook with a chart (its reader fails on the drawing), so it gets the same
template without the chart.

Usage: invoice_inputs.py FOLDER   (writes FOLDER/invoice_template.xlsx and the one without chart)
"""
import os
import sys

import openpyxl
from openpyxl.chart import BarChart, Reference
from openpyxl.styles import Alignment, Border, Font, PatternFill, Side

PLACEHOLDERS = ["InvoiceNo", "InvoiceDate", "DueDate", "OrderNo", "Reference", "Terms", "Currency",
                "Customer", "Street", "City", "Zip", "Country", "VatId", "Contact", "Phone", "Email",
                "Seller", "SellerStreet", "SellerCity", "SellerBank"]
FIELDS = ["line", "product", "qty", "price", "amount"]
LINES = 30
FIRST_LINE_ROW = 16
TOTAL_ROW = FIRST_LINE_ROW + LINES


def invoice_data(n):
    """Placeholder values and the 30 lines (line, product, qty, price, amount) of invoice n."""
    values = {name: "%s %d" % (name, n) for name in PLACEHOLDERS}
    values["InvoiceNo"] = "INV-%06d" % n
    values["InvoiceDate"] = "2024-%02d-%02d" % (n % 12 + 1, n % 28 + 1)
    lines = []
    for k in range(1, LINES + 1):
        qty = (n * 7 + k * 3) % 20 + 1
        price = round(((n * 13 + k * 17) % 500) / 4 + 0.5, 2)
        lines.append((k, "Product %03d" % ((n + k * 11) % 1000), qty, price, round(qty * price, 2)))
    return values, lines


def make_invoice_template(path, chart=True):
    workbook = openpyxl.Workbook()
    sheet = workbook.active
    sheet.title = "Invoice"
    sheet["A2"], sheet["A3"], sheet["A6"] = "2,%d" % len(FIELDS), str(FIRST_LINE_ROW), "1"
    for offset, field in enumerate(FIELDS):
        sheet.cell(row=1, column=2 + offset, value=field)
    sheet["B2"] = "%InvoiceNo%"
    sheet["B2"].font = Font(bold=True, size=18)
    bold = Font(bold=True)
    for index, name in enumerate(PLACEHOLDERS[1:]):
        row, column = 4 + index % 10, 2 + 3 * (index // 10)
        sheet.cell(row=row, column=column, value=name).font = bold
        sheet.cell(row=row, column=column + 1, value="%" + name + "%")
    thin = Side(style="thin")
    fill = PatternFill("solid", fgColor="DDEBF7")
    for offset, field in enumerate(FIELDS):
        caption = sheet.cell(row=FIRST_LINE_ROW - 1, column=2 + offset, value=field.capitalize())
        caption.font, caption.fill = bold, fill
        caption.alignment = Alignment(horizontal="center")
        caption.border = Border(top=thin, bottom=thin, left=thin, right=thin)
        for row in range(FIRST_LINE_ROW, TOTAL_ROW):
            cell = sheet.cell(row=row, column=2 + offset)
            cell.border = Border(left=thin, right=thin)
            cell.number_format = "#,##0.00" if field in ("price", "amount") else "General"
    sheet.cell(row=TOTAL_ROW, column=5, value="Total").font = bold
    total = sheet.cell(row=TOTAL_ROW, column=6, value="=SUM(F%d:F%d)" % (FIRST_LINE_ROW, TOTAL_ROW - 1))
    total.font, total.number_format = bold, "#,##0.00"
    for letter, width in zip("ABCDEFGH", (4, 8, 16, 8, 10, 12, 4, 14)):
        sheet.column_dimensions[letter].width = width
    if chart:
        add_chart(sheet)
    workbook.save(path)


def add_chart(sheet):
    chart = BarChart()
    chart.title, chart.style, chart.width, chart.height = "Amount by line", 10, 12, 7
    chart.add_data(Reference(sheet, min_col=6, min_row=FIRST_LINE_ROW, max_row=TOTAL_ROW - 1), titles_from_data=False)
    chart.set_categories(Reference(sheet, min_col=2, min_row=FIRST_LINE_ROW, max_row=TOTAL_ROW - 1))
    chart.legend = None
    sheet.add_chart(chart, "H15")


if __name__ == "__main__":
    make_invoice_template(os.path.join(sys.argv[1], "invoice_template.xlsx"))
    make_invoice_template(os.path.join(sys.argv[1], "invoice_template_without_chart.xlsx"), chart=False)
