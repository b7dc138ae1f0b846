"""The Python module: late-bound members, keyword arguments, data sources and errors.
Usage: PYTHONPATH=<build>/python /usr/bin/python3 python_module_test.py EXAMPLE_DIR"""
import os
import pydoc
import sys
import tempfile
import threading
import traceback
import unittest

import tavlora

EXAMPLE_DIR = sys.argv.pop(1) if len(sys.argv) > 1 else "."


class PythonModuleTest(unittest.TestCase):
    def test_members_by_name_with_defaults_and_keywords(self):
        job = tavlora.CreateObject("Tavlora.CExcelBatDo")
        self.assertTrue(job.IsDelUnUse)
        job.IsDelUnUse = False
        self.assertFalse(job.isdelunuse)  # names ignore letter case
        self.assertFalse(job.DoCopy())  # both names omitted
        with tempfile.TemporaryDirectory() as folder:
            target = os.path.join(folder, "out.xlsx")
            self.assertTrue(job.DoCopy(strDest=target, strFile=os.path.join(EXAMPLE_DIR, "template.xlsx")))
            self.assertTrue(job.DoBegin(target))
            workbook = job.CurWk
            self.assertIsNotNone(workbook)
            filler = tavlora.CreateObject("{95121B01-90B4-4BEC-90A9-2C04E50D6882}")
            filler.CurBatObj = job
            self.assertEqual(filler.CurWk, workbook)
            self.assertTrue(filler.DoA_Begin("Cover"))
            self.assertTrue(filler.DoA_ReplaceA("Company", "Acme"))
            self.assertEqual(filler.DoA_End(), 5)
            self.assertTrue(job.DoEnd())
            self.assertIsNone(job.CurWk)

    def test_help_shows_the_reference_entry_of_a_member(self):
        job = tavlora.CreateObject("Tavlora.CExcelBatDo")
        text = pydoc.render_doc(job.DoEnd, renderer=pydoc.plaintext)
        self.assertIn("DoEnd(strFile = \"\", bDispExcel = False, bHtmlFormat = False) -> Boolean", text)
        self.assertIn("bHtmlFormat (Boolean, optional, default False): True saves a web page", text)
        self.assertIn("On failure: False when the save fails", text)
        chart = tavlora.CreateObject("Tavlora.CExcelChart")
        self.assertTrue(chart.DoA_Chart.__doc__.startswith("DoA_Chart(strSheet, eChartType = 0, strChart = \"\")"))

    def test_recordsets_from_sqlite_and_from_rows(self):
        rst = tavlora.SqliteRecordset(os.path.join(EXAMPLE_DIR, "sales.db"), "SELECT Month, Sales FROM monthly")
        self.assertEqual(rst.Fields.Count, 2)
        self.assertEqual(rst.Fields.Item(0).Name, "Month")
        self.assertEqual(rst.Fields.Item("sales").Value, 14200.0)
        rows = tavlora.MemoryRecordset(["ID", "Name"], [(1, "Ann"), (2, None)])
        self.assertEqual(rows.Fields.Item("Name").Value, "Ann")
        rows.MoveNext()
        self.assertIsNone(rows.Fields.Item("Name").Value)
        rows.MoveNext()
        self.assertTrue(rows.EOF)

    def test_none_in_memory_rows_is_null_to_the_list_filler(self):
        # The list filler tells the two apart: a Null field ends its record, whose row the next
        # record then takes, while an empty value only empties its cell.
        import openpyxl
        with tempfile.TemporaryDirectory() as folder:
            template = os.path.join(folder, "list.xlsx")
            book = openpyxl.Workbook()
            book.active.title = "List"
            for address, value in (("A2", "2"), ("A3", "3"), ("B1", "CODE"), ("C1", "NAME")):
                book.active[address] = value
            book.save(template)
            target = os.path.join(folder, "out.xlsx")
            job = tavlora.CreateObject("Tavlora.CExcelBatDo")
            self.assertTrue(job.DoCopy(strFile=template, strDest=target))
            self.assertTrue(job.DoBegin(target))
            filler = tavlora.CreateObject("Tavlora.CExcelTmplPrintBat")
            filler.CurBatObj = job
            self.assertTrue(filler.DoA_Begin("List"))
            rows = tavlora.MemoryRecordset(["CODE", "NAME"], [(1, "Ann"), (2, None), (3, ""), (4, "Dee")])
            self.assertTrue(filler.DoA_OutputRst(rows))
            self.assertTrue(job.DoEnd())
            sheet = openpyxl.load_workbook(target)["List"]
            self.assertEqual([sheet["B%d" % row].value for row in range(3, 7)], [1, 3, 4, None])
            self.assertEqual([sheet["C%d" % row].value for row in range(3, 7)], ["Ann", None, "Dee", None])

    def test_xml_documents_and_node_lists(self):
        document = tavlora.XmlDocument(os.path.join(EXAMPLE_DIR, "regions.xml"))
        nodes = document.documentElement.selectNodes("region")
        self.assertEqual(nodes.length, 3)
        self.assertEqual(nodes.item(1).getAttribute("Manager"), "Kenji Sato")
        self.assertIsNone(nodes.item(1).getAttribute("manager"))

    def test_failures_raise_with_the_hresult(self):
        with self.assertRaises(tavlora.Error) as caught:
            tavlora.CreateObject("Tavlora.Missing")
        self.assertEqual(caught.exception.hresult, 0x80040154)
        job = tavlora.CreateObject("Tavlora.CExcelBatDo")
        with self.assertRaises(tavlora.Error) as caught:
            job.DoAddSheet()  # the name is required
        self.assertEqual(caught.exception.hresult, 0x8002000F)
        with self.assertRaises(AttributeError):
            job.NoSuchMember
        with self.assertRaises(tavlora.Error):
            tavlora.SqliteRecordset(os.path.join(EXAMPLE_DIR, "missing.db"), "SELECT 1")
        with self.assertRaises(TypeError):
            job.DoBegin(bNoSuchArgument=True)

    def test_deeply_nested_lists_raise_type_error(self):
        deep = []
        for _ in range(30000):
            deep = [deep]
        looped = []
        looped.append(looped)
        job = tavlora.CreateObject("Tavlora.CExcelBatDo")
        for value in (deep, looped):
            with self.assertRaises(TypeError):
                job.DoAddSheet(value)
            with self.assertRaises(TypeError):
                tavlora.MemoryRecordset(["a"], [[value]])
        shallow = [[[1, 2], [3]]]
        rows = tavlora.MemoryRecordset(["a"], [shallow])
        self.assertEqual(rows.Fields.Item("a").Value, shallow[0])


class FailureReasonTest(unittest.TestCase):
    def test_last_failure_names_the_member_and_the_cause(self):
        tavlora.clear_last_failure()
        self.assertEqual(tavlora.last_failure(), "")
        with tempfile.TemporaryDirectory() as folder:
            fake = os.path.join(folder, "fake.xlsx")
            with open(fake, "w") as out:
                out.write("not a workbook")
            job = tavlora.CreateObject("Tavlora.CExcelBatDo")
            self.assertFalse(job.DoBegin(fake))
            self.assertEqual(tavlora.last_failure(),
                             'DoBegin("%s"): \'%s\' is not an Office Open XML workbook: it is not a zip archive'
                             % (fake, fake))
            logged = []
            tavlora.set_failure_log(logged.append)
            try:
                self.assertFalse(job.DoEnd())
            finally:
                tavlora.set_failure_log(None)
            self.assertEqual(logged, ['DoEnd(""): no workbook is open (DoBegin did not succeed)'])

    def test_an_unknown_chart_type_is_reported_not_silently_drawn(self):
        with tempfile.TemporaryDirectory() as folder:
            target = os.path.join(folder, "out.xlsx")
            job = tavlora.CreateObject("Tavlora.CExcelBatDo")
            self.assertTrue(job.DoCopy(os.path.join(EXAMPLE_DIR, "template.xlsx"), target))
            self.assertTrue(job.DoBegin(target))
            chart = tavlora.CreateObject("Tavlora.CExcelChart")
            chart.CurBatObj = job
            chart.oSetSeriesCount(1)
            chart.oSetSeriesName(0, "Sales")
            chart.oSetSeriesValue(0, [1, 2, 3])
            tavlora.clear_last_failure()
            self.assertTrue(chart.DoA_Chart("Figures", tavlora.xlLine))
            self.assertEqual(tavlora.last_failure(), "")
            self.assertTrue(chart.DoA_Chart("Figures", 12345))
            self.assertIn("the chart type 12345 was refused", tavlora.last_failure())
            job.DoEnd()


class PythonFaceTest(unittest.TestCase):
    def test_error_is_reported_as_tavlora_error(self):
        self.assertEqual(tavlora.Error.__module__, "tavlora")
        try:
            tavlora.CreateObject("Tavlora.Missing")
        except tavlora.Error:
            shown = traceback.format_exc()
        self.assertIn("tavlora.Error:", shown)
        self.assertNotIn("_frozen_importlib", shown)

    def test_named_constants(self):
        self.assertEqual((tavlora.xlColumnClustered, tavlora.xlPie, tavlora.xl3DPie), (51, 5, -4102))
        self.assertEqual((tavlora.xlDataLabelsShowNone, tavlora.xlDataLabelsShowValue), (-4142, 2))
        self.assertEqual((tavlora.xlRows, tavlora.xlColumns), (1, 2))
        self.assertEqual((tavlora.ePosType_No, tavlora.ePosType_RowCol, tavlora.ePosType_A1), (0, 1, 2))
        self.assertEqual((tavlora.WhiteMode_HeaderRows, tavlora.ClearWhite_Delete, tavlora.EndMode_Keep), (0, 2, 0))

    def test_other_threads_run_while_a_member_runs(self):
        rows = [(i, "name %d" % i, i * 1.5) for i in range(20000)]
        job = tavlora.CreateObject("Tavlora.CExcelBatDo")
        self.assertTrue(job.DoBegin())
        writer = tavlora.CreateObject("Tavlora.CExcelOutputRcd")
        writer.CurBatObj = job
        counted = [0]
        stop = threading.Event()

        def count():
            while not stop.is_set():
                counted[0] += 1

        counter = threading.Thread(target=count)
        counter.start()
        recordset = tavlora.MemoryRecordset(["ID", "Name", "Amount"], rows)
        try:
            before = counted[0]
            self.assertTrue(writer.DoA_RcdRst("Rows", recordset))
            during = counted[0] - before
        finally:
            stop.set()
            counter.join()
        # Holding the lock through the call would leave the counting thread no turn at all.
        self.assertGreater(during, 1000)
        with tempfile.TemporaryDirectory() as folder:
            self.assertTrue(job.DoEnd(os.path.join(folder, "rows.xlsx")))


if __name__ == "__main__":
    unittest.main()
