"""Checks the example report's web page as headless Chromium shows it: nothing the page's content
security policy refuses, the list's total and the record table's rows shown, the chart drawn with
both series and a value label on every column.
Usage: /usr/bin/python3 check_example_page.py sales_report.html"""
import json
import os
import re
import subprocess
import sys
import tempfile
import urllib.parse

BROWSER = "/usr/bin/chromium"
# Appended to a copy of the page without its policy: what the browser laid out, URI-encoded.
PROBE = """<script>
(function () {
  const out = {cells: {}, charts: []};
  for (const td of document.querySelectorAll('table.sheet td'))
    if (td.textContent) out.cells[td.textContent] = getComputedStyle(td).textAlign;
  for (const svg of document.querySelectorAll('svg'))
    out.charts.push({series: Array.from(svg.querySelectorAll('g.series'), (g) => g.querySelectorAll('rect').length),
                     labels: Array.from(svg.querySelectorAll('g.labels text'), (t) => t.textContent)});
  const pre = document.createElement('pre');
  pre.id = 'probe';
  pre.textContent = encodeURIComponent(JSON.stringify(out));
  document.body.appendChild(pre);
})();
</script>"""


def check(condition, message):
    if not condition:
        sys.exit("example page: " + message)


def browse(page, work, *args):
    argv = [BROWSER, "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
            "--disable-background-networking", "--disable-component-update", "--disable-sync",
            "--user-data-dir=" + tempfile.mkdtemp(dir=work), "--enable-logging=stderr", "--v=0", *args,
            "file://" + os.path.abspath(page)]
    return subprocess.run(argv, capture_output=True, text=True, timeout=120)


def main(page):
    check(os.path.exists(BROWSER), "Chromium is missing: run scripts/install-deps")
    with tempfile.TemporaryDirectory() as work:
        run = browse(page, work, "--dump-dom")
        check("<svg" in run.stdout, "the browser did not load the page: " + run.stderr[-2000:])
        complaints = [line for line in run.stderr.splitlines() if "Content Security Policy" in line]
        check(not complaints, "the policy refused something:\n" + "\n".join(complaints))

        html = open(page, encoding="utf-8").read()
        html = re.sub(r'<meta http-equiv="Content-Security-Policy"[^>]*>', "", html)
        probed = os.path.join(work, "probed.html")
        with open(probed, "w", encoding="utf-8") as out:
            out.write(html.replace("</body>", PROBE + "</body>"))
        dom = browse(probed, work, "--dump-dom").stdout
        found = re.search(r'<pre id="probe">([^<]*)</pre>', dom)
        check(found, "the probe did not run")
        laid = json.loads(urllib.parse.unquote(found.group(1)))

    cells = laid["cells"]
    check(cells.get("9,668.80 EUR") == "right", "the list's total shows as %r" % cells.get("9,668.80 EUR"))
    for name in ("Kenji Sato", "Nordlicht Handel GmbH", "Orders of the quarter"):
        check(name in cells, "%r is not on the page" % name)
    check(len(laid["charts"]) == 1, "%d charts drawn" % len(laid["charts"]))
    chart = laid["charts"][0]
    check(chart["series"] == [3, 3], "the chart's series draw %s columns" % chart["series"])
    check(sorted(chart["labels"]) == sorted(["14200", "15350.5", "18660", "9100", "9800", "11240"]),
          "the chart's labels are %s" % chart["labels"])
    print("example page ok")


main(sys.argv[1])
