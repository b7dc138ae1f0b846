"""Opens a benchmark output and checks that the job was done: row count and two sample cells."""
import sys

import openpyxl

path, rows = sys.argv[1], int(sys.argv[2])
sheet = openpyxl.load_workbook(path, read_only=True).worksheets[0]
values = {}
count = 0
for index, row in enumerate(sheet.iter_rows(min_row=3, values_only=True)):
    if row[0] is None:
        continue
    count += 1
    if index in (0, rows - 1):
        values[index] = row
assert count == rows, "expected %d rows, found %d" % (rows, count)
assert values[0][0] == 4 and values[0][2] == "Item 0", values[0]
last = rows - 1
assert values[last][3] == "Customer %d-3" % last, values[last]
print("ok")
