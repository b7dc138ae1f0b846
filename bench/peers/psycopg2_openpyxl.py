"""The record-table job of openpyxl_jobs.py with its rows from PostgreSQL through psycopg2, as a
Python program that has its data in a server would write it.
Usage: psycopg2_openpyxl.py HOST PORT DATABASE USER PASSWORD OUT ROWS"""
import json
import sys
import time

import psycopg2

import openpyxl_jobs


def main():
    host, port, database, user, password, out, rows = sys.argv[1:8]
    start = time.monotonic()
    db = psycopg2.connect(host=host, port=port, dbname=database, user=user, password=password)
    try:
        def records(inputs, count):
            cursor = db.cursor()
            cursor.execute("SELECT * FROM sales ORDER BY id LIMIT %s", (count,))
            return [d[0] for d in cursor.description], cursor

        openpyxl_jobs.records = records
        openpyxl_jobs.record(None, out, int(rows))
    finally:
        db.close()
    print(json.dumps({"seconds": round(time.monotonic() - start, 4)}))


if __name__ == "__main__":
    main()
