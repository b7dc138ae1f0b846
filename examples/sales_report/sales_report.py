"""The example report written as an automation client writes it: objects created by ProgID, members
reached by name. Produces the same workbook as the C++ program.

Usage: PYTHONPATH=<build>/python /usr/bin/python3 sales_report.py TEMPLATE DATABASE XMLFILE OUTDIR"""
import os
import sys

import tavlora


def fill_cover(job, database):
    cover = tavlora.CreateObject("Tavlora.CExcelTmplPrintOne")
    cover.CurBatObj = job
    if not cover.DoA_Begin("Cover"):
        return False
    company = tavlora.SqliteRecordset(database, "SELECT Company, Period, Region, Total FROM company")
    cover.DoA_ReplaceRst(company)
    cover.DoA_ReplaceA("Author", "Reporting team")
    cover.DoA_End()
    return True


def fill_orders(job, database):
    orders_list = tavlora.CreateObject("Tavlora.CExcelTmplPrintBat")
    orders_list.CurBatObj = job
    if not orders_list.DoA_Begin("Orders", bReplaceWhite=True):
        return False
    orders = tavlora.SqliteRecordset(
        database, "SELECT OrderNo, OrderDate, Customer, Product, Qty, Amount FROM order_list ORDER BY OrderNo")
    ok = orders_list.DoA_OutputRst(orders)
    orders_list.DoA_ReplaceWhiteDot("ListTitle", "Orders of the quarter")
    return orders_list.DoA_End() and ok


def fill_regions(job, xml_file):
    table = tavlora.CreateObject("Tavlora.CExcelOutputRcd")
    table.CurBatObj = job
    table.IsTitle = True
    table.Title = "Regions"
    table.xmlWay = 0
    return table.DoA_RcdXml("Regions", xml_file, "region")


def draw_chart(job, database):
    chart = tavlora.CreateObject("Tavlora.CExcelChart")
    chart.CurBatObj = job
    chart.DoA_ReplaceWhiteDot("ChartCaption", "Monthly sales and cost", "Chart")
    header_row = 3
    for column, caption in enumerate(["Month", "Sales", "Cost"], start=1):
        chart.DoA_OutputString(header_row, column, caption, "Chart")
    monthly = tavlora.SqliteRecordset(database, "SELECT Month, Sales, Cost FROM monthly")
    row = header_row + 1
    while not monthly.EOF:
        for field in range(3):
            value = monthly.Fields.Item(field).Value
            text = value if isinstance(value, str) else format_number(value)
            chart.DoA_OutputString(row, field + 1, text, "Chart")
        monthly.MoveNext()
        row += 1
    last_row = row - 1
    months = last_row - header_row

    chart.oSetRange_Sheet("Chart")
    chart.oSetSeriesCount(2)
    chart.oSetGroupCount(months)
    for series in range(2):
        chart.oSetSeriesName_Range(series, header_row, series + 2, "")
        chart.oSetSeriesValue_Range(series, header_row + 1, series + 2, last_row, series + 2, "")
    for group in range(months):
        chart.oSetGroupName_Range(group, header_row + 1 + group, 1, "")
    if not chart.DoA_Chart("Chart", 51, "MonthlySales"):
        return False
    chart.DoA_SetStyle(2, False, True, False)
    chart.DoA_SetTitle("Sales and cost, Q1 2026")
    return True


def format_number(value):
    """The library's own number text (at most 15 significant digits, no trailing zeros)."""
    text = "%.15g" % value
    return text


def fill_report(job, database, xml_file):
    """The first part that failed, or None when all were filled."""
    if not fill_cover(job, database):
        return "the cover sheet could not be filled"
    if not fill_orders(job, database):
        return "the order list could not be filled"
    if not fill_regions(job, xml_file):
        return "the region table could not be written"
    if not draw_chart(job, database):
        return "the chart could not be drawn"
    return None


def build_workbook(template, database, xml_file, workbook):
    """Copies the template, fills the copy and saves it in place; why it failed, or None."""
    job = tavlora.CreateObject("Tavlora.CExcelBatDo")
    if not job.DoCopy(template, workbook):
        return "cannot copy the template to " + workbook
    if not job.DoBegin(workbook):
        return "cannot open " + workbook
    failure = fill_report(job, database, xml_file)
    if not job.DoEnd():
        return "cannot save " + workbook
    return failure


def build_page(template, database, xml_file, page):
    """The same report as a web page, saved under the page's name; why it failed, or None."""
    job = tavlora.CreateObject("Tavlora.CExcelBatDo")
    if not job.DoBegin(template):
        return "cannot open the template " + template
    failure = fill_report(job, database, xml_file)
    if failure:
        return failure
    return None if job.DoEnd(page, bHtmlFormat=True) else "cannot save " + page


def main():
    template, database, xml_file, out_dir = sys.argv[1:5]
    os.makedirs(out_dir, exist_ok=True)
    workbook = os.path.join(out_dir, "sales_report.xlsx")
    page = os.path.join(out_dir, "sales_report.html")
    try:
        failure = (build_workbook(template, database, xml_file, workbook)
                   or build_page(template, database, xml_file, page))
        if failure and tavlora.last_failure():
            failure += " (%s)" % tavlora.last_failure()
    except tavlora.Error as error:
        failure = str(error)
    if failure:
        # A half-filled report must not pass for a finished one.
        for path in (workbook, page):
            if os.path.exists(path):
                os.remove(path)
        sys.exit("sales_report: %s; nothing was written" % failure)
    print("wrote %s\nwrote %s" % (workbook, page))


if __name__ == "__main__":
    main()
