"""The record table from a database server: 100,000 rows x 10 fields read from PostgreSQL through
ODBC, against the same job reading the SQLite file and against psycopg2 + openpyxl, in one run.
Target: fetching through ODBC adds at most 50% to the SQLite job's time.

The server is private to the run (tests/support/postgres_server.sh) and holds the rows of the
SQLite input with the same column types, so every output has the same cells."""
import os
import sqlite3
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
SERVER_SCRIPT = os.path.join(HERE, "..", "tests", "support", "postgres_server.sh")
TARGET = 1.5


def connection_settings(connection):
    return dict(part.split("=", 1) for part in connection.split(";") if "=" in part)


def load_server(settings, sqlite_file, rows):
    import psycopg2
    source = sqlite3.connect(sqlite_file)
    db = psycopg2.connect(host=settings["Server"], port=settings["Port"], dbname=settings["Database"],
                          user=settings["Uid"], password=settings["Pwd"])
    try:
        cursor = db.cursor()
        cursor.execute("DROP TABLE IF EXISTS sales")
        cursor.execute("CREATE TABLE sales (id integer PRIMARY KEY, customer text, region text, product text, "
                       "qty integer, price double precision, amount double precision, day text, code text, "
                       "note text)")
        records = source.execute("SELECT * FROM sales ORDER BY id LIMIT ?", (rows,)).fetchall()
        cursor.executemany("INSERT INTO sales VALUES (%s,%s,%s,%s,%s,%s,%s,%s,%s,%s)", records)
        db.commit()
    finally:
        db.close()
        source.close()


def tools(build, inputs, connection, settings, rows, python):
    sqlite_file = os.path.join(inputs, "sales.db")
    return [
        ("tavlora, SQLite file", lambda out: [os.path.join(build, "bench", "record_table"), sqlite_file, out, str(rows)]),
        ("tavlora, PostgreSQL through ODBC",
         lambda out: [os.path.join(build, "bench", "odbc_record_table"), connection, out, str(rows)]),
        ("psycopg2 + openpyxl", lambda out: [python, os.path.join(HERE, "peers", "psycopg2_openpyxl.py"),
                                             settings["Server"], settings["Port"], settings["Database"],
                                             settings["Uid"], settings["Pwd"], out, str(rows)]),
    ]


def run_odbc_job(build, inputs, work, rows, run_once, check, python=sys.executable):
    """Runs the three tools; answers the job's table rows and its verdict line, or None (with the
    reason printed) when no server can be started here."""
    title = "(d) Record table: %s rows x 10 fields from PostgreSQL through ODBC, save" % format(rows, ",")
    print("\n" + title, flush=True)
    state = os.path.join(work, "postgres")
    subprocess.run(["bash", SERVER_SCRIPT, "start", state], check=True, stdout=subprocess.DEVNULL)
    # The server's private driver registration: the system's may log every connection to a file.
    saved_sysini = os.environ.get("ODBCSYSINI")
    os.environ["ODBCSYSINI"] = state
    try:
        if not os.path.exists(os.path.join(state, "connection")):
            print("  skipped: " + open(os.path.join(state, "unavailable")).read().strip(), flush=True)
            return None
        connection = open(os.path.join(state, "connection")).read().strip()
        settings = connection_settings(connection)
        load_server(settings, os.path.join(inputs, "sales.db"), rows)
        results = []
        for name, command in tools(build, inputs, connection, settings, rows, python):
            out = os.path.join(work, "odbc_%s.xlsx" % name.split(",")[0].split()[0])
            best = None
            for _ in range(3):
                if os.path.exists(out):
                    os.remove(out)
                result = run_once(command(out))
                best = result if best is None or result["seconds"] < best["seconds"] else best
            check(out, "record", rows, inputs)
            results.append((name, best["seconds"], best["peak_kb"]))
            print("  %-48s %9.3f s %10.1f MiB" % (name, best["seconds"], best["peak_kb"] / 1024), flush=True)
    finally:
        subprocess.run(["bash", SERVER_SCRIPT, "stop", state], check=False)
        if saved_sysini is None:
            os.environ.pop("ODBCSYSINI", None)
        else:
            os.environ["ODBCSYSINI"] = saved_sysini
    sqlite_seconds, odbc_seconds, peer_seconds = (r[1] for r in results)
    ratio = odbc_seconds / sqlite_seconds
    verdict = "%s (d) ODBC record table: %.2fx the SQLite job's time (target <= %.1fx); psycopg2 + openpyxl %.2fx" % (
        "PASS" if ratio <= TARGET else "FAIL", ratio, TARGET, peer_seconds / odbc_seconds)
    return {"title": title, "results": results, "verdict": verdict}


def markdown(job):
    lines = ["", job["title"] + ":", "", "| tool | seconds | peak MiB | vs SQLite |", "|---|---:|---:|---:|"]
    base = job["results"][0][1]
    for name, seconds, peak in job["results"]:
        lines.append("| %s | %.3f | %.1f | %.2fx |" % (name, seconds, peak / 1024, seconds / base))
    return "\n".join(lines) + "\n"
