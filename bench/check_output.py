"""Opens a benchmark output and checks that the job was done, so that no tool is timed on work it
skipped: the title and header rows, every row present, sample records across the list (first,
middle, last) equal to the source data, and for the batch job the totals formulas below the list,
moved with the deleted control row and column.

Usage: check_output.py FILE JOB ROWS INPUTS    (JOB: fill_list, batch or record; INPUTS: the folder
of make_inputs.py). Prints "ok" or exits non-zero with the reason.

The sheet is read as a stream with regular expressions rather than a full parser, so that a
million-row sheet is checked in seconds; any zip reader and any of the writers' element spellings
(namespace prefixes, attribute order, inline or shared strings) are accepted.
"""
import html
import os
import re
import sqlite3
import sys
import xml.etree.ElementTree as ET
import zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from make_inputs import FIELDS  # noqa: E402

CHUNK = 1 << 24
TAIL = 1 << 16  # longer than any row of these jobs
ROW_START = re.compile(rb"<(?:[A-Za-z_][\w.-]*:)?row[\s>/]")
CELL = re.compile(rb"<(?:\w+:)?c\b([^>]*?)(?:/>|>(.*?)</(?:\w+:)?c>)", re.S)
ATTRIBUTE = re.compile(rb'([\w:]+)="([^"]*)"')
VALUE = re.compile(rb"<(?:\w+:)?v>(.*?)</(?:\w+:)?v>", re.S)
FORMULA = re.compile(rb"<(?:\w+:)?f\b[^>]*>(.*?)</(?:\w+:)?f>", re.S)
TEXT = re.compile(rb"<(?:\w+:)?t\b[^>]*>(.*?)</(?:\w+:)?t>", re.S)


def fail(message):
    sys.exit("check failed: " + message)


def first_sheet_part(archive):
    workbook = archive.read("xl/workbook.xml")
    first_id = re.search(rb'<(?:\w+:)?sheet\b[^>]*?\b(?:\w+:)?id="([^"]+)"', workbook).group(1)
    rels = archive.read("xl/_rels/workbook.xml.rels")
    for rel in re.finditer(rb"<Relationship\b[^>]*>", rels):
        attributes = dict(ATTRIBUTE.findall(rel.group(0)))
        if attributes[b"Id"] == first_id:
            target = attributes[b"Target"].decode()
            return target.lstrip("/") if target.startswith("/") else "xl/" + target
    fail("the workbook names no part for its first sheet")


def column_number(reference):
    number = 0
    for ch in reference:
        if not ch.isalpha():
            break
        number = number * 26 + ord(ch.upper()) - 64
    return number


def scan_sheet(stream, wanted):
    """Counts the row elements and returns the XML of the wanted rows (by row number)."""
    patterns = {r: re.compile(rb'<(?:\w+:)?row\b[^>]*?\br="%d"[^>]*>.*?</(?:\w+:)?row>' % r, re.S) for r in wanted}
    found, count, tail = {}, 0, b""
    while True:
        chunk = stream.read(CHUNK)
        data = tail + chunk
        last = not chunk
        # A start in the final 16 bytes may be cut: it is counted with the next chunk.
        limit = len(data) if last else len(data) - 16
        count += sum(1 for m in ROW_START.finditer(data, max(0, len(tail) - 16)) if m.start() < limit)
        for r in list(patterns):
            m = patterns[r].search(data)
            if m:
                found[r] = m.group(0)
                del patterns[r]
        if last:
            return count, found
        tail = data[-TAIL:]
        if len(tail) < 16:
            tail = data


def cells_of(row_xml):
    cells = {}
    for attributes, inner in CELL.findall(row_xml):
        attrs = dict(ATTRIBUTE.findall(attributes))
        kind = attrs.get(b"t", b"n").decode()
        inner = inner or b""
        formula = FORMULA.search(inner)
        value = VALUE.search(inner)
        if kind == "inlineStr":
            text = b"".join(TEXT.findall(inner))
            cell = ("str", html.unescape(text.decode()))
        elif value is None:
            cell = ("empty", None)
        else:
            cell = (kind, html.unescape(value.group(1).decode()))
        cells[column_number(attrs[b"r"].decode())] = cell + (html.unescape(formula.group(1).decode()) if formula else None,)
    return cells


def shared_strings(archive, indexes):
    names = {n.lower(): n for n in archive.namelist()}
    name = names.get("xl/sharedstrings.xml")
    if not indexes or not name:
        return {}
    texts, index = {}, -1
    with archive.open(name) as stream:
        for event, element in ET.iterparse(stream, events=("end",)):
            if element.tag.endswith("}si") or element.tag == "si":
                index += 1
                if index in indexes:
                    texts[index] = "".join(t.text or "" for t in element.iter() if t.tag.endswith("}t") or t.tag == "t")
                element.clear()
    return texts


def resolve(rows, archive):
    wanted = {int(c[1]) for cells in rows.values() for c in cells.values() if c[0] == "s"}
    texts = shared_strings(archive, wanted)
    for cells in rows.values():
        for column, (kind, value, formula) in list(cells.items()):
            if kind == "s":
                cells[column] = ("str", texts.get(int(value)), formula)
            elif kind in ("n", "str"):
                cells[column] = (kind if kind == "str" else "n", value, formula)
    return rows


def same(cell, expected):
    kind, value, _ = cell
    if isinstance(expected, (int, float)):
        try:
            return abs(float(value) - expected) <= 1e-9 * max(1.0, abs(expected))
        except (TypeError, ValueError):
            return False
    return value == expected


def fill_list_record(r):
    def value(column):
        kind = column % 4
        if kind == 0:
            return r * 10 + column
        if kind == 1:
            return r * 1.25 + column
        if kind == 2:
            return "Item %d" % (r % 1000)
        return "Customer %d-%d" % (r, column)
    return [value(c) for c in range(1, 11)]


def database_records(inputs, ids):
    db = sqlite3.connect(os.path.join(inputs, "sales.db"))
    marks = ",".join("?" * len(ids))
    found = {row[0]: list(row) for row in db.execute("SELECT * FROM sales WHERE id IN (%s)" % marks, ids)}
    return [found[i] for i in ids]


def main():
    path, job, rows, inputs = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4]
    samples = sorted({0, rows // 2, rows - 1})
    if job == "fill_list":
        title, header = "Sales list", ["Column %d" % c for c in range(1, 11)]
        expected = [fill_list_record(i) for i in samples]
    elif job == "batch":
        title, header = "Sales 2024", [f.capitalize() for f in FIELDS]
        expected = database_records(inputs, [i + 1 for i in samples])
    elif job == "record":
        title, header = "Sales records", FIELDS
        expected = database_records(inputs, [i + 1 for i in samples])
    else:
        fail("unknown job " + job)
    first = 3  # records start below the title and header rows in every job
    wanted = {1, 2, first + rows} | {first + i for i in samples}
    with zipfile.ZipFile(path) as archive:
        with archive.open(first_sheet_part(archive)) as stream:
            count, found = scan_sheet(stream, wanted)
        rows_xml = {r: cells_of(xml) for r, xml in found.items()}
        cells = resolve(rows_xml, archive)
    if count < rows + 2:
        fail("%d row elements, expected at least %d" % (count, rows + 2))
    for r in {1, 2} | {first + i for i in samples}:
        if r not in cells:
            fail("row %d is missing" % r)
    if not same(cells[1].get(1, ("empty", None, None)), title):
        fail("title %r, expected %r" % (cells[1].get(1), title))
    for c, caption in enumerate(header, 1):
        if not same(cells[2].get(c, ("empty", None, None)), caption):
            fail("header %d is %r, expected %r" % (c, cells[2].get(c), caption))
    for i, values in zip(samples, expected):
        got = cells[first + i]
        for c, value in enumerate(values, 1):
            if not same(got.get(c, ("empty", None, None)), value):
                fail("row %d column %d is %r, expected %r" % (first + i, c, got.get(c), value))
    if job == "batch":
        totals = cells.get(first + rows, {})
        last = first + rows - 1
        for c, letter in ((5, "E"), (7, "G")):
            formula = (totals.get(c) or (None, None, None))[2] or ""
            if formula.lstrip("=").replace("$", "") != "SUM(%s%d:%s%d)" % (letter, first, letter, last):
                fail("totals formula in column %s is %r" % (letter, formula))
    print("ok")


if __name__ == "__main__":
    main()
