"""Python's own data as recordsets (DB-API cursors, rows of tuples or mappings) and ODBC queries,
read by the fillers into a saved record table.
Usage: PYTHONPATH=<build>/python /usr/bin/python3 python_data_test.py POSTGRES_STATE_DIR"""
import datetime
import decimal
import os
import sqlite3
import sys
import tempfile
import unittest

import openpyxl

import tavlora

STATE_DIR = sys.argv.pop(1) if len(sys.argv) > 1 else ""


def postgres_connection():
    """The test server's ODBC connection string, or None with the reason to skip."""
    path = os.path.join(STATE_DIR, "connection")
    if os.path.exists(path):
        with open(path) as f:
            return f.readline().strip(), ""
    reason = os.path.join(STATE_DIR, "unavailable")
    if os.path.exists(reason):
        with open(reason) as f:
            return None, f.readline().strip()
    return None, "the PostgreSQL test server was not started (tests/support/postgres_server.sh)"


def table_of(recordset):
    """The rows a record table of the recordset holds once saved, header first."""
    job = tavlora.CreateObject("Tavlora.CExcelBatDo")
    assert job.DoBegin()
    writer = tavlora.CreateObject("Tavlora.CExcelOutputRcd")
    writer.CurBatObj = job
    assert writer.DoA_RcdRst("Rows", recordset), tavlora.last_failure()
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, "rows.xlsx")
        assert job.DoEnd(path)
        sheet = openpyxl.load_workbook(path)["Rows"]
        return [list(row) for row in sheet.iter_rows(values_only=True)]


def values_of(recordset):
    """Every row of the recordset as Python values, read through the automation members."""
    rows = []
    while not recordset.EOF:
        fields = recordset.Fields
        rows.append([fields.Item(i).Value for i in range(fields.Count)])
        recordset.MoveNext()
    return rows


class CountingCursor:
    """A DB-API cursor that records how it is read."""

    def __init__(self, rows):
        self.description = [("n", None, None, None, None, None, None), ("label",) + (None,) * 6]
        self.rows = list(rows)
        self.fetches = []

    def fetchmany(self, size):
        self.fetches.append(size)
        block, self.rows = self.rows[:size], self.rows[size:]
        return block

    def fetchall(self):
        raise AssertionError("the whole result was copied")


class PythonDataTest(unittest.TestCase):
    def test_rows_of_tuples_and_of_mappings_fill_a_table(self):
        rows = [(1, "Äpfel", 2.5, None), {"id": 2, "name": "Birnen", "price": decimal.Decimal("1.25"), "day": None}]
        rst = tavlora.Recordset.from_rows(["id", "name", "price", "day"], rows)
        self.assertEqual(table_of(rst), [["id", "name", "price", "day"], [1, "Äpfel", 2.5, None],
                                         [2, "Birnen", 1.25, None]])

    def test_python_values_map_as_sql_values_do(self):
        day = datetime.date(2024, 2, 29)
        rst = tavlora.Recordset.from_rows(
            ["v"], [(None,), (True,), (2**40,), (decimal.Decimal("0.00001"),), (decimal.Decimal("12.5"),),
                    (datetime.datetime(2024, 2, 29, 12, 0),), (day,), (datetime.time(6, 0),), (b"ab\xff",),
                    (2**70,)])
        self.assertEqual(values_of(rst), [[None], [True], [2**40], [0.00001], [12.5], [45351.5], [45351.0], [0.25],
                                          ["ab\ufffd"], [float(2**70)]])

    def test_a_cursor_is_read_a_block_at_a_time(self):
        cursor = CountingCursor((i, "row %d" % i) for i in range(2500))
        rst = tavlora.Recordset.from_cursor(cursor, block_rows=1000)
        self.assertEqual(cursor.fetches, [1000], "only the first block is read on opening")
        rows = values_of(rst)
        self.assertEqual(len(rows), 2500)
        self.assertEqual(rows[1234], [1234, "row 1234"])
        self.assertEqual(cursor.fetches, [1000, 1000, 1000, 1000])

    def test_sqlite3_cursor(self):
        db = sqlite3.connect(":memory:")
        db.execute("CREATE TABLE t(id INTEGER, name TEXT, amount REAL)")
        db.executemany("INSERT INTO t VALUES (?, ?, ?)", [(i, "n%d" % i, i / 2) for i in range(1, 2001)] +
                       [(None, None, None)])
        cursor = db.execute("SELECT id, name, amount FROM t ORDER BY id IS NOT NULL, id")
        table = table_of(tavlora.Recordset.from_cursor(cursor, block_rows=64))
        self.assertEqual(table[0], ["id", "name", "amount"])
        self.assertEqual(len(table), 2002)
        self.assertEqual(table[1], [None, None, None])
        self.assertEqual(table[2001], [2000, "n2000", 1000])

    def test_bad_rows_and_cursors_are_refused_clearly(self):
        with self.assertRaisesRegex(tavlora.Error, "row 2 has 1 values for 2 fields"):
            values_of(tavlora.Recordset.from_rows(["a", "b"], [(1, 2), (3,)]))
        with self.assertRaisesRegex(tavlora.Error, "row 1 has no value for the field 'b'"):
            tavlora.Recordset.from_rows(["a", "b"], [{"a": 1, "B ": 2}])
        with self.assertRaisesRegex(ValueError, "execute"):
            tavlora.Recordset.from_cursor(sqlite3.connect(":memory:").cursor())

        class Broken(CountingCursor):
            def fetchmany(self, size):
                if self.fetches:
                    raise RuntimeError("connection lost")
                return super().fetchmany(size)

        rst = tavlora.Recordset.from_cursor(Broken([(1, "a"), (2, "b")]), block_rows=1)
        with self.assertRaisesRegex(tavlora.Error, "connection lost"):
            values_of(rst)

    def test_odbc_and_psycopg2_read_the_same_server_rows(self):
        connection, reason = postgres_connection()
        if connection is None:
            self.skipTest("no PostgreSQL test server: " + reason)
        query = ("SELECT g AS n, 'zeile ' || g || ' ü' AS label, (g * 0.25)::numeric(10, 2) AS amount, "
                 "DATE '2024-01-01' + g AS day, g % 3 = 0 AS third FROM generate_series(1, 3000) g")
        from_odbc = table_of(tavlora.OdbcRecordset(connection, query))
        import psycopg2
        settings = dict(part.split("=", 1) for part in connection.split(";") if "=" in part)
        db = psycopg2.connect(host=settings["Server"], port=settings["Port"], dbname=settings["Database"],
                              user=settings["Uid"], password=settings["Pwd"])
        try:
            cursor = db.cursor()
            cursor.execute(query)
            from_cursor = table_of(tavlora.Recordset.from_cursor(cursor))
        finally:
            db.close()
        self.assertEqual(len(from_odbc), 3001)
        # A record table shows a Date as its day number (45293 is 2024-01-02).
        self.assertEqual(from_odbc[1], [1, "zeile 1 ü", 0.25, 45293, False])
        self.assertEqual(from_odbc, from_cursor)
        with self.assertRaisesRegex(tavlora.Error, "42P01"):
            tavlora.OdbcRecordset(connection, "SELECT * FROM no_such_table")


if __name__ == "__main__":
    unittest.main()
