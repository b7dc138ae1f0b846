"""The formula job: a list of N rows with a formula per row (=C*D), a running total and SUM /
AVERAGEIF totals, filled, computed and saved by Tavlora; the same list with the numbers written as
values (what computing adds); and LibreOffice headless loading Tavlora's file, recalculating every
formula (a profile of its own asks for that) and saving it. bench.py calls run(); it also runs
alone: formula_job.py BUILD_DIR ROWS.
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time

PYTHON = "/usr/bin/python3"

RECALC_PROFILE = """<?xml version="1.0" encoding="UTF-8"?>
<oor:items xmlns:oor="http://openoffice.org/2001/registry" xmlns:xs="http://www.w3.org/2001/XMLSchema" xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance">
<item oor:path="/org.openoffice.Office.Calc/Formula/Load"><prop oor:name="OOXMLRecalcMode" oor:op="fuse"><value>0</value></prop></item>
</oor:items>
"""

CHECK = """
import sys, openpyxl
ws = openpyxl.load_workbook(sys.argv[1], read_only=True, data_only=True).active
last = int(sys.argv[2]) + 1
values = {}
for row in ws.iter_rows(min_row=last, max_row=last + 2, min_col=5, max_col=6, values_only=True):
    values[len(values)] = row
print(values[0][1], values[1][0], values[2][0])
"""


def best_seconds_in_turns(argvs, key="seconds", rounds=7):
    """Each command's best of `rounds` runs, the commands run in turns round by round. What
    computing adds is the ratio of two short runs: timed one after the other, a stretch in which
    the machine is busy elsewhere lands on one of them only; in turns both see the same stretches."""
    import json
    best = [None] * len(argvs)
    for _ in range(rounds):
        for index, argv in enumerate(argvs):
            if best[index] is not None and best[index] >= 2.0:
                continue
            out = subprocess.run(argv, capture_output=True, text=True, check=True).stdout
            seconds = json.loads(out.strip().splitlines()[-1])[key]
            best[index] = seconds if best[index] is None else min(best[index], seconds)
    return best


def libreoffice_seconds(source, work):
    profile = os.path.join(work, "lo-profile")
    os.makedirs(os.path.join(profile, "user"), exist_ok=True)
    with open(os.path.join(profile, "user", "registrymodifications.xcu"), "w") as xcu:
        xcu.write(RECALC_PROFILE)
    outdir = os.path.join(work, "lo-out")
    os.makedirs(outdir, exist_ok=True)
    argv = ["soffice", "--headless", "--norestore", "-env:UserInstallation=file://" + profile, "--convert-to",
            "xlsx:Calc MS Excel 2007 XML", "--outdir", outdir, source]
    subprocess.run(argv, capture_output=True, check=True)  # the profile's first start is not measured
    start = time.monotonic()
    subprocess.run(argv, capture_output=True, check=True)
    return time.monotonic() - start, os.path.join(outdir, os.path.basename(source))


def totals(path, rows):
    return subprocess.run([PYTHON, "-c", CHECK, path, str(rows)], capture_output=True, text=True,
                          check=True).stdout.split()


def run(build, rows, work):
    program = os.path.join(build, "bench", "formula_list")
    title = "Formulas: %s rows with =C*D, a running total, SUM and AVERAGEIF; filled, computed, saved" % format(rows, ",")
    print("\n" + title, flush=True)
    with_formulas = os.path.join(work, "formulas.xlsx")
    values_only = os.path.join(work, "values.xlsx")
    ours, plain = best_seconds_in_turns([[program, with_formulas, str(rows), "formulas"],
                                         [program, values_only, str(rows), "values"]])
    lines = ["  %-48s %9.3f s" % ("tavlora, formulas computed", ours),
             "  %-48s %9.3f s" % ("tavlora, the same numbers as values", plain)]
    verdict = ["formulas: computing adds %.0f%% (target under 25%%)" % ((ours / plain - 1) * 100)]
    if shutil.which("soffice"):
        lo, lo_out = libreoffice_seconds(with_formulas, work)
        lines.append("  %-48s %9.3f s" % ("LibreOffice: load, recalculate all, save", lo))
        verdict.append("formulas: %.1fx faster than LibreOffice's recalculation and save (target 20x)" % (lo / ours))
        mine, theirs = totals(with_formulas, rows), totals(lo_out, rows)
        # The running total must agree; a total whose function the engine does not have yet keeps
        # no value ("None") and is reported, not compared.
        missing = [name for name, value in zip(("SUM", "AVERAGEIF"), mine[1:]) if value == "None"]
        agree = all(a == b for a, b in zip(mine, theirs) if a != "None")
        if not agree or mine[0] == "None":
            raise RuntimeError("formula job: our totals %s differ from LibreOffice's %s" % (mine, theirs))
        if missing:
            verdict.append("formulas: %s not computed (function not available), left to the application" %
                           ", ".join(missing))
    else:
        verdict.append("formulas: LibreOffice is not installed; no comparison")
    print("\n".join(lines), flush=True)
    return title, lines, verdict


if __name__ == "__main__":
    work = tempfile.mkdtemp(prefix="tavlora-formula-bench-")
    try:
        _, _, verdict = run(sys.argv[1], int(sys.argv[2]), work)
        print("\n".join(verdict))
    finally:
        shutil.rmtree(work, ignore_errors=True)
