"""Two reports built at once from two Python threads, against the same two built one after the
other: the module releases the interpreter lock while a member runs, so on two cores the pair
should take little more than one report. Prints both times and the ratio; asserts nothing.
Usage: PYTHONPATH=build/release/python /usr/bin/python3 bench/python_threads.py [ROWS]"""
import os
import sqlite3
import sys
import tempfile
import threading
import time

import tavlora


def make_database(path, rows):
    with sqlite3.connect(path) as db:
        db.execute("CREATE TABLE orders (id INTEGER, customer TEXT, region TEXT, amount REAL, day TEXT)")
        db.executemany("INSERT INTO orders VALUES (?, ?, ?, ?, ?)",
                       ((i, "Customer %d" % (i % 977), "Region %d" % (i % 7), i * 1.25, "2026-12-%02d" % (i % 28 + 1))
                        for i in range(rows)))


def build_report(database, target):
    job = tavlora.CreateObject("Tavlora.CExcelBatDo")
    if not job.DoBegin():
        raise SystemExit(tavlora.last_failure())
    writer = tavlora.CreateObject("Tavlora.CExcelOutputRcd")
    writer.CurBatObj = job
    if not writer.DoA_RcdRst("Orders", tavlora.SqliteRecordset(database, "SELECT * FROM orders")):
        raise SystemExit(tavlora.last_failure())
    if not job.DoEnd(target):
        raise SystemExit(tavlora.last_failure())


def main():
    rows = int(sys.argv[1]) if len(sys.argv) > 1 else 100000
    with tempfile.TemporaryDirectory() as folder:
        database = os.path.join(folder, "orders.db")
        make_database(database, rows)
        targets = [os.path.join(folder, "report%d.xlsx" % i) for i in range(2)]
        build_report(database, targets[0])  # warm the file cache

        start, cpu = time.perf_counter(), time.process_time()
        for target in targets:
            build_report(database, target)
        sequential, sequential_cpu = time.perf_counter() - start, time.process_time() - cpu

        start, cpu = time.perf_counter(), time.process_time()
        threads = [threading.Thread(target=build_report, args=(database, target)) for target in targets]
        for thread in threads:
            thread.start()
        for thread in threads:
            thread.join()
        parallel, parallel_cpu = time.perf_counter() - start, time.process_time() - cpu
    # CPU seconds over wall seconds: near 2 when both threads ran at once, near 1 when they took turns
    # (or when other processes left only one core free: compare with the load average).
    print("two reports of %d rows: one after the other %.3f s (%.2f cores busy), on two threads %.3f s "
          "(%.2f cores busy), speed-up %.2fx; %d cores, load average %.1f"
          % (rows, sequential, sequential_cpu / sequential, parallel, parallel_cpu / parallel, sequential / parallel,
             os.cpu_count(), os.getloadavg()[0]))


if __name__ == "__main__":
    main()
