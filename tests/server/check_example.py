"""Checks the example report as a reader sees it: every part filled as designed.
Usage: /usr/bin/python3 check_example.py sales_report.xlsx sales_report.html"""
import datetime
import sys
from html.parser import HTMLParser

import openpyxl


def check(condition, message):
    if not condition:
        sys.exit("example report: " + message)


def check_workbook(path):
    workbook = openpyxl.load_workbook(path)
    check(workbook.sheetnames == ["Cover", "Orders", "Regions", "Chart"],
          "sheets are %s (Notes must be gone)" % workbook.sheetnames)

    cover = workbook["Cover"]
    check(cover["B2"].value == "Nordlicht Handel GmbH", "cover company is %r" % cover["B2"].value)
    check(cover["C4"].value == "Q1 2026", "cover period is %r" % cover["C4"].value)
    check(cover["C5"].value == "Europe", "cover region is %r" % cover["C5"].value)
    check(cover["C6"].value == 48210.5 and cover["C6"].number_format == '#,##0.00 "EUR"',
          "cover total is %r in %r" % (cover["C6"].value, cover["C6"].number_format))
    check(cover["C7"].value == "Reporting team", "cover author is %r" % cover["C7"].value)

    orders = workbook["Orders"]
    # Row 1 and column A were the control area and are deleted: total on row 2, header on row 3,
    # the list from row 4.
    check(orders["A1"].value == "Orders of the quarter", "list title is %r" % orders["A1"].value)
    check(orders["F2"].value == "=SUM(F4:F53)", "total formula is %r" % orders["F2"].value)
    check(orders["A3"].value == "Order", "list header is %r" % orders["A3"].value)
    check(orders["A4"].value == 1001 and orders["C4"].value == "Müller & Söhne", "first order row is wrong")
    check(orders["B4"].value == datetime.datetime(2026, 1, 8) and orders["B4"].number_format == "yyyy-mm-dd",
          "order date is %r in %r" % (orders["B4"].value, orders["B4"].number_format))
    check(orders["F4"].number_format == '#,##0.00 "EUR"', "amount format is %r" % orders["F4"].number_format)
    check(orders["C7"].value == "東京商事", "fourth customer is %r" % orders["C7"].value)
    check(orders["F9"].value is None, "a zero amount must be suppressed, found %r" % orders["F9"].value)
    check(orders["A11"].value == 1008 and orders["F11"].value == 3196, "last order row is wrong")
    check(orders["A12"].value is None and orders["A53"].border.left.style == "thin",
          "the prepared list area must go on empty to row 53")
    check("A1:F1" in [str(r) for r in orders.merged_cells.ranges], "title merge moved wrongly")

    regions = workbook["Regions"]
    values = [[c.value for c in row] for row in regions.iter_rows()]
    flat = [v for row in values for v in row if v is not None]
    check("Regions" in flat, "record table title missing")
    for expected in ("Name", "Manager", "Europe", "Kenji Sato", "Lucía Ortega"):
        check(expected in flat, "record table lacks %r" % expected)

    chart = workbook["Chart"]
    check(chart["A1"].value == "Monthly sales and cost", "chart caption is %r" % chart["A1"].value)
    check(chart["A4"].value == "Jan" and chart["B4"].value == 14200, "chart data block is wrong")
    check(len(chart._charts) == 1, "the chart sheet holds %d charts" % len(chart._charts))


class TextCollector(HTMLParser):
    def __init__(self):
        super().__init__()
        self.text = []
        self.svg = 0

    def handle_starttag(self, tag, attrs):
        if tag == "svg":
            self.svg += 1

    def handle_data(self, data):
        self.text.append(data)


def check_page(path):
    collector = TextCollector()
    with open(path, encoding="utf-8") as page:
        collector.feed(page.read())
    text = " ".join(collector.text)
    for expected in ("Nordlicht Handel GmbH", "Orders of the quarter", "東京商事", "Kenji Sato",
                     "Sales and cost, Q1 2026"):
        check(expected in text, "web page lacks %r" % expected)
    check("Working notes" not in text, "web page still shows the unused sheet")
    check(collector.svg >= 1, "web page has no chart drawing")


check_workbook(sys.argv[1])
check_page(sys.argv[2])
print("example report ok")
