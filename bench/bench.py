"""Runs every benchmark job with Tavlora and with its peers in one run, checks every output, and
prints one table per job with the ratios. bench/run builds the programs and calls this.

Usage: bench.py BUILD_DIR [--quick] [--markdown FILE]

Each tool runs as its own process; its seconds are the ones it reports for the job (load to
saved, interpreter start-up left out), its peak memory is the process's maximum resident set as
GNU time reports it. A run shorter than two seconds is repeated up to three times and
the best kept, the same rule for every tool; Tavlora and libxlsxwriter, whose ratio the targets
name, run in turns up to five times each. An output that fails its check fails the run.
"""
import argparse
import datetime
import json
import os
import platform
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
PYTHON = "/usr/bin/python3"  # Debian's openpyxl belongs to this interpreter
sys.path.insert(0, HERE)
import make_inputs  # noqa: E402
import formula_job  # noqa: E402
import web_page_job  # noqa: E402
from invoice_job import invoice_table, invoice_verdicts, print_invoice_ratios, run_invoice_job  # noqa: E402
from output_sizes import size_columns, size_verdict  # noqa: E402
from odbc_job import markdown as odbc_markdown, run_odbc_job  # noqa: E402


class Tool:
    def __init__(self, name, command, floor=False, key="seconds"):
        self.name, self.command, self.floor, self.key = name, command, floor, key


def run_once(argv):
    """Runs one tool; GNU time measures its peak resident set, so that none of this script's own
    memory (which a forked child starts with) is counted."""
    with tempfile.NamedTemporaryFile("r", suffix=".rss") as peak:
        start = time.monotonic()
        process = subprocess.run(["/usr/bin/time", "-f", "%M", "-o", peak.name] + argv, capture_output=True, text=True)
        wall = time.monotonic() - start
        if process.returncode != 0:
            raise RuntimeError("%s failed (%d): %s" % (" ".join(argv), process.returncode, process.stderr.strip()[-2000:]))
        result = json.loads(process.stdout.strip().splitlines()[-1])
        result["peak_kb"] = int(peak.read().split()[-1])
    result["wall"] = wall
    return result


def measure(tool, out):
    return measure_in_turns([tool], [out], 3)[0]


# Tavlora against libxlsxwriter is a ratio of two short runs; timed one after the other, a stretch in
# which the machine is busy elsewhere lands on one of them only. In turns, both see the same stretches.
PAIRED_ROUNDS = 5


def measure_in_turns(tools, outs, rounds):
    """Each tool's best of up to `rounds` runs (a run of two seconds or more is not repeated), the
    tools run in turns, round by round."""
    best = [None] * len(tools)
    for _ in range(rounds):
        for index, (tool, out) in enumerate(zip(tools, outs)):
            if best[index] is not None and best[index][tool.key] >= 2.0:
                continue
            if os.path.exists(out):
                os.remove(out)
            result = run_once(tool.command(out))
            if best[index] is None or result[tool.key] < best[index][tool.key]:
                best[index] = result
    return best


def check(path, job, rows, inputs):
    subprocess.run([PYTHON, os.path.join(HERE, "check_output.py"), path, job, str(rows), inputs], check=True,
                   stdout=subprocess.DEVNULL)


def machine():
    model = "unknown processor"
    with open("/proc/cpuinfo") as cpuinfo:
        for line in cpuinfo:
            if line.startswith("model name"):
                model = line.split(":", 1)[1].strip()
                break
    with open("/proc/meminfo") as meminfo:
        memory = int(meminfo.readline().split()[1]) / 1024 / 1024
    load = os.getloadavg()[0]
    return "%s, %d cores, %.0f GiB, %s; load average %.1f at start" % (
        model, os.cpu_count(), memory, platform.platform(terse=True), load)


def tools_for(job, rows, build, inputs, peers):
    node_modules = os.path.join(HERE, "peers", "node_modules")
    ours = {
        "fill_list": lambda out: [os.path.join(build, "bench", "fill_list"), os.path.join(inputs, "list_template.xlsx"),
                                  out, str(rows)],
        "batch": lambda out: [os.path.join(build, "bench", "batch_fill"), os.path.join(inputs, "batch_template.xlsx"),
                              os.path.join(inputs, "sales.db"), out, str(rows)],
        "record": lambda out: [os.path.join(build, "bench", "record_table"), os.path.join(inputs, "sales.db"), out,
                               str(rows)],
    }[job]
    tools = [Tool("tavlora", ours)]
    if "openpyxl" in peers:
        tools.append(Tool("openpyxl", lambda out: [PYTHON, os.path.join(HERE, "peers", "openpyxl_jobs.py"), job,
                                                   inputs, out, str(rows)]))
    if "exceljs" in peers and os.path.isdir(node_modules):
        tools.append(Tool("exceljs", lambda out: ["node", os.path.join(HERE, "peers", "exceljs_jobs.js"), job, inputs,
                                                  out, str(rows)]))
    xlsxwriter = os.path.join(build, "bench", "xlsxwriter_jobs")
    if "xlsxwriter" in peers and os.path.exists(xlsxwriter):
        # constant_memory: libxlsxwriter's streaming mode, its fastest and leanest.
        tools.append(Tool("libxlsxwriter (constant_memory), no template",
                          lambda out: [xlsxwriter, job, inputs, out, str(rows), "constant"]))
    probe = os.path.join(build, "bench", "floor_probe")
    if "floor" in peers and os.path.exists(probe):
        for key, label in (("zlib6", "floor: sheet XML + zlib 6"), ("libdeflate6", "floor: sheet XML + libdeflate 6")):
            tools.append(Tool(label, lambda out: [probe, job, inputs, str(rows)], floor=True, key=key))
    return tools


def output_path(work, job, tool, rows):
    return os.path.join(work, "%s_%s_%d.xlsx" % (job, tool.name.split()[0].strip(":,"), rows))


def measure_job(tools, job, rows, work):
    """Every tool's best run; Tavlora and libxlsxwriter in turns, the others one after another."""
    paired = [tool for tool in tools if tool.name == "tavlora" or tool.name.startswith("libxlsxwriter")]
    best = {}
    if len(paired) == 2:
        for tool, result in zip(paired, measure_in_turns(paired, [output_path(work, job, tool, rows) for tool in paired],
                                                         PAIRED_ROUNDS)):
            best[tool.name] = result
    return best


def run_job(title, job, rows, build, inputs, work, peers):
    print("\n" + title, flush=True)
    results = []
    sizes = {}
    tools = tools_for(job, rows, build, inputs, peers)
    paired = measure_job(tools, job, rows, work)
    for tool in tools:
        out = output_path(work, job, tool, rows)
        result = paired.get(tool.name) or measure(tool, out)
        if not tool.floor:
            check(out, job, rows, inputs)
            sizes[tool.name] = os.path.getsize(out)
        seconds = result[tool.key]
        results.append((tool, seconds, None if tool.floor else result["peak_kb"]))
        print("  %-48s %9.3f s %10s %12s" % (tool.name, seconds,
                                             "-" if tool.floor else "%.1f MiB" % (result["peak_kb"] / 1024),
                                             "" if tool.floor else "%.2f MiB file" % (sizes[tool.name] / 2**20)),
              flush=True)
    return {"title": title, "job": job, "rows": rows, "results": results, "sizes": sizes}


def save_unchanged(build, inputs, work):
    title = "Save unchanged: a workbook with a 4 MB picture and a 24 MB custom XML part, opened and saved"
    print("\n" + title, flush=True)
    source = os.path.join(inputs, "media_workbook.xlsx")
    out = os.path.join(work, "unchanged.xlsx")
    ours = measure(Tool("tavlora", lambda o: [os.path.join(build, "bench", "save_unchanged"), source, o]), out)

    def copy_with_flush(target):
        start = time.monotonic()
        shutil.copyfile(source, target)
        with open(target, "rb") as copied:
            os.fsync(copied.fileno())
        return time.monotonic() - start

    copy_seconds = min(copy_with_flush(os.path.join(work, "copy.xlsx")) for _ in range(3))
    print("  %-48s %9.3f s %10s   (open %.3f s)" % ("tavlora: save", ours["seconds"],
                                                   "%.1f MiB" % (ours["peak_kb"] / 1024), ours["open"]))
    print("  %-48s %9.3f s" % ("floor: copy the file and flush it", copy_seconds))
    return {"title": title, "ours": ours, "copy": copy_seconds}


def ratio_rows(job):
    ours_seconds, ours_kb = job["results"][0][1], job["results"][0][2]
    rows = []
    for tool, seconds, peak_kb in job["results"]:
        speed = "" if tool.name == "tavlora" else "%.1fx" % (seconds / ours_seconds)
        memory = "" if tool.name == "tavlora" or peak_kb is None else "%.2f" % (ours_kb / peak_kb)
        rows.append((tool.name, "%.3f" % seconds, "-" if peak_kb is None else "%.1f" % (peak_kb / 1024), speed, memory)
                    + size_columns(job, tool))
    return rows


def verdicts(jobs, large, unchanged):
    lines = []
    for job in jobs:
        ours = job["results"][0]
        by_name = {tool.name.split()[0].strip(":,"): (seconds, peak) for tool, seconds, peak in job["results"]}
        if job["job"] == "fill_list":
            continue
        tests = []
        if "openpyxl" in by_name:
            speed = by_name["openpyxl"][0] / ours[1]
            memory = ours[2] / by_name["openpyxl"][1]
            tests.append(("%.1fx faster than openpyxl (target 20x)" % speed, speed >= 20))
            tests.append(("memory %.2f of openpyxl's (target 0.20)" % memory, memory <= 0.2))
        if "exceljs" in by_name:
            speed = by_name["exceljs"][0] / ours[1]
            tests.append(("%.1fx faster than exceljs (target 10x)" % speed, speed >= 10))
        if "libxlsxwriter" in by_name:
            speed = by_name["libxlsxwriter"][0] / ours[1]
            tests.append(("%.2fx the speed of libxlsxwriter (target > 1)" % speed, speed > 1))
        lines.append("%s: %s" % (job["short"], "; ".join("%s %s" % (text, "met" if ok else "NOT met")
                                                          for text, ok in tests)))
        if size_verdict(job):
            lines.append(size_verdict(job))
    if large:
        small, big = large
        time_growth = big["results"][0][1] / small["results"][0][1]
        memory_growth = big["results"][0][2] / small["results"][0][2]
        factor = big["rows"] / small["rows"]
        peak_mib = big["results"][0][2] / 1024
        # Linear within measurement noise: no more than 1.3 times the growth of the rows.
        linear = time_growth <= 1.3 * factor and memory_growth <= 1.3 * factor
        lines.append("(c): %dx the rows took %.1fx the time and %.1fx the memory (linear, within 30%%: %s); "
                     "peak %.0f MiB (target under 1024) %s"
                     % (factor, time_growth, memory_growth, "met" if linear else "NOT met", peak_mib,
                        "met" if peak_mib < 1024 else "NOT met"))
    if unchanged:
        lines.append("save unchanged: %.3f s against %.3f s to copy the file (%.1fx); the sheet, styles and "
                     "workbook parts are written from the model, the others copied packed" % (
                         unchanged["ours"]["seconds"], unchanged["copy"], unchanged["ours"]["seconds"] / unchanged["copy"]))
    return lines


def markdown(jobs, unchanged, summary, header, invoice=None, formulas=None, page=None):
    out = [header, ""]
    for job in jobs:
        out += ["**%s**" % job["title"], "",
                "| tool | seconds | peak MiB | Tavlora faster by | Tavlora memory share | file MiB | size / libxlsxwriter's |",
                "|---|---:|---:|---:|---:|---:|---:|"]
        out += ["| %s |" % " | ".join(row) for row in ratio_rows(job)]
        out.append("")
    if invoice:
        out += invoice_table(invoice)
    if unchanged:
        out += ["**%s**" % unchanged["title"], "", "| step | seconds |", "|---|---:|",
                "| Tavlora: open | %.3f |" % unchanged["ours"]["open"],
                "| Tavlora: save | %.3f |" % unchanged["ours"]["seconds"],
                "| floor: copy the file and flush it | %.3f |" % unchanged["copy"], ""]
    if formulas:
        out += ["**%s**" % formulas[0], "", "```"] + [line.strip() for line in formulas[1]] + ["```", ""]
    if page:
        out += ["**%s**" % page[0], "", "```"] + [line.strip() for line in page[1]] + ["```", ""]
    out += ["Targets:", ""] + ["- " + line for line in summary]
    return "\n".join(out) + "\n"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build")
    parser.add_argument("--quick", action="store_true", help="a tenth of the rows, no million-row job")
    parser.add_argument("--markdown", help="also write the tables as Markdown to this file")
    parser.add_argument("--peers", default="openpyxl,exceljs,xlsxwriter,floor")
    args = parser.parse_args()
    peers = set(args.peers.split(",")) if args.peers else set()
    scale = 10 if args.quick else 1
    list_rows, batch_rows, record_rows, large_rows = 100000 // scale, 30000 // scale, 100000 // scale, 1000000

    started = datetime.datetime.now()
    header = "Measured %s on %s." % (started.strftime("%Y-%m-%d %H:%M"), machine())
    print(header, flush=True)
    work = tempfile.mkdtemp(prefix="tavlora-bench-")
    try:
        inputs = os.path.join(work, "inputs")
        os.mkdir(inputs)
        make_inputs.main_with(inputs, record_rows if args.quick else large_rows, batch_rows, record_rows)
        jobs = []
        for short, title, job, rows in (
                ("fill_list", "Fill a 10-column list of %s rows into a template, save", "fill_list", list_rows),
                ("(a)", "(a) Batch list fill: %s records x 10 fields from SQLite into a list template, end mode 2, "
                        "save", "batch", batch_rows),
                ("(b)", "(b) Record table: %s rows x 10 fields from SQLite with title, save", "record", record_rows)):
            result = run_job(title % format(rows, ","), job, rows, args.build, inputs, work, peers)
            result["short"] = short
            jobs.append(result)
        large = None
        if not args.quick:
            result = run_job("(c) Record table: %s rows x 10 fields from SQLite with title, save" % format(large_rows, ","),
                             "record", large_rows, args.build, inputs, work, peers & {"xlsxwriter"})
            result["short"] = "(c)"
            jobs.append(result)
            large = (jobs[2], result)
        unchanged = save_unchanged(args.build, inputs, work)
        invoice = run_invoice_job(args.build, inputs, work, peers, args.quick, run_once)
        formulas = formula_job.run(args.build, list_rows, work)
        odbc = run_odbc_job(args.build, inputs, work, record_rows, run_once, check, PYTHON)
        page = web_page_job.run(args.build, os.path.join(inputs, "sales.db"), record_rows, work)
    finally:
        shutil.rmtree(work, ignore_errors=True)

    summary = verdicts(jobs, large, unchanged) + invoice_verdicts(invoice) + formulas[2] + page[2]
    if odbc:
        summary.append(odbc["verdict"])
    print("\nRatios (Tavlora against each tool; memory share = Tavlora's peak / the tool's peak):")
    for job in jobs:
        print("\n" + job["title"])
        print("  %-48s %9s %9s %10s %8s %9s %6s" % ("tool", "seconds", "peak MiB", "ours x", "mem share", "file MiB",
                                                     "size"))
        for row in ratio_rows(job):
            print("  %-48s %9s %9s %10s %8s %9s %6s" % row)
    print_invoice_ratios(invoice)
    print("\nTargets:")
    for line in summary:
        print("  " + line)
    print("\nTotal %.0f s" % (datetime.datetime.now() - started).total_seconds())
    if args.markdown:
        with open(args.markdown, "w") as out:
            out.write(markdown(jobs, unchanged, summary, header, invoice, formulas, page))
            if odbc:
                out.write(odbc_markdown(odbc))


if __name__ == "__main__":
    main()
