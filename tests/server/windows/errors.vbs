' Failures as a script sees them through Tavlora.dll: a false result, errors raised with their number
' and description (the library's own, and one the caller's recordset raised while it was read), and a
' type mismatch for an object that is no recordset. Prints one line per case: NAME|NUMBER|DESCRIPTION.
' Usage: cscript //nologo errors.vbs TEMPLATE OUTDIR
Option Explicit

Class BrokenFields
    Public Property Get Count
        Err.Raise vbObjectError + 77, "BrokenFields", "the fields cannot be counted"
    End Property
End Class

Class BrokenRecordset
    Public Property Get EOF
        EOF = False
    End Property
    Public Sub MoveNext
    End Sub
    Public Property Get Fields
        Set Fields = New BrokenFields
    End Property
End Class

Sub Report(name)
    WScript.Echo name & "|" & Err.Number & "|" & Err.Description
    Err.Clear
End Sub

Dim job, cover, workbook, result
Set job = CreateObject("Tavlora.CExcelBatDo")
WScript.Echo "missing-file|" & CStr(job.DoBegin(WScript.Arguments(1) & "\no such file.xlsx"))

workbook = WScript.Arguments(1) & "\errors.xlsx"
If Not job.DoCopy(WScript.Arguments(0), workbook) Then WScript.Quit 3
If Not job.DoBegin(workbook) Then WScript.Quit 4
Set cover = CreateObject("Tavlora.CExcelTmplPrintOne")
Set cover.CurBatObj = job
If Not cover.DoA_Begin("Cover") Then WScript.Quit 5

On Error Resume Next
result = cover.DoA_OutputString(0, 1, "x")
Report "row-zero"
result = cover.DoA_ReplaceRst(New BrokenRecordset)
Report "recordset-error"
result = cover.DoA_ReplaceRst(CreateObject("Scripting.Dictionary"))
Report "not-a-recordset"
cover.NoSuchMember
Report "unknown-member"
On Error GoTo 0

cover.DoA_End
job.DoEnd
