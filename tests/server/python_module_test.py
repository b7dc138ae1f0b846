"""The Python module: late-bound members, keyword arguments, data sources and errors.
Usage: PYTHONPATH=<build>/python /usr/bin/python3 python_module_test.py EXAMPLE_DIR"""
import os
import pydoc
import sys
import tempfile
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


if __name__ == "__main__":
    unittest.main()
