#!/usr/bin/env python3
"""Runs the README's snippets as a reader would, from a checkout-like folder: the Python example of
"From C++, C and Python" and the runner line of "Tools", and checks that the job of "Write your
first report" is the one shipped in examples/first_report.

Usage: readme_snippets.py SOURCE_ROOT RUNNER  (PYTHONPATH must name the built module's folder)"""
import json
import os
import re
import subprocess
import sys
import tempfile

import openpyxl

RUNNER_IN_README = "build/release/tavlora-report"


def fail(message):
    sys.exit("README snippets: " + message)


def blocks(readme, language):
    return re.findall(r"^ *```" + language + r"\n(.*?)^ *```", readme, re.MULTILINE | re.DOTALL)


def python_snippet(readme):
    section = readme[readme.index("## From C++, C and Python"):]
    found = blocks(section, "python")
    if not found:
        fail("no Python snippet under 'From C++, C and Python'")
    return found[0]


def runner_line(readme):
    for block in blocks(readme, "sh"):
        for line in block.splitlines():
            if line.startswith(RUNNER_IN_README + " examples/"):
                return line.split("#")[0].split()
    fail("no runner line in a sh block")


def run(args, folder):
    result = subprocess.run(args, cwd=folder, capture_output=True, text=True)
    if result.returncode != 0:
        fail("%s failed (%d):\n%s%s" % (" ".join(args), result.returncode, result.stdout, result.stderr))
    return result.stdout


def cell(path, sheet, address):
    return openpyxl.load_workbook(path)[sheet][address].value


def main():
    source, runner = sys.argv[1:3]
    with open(os.path.join(source, "README.md"), encoding="utf-8") as file:
        readme = file.read()
    with tempfile.TemporaryDirectory() as folder:
        os.symlink(os.path.join(source, "examples"), os.path.join(folder, "examples"))
        os.mkdir(os.path.join(folder, "out"))

        snippet = os.path.join(folder, "snippet.py")
        with open(snippet, "w", encoding="utf-8") as file:
            file.write(python_snippet(readme))
        run([sys.executable, snippet], folder)
        cover = os.path.join(folder, "out", "cover.xlsx")
        if cell(cover, "Cover", "B2") != "Nordlicht Handel GmbH" or cell(cover, "Cover", "C7") != "me":
            fail("the Python snippet's report lacks the cover values")

        args = runner_line(readme)
        run([runner] + args[1:], folder)
        job = json.load(open(os.path.join(source, args[1]), encoding="utf-8"))
        report = os.path.normpath(os.path.join(folder, os.path.dirname(args[1]), job["output"]))
        if cell(report, "Orders", "C4") != "Müller & Söhne":
            fail("the runner's report lacks the first order")

    first = [b for b in blocks(readme, "json") if '"first.xlsx"' in b]
    with open(os.path.join(source, "examples", "first_report", "first.json"), encoding="utf-8") as file:
        shipped = json.load(file)
    if not first or json.loads(first[0]) != shipped:
        fail("the job of 'Write your first report' differs from examples/first_report/first.json")
    print("README snippets ok")


main()
