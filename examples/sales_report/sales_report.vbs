' The example report driven from VBScript through Tavlora.dll: objects created by ProgID, members
' reached by name only. The data comes from recordsets written in this script (TableRecordset), each
' read from a table file: UTF-16 text, tab-separated, the field names on the first line, the kinds
' (S text, I whole number, N number) on the second, then the records.
'
' Usage: cscript //nologo sales_report.vbs TEMPLATE DATAFOLDER XMLFILE OUTDIR
Option Explicit

Class TableField
    Public Name
    Public Value
End Class

Class TableFields
    Private items
    Public Sub Init(list)
        items = list
    End Sub
    Public Property Get Count
        Count = UBound(items) + 1
    End Property
    Public Default Function Item(key)
        Dim i
        If VarType(key) = vbString Then
            For i = 0 To UBound(items)
                If LCase(items(i).Name) = LCase(key) Then
                    Set Item = items(i)
                    Exit Function
                End If
            Next
            Err.Raise 3265, "TableRecordset", "Item cannot be found in the collection: " & key
        End If
        Set Item = items(key)
    End Function
End Class

Class TableRecordset
    Private rows
    Private kinds
    Private position
    Private fieldList
    Private theFields

    Public Sub Load(path)
        Dim fso, stream, names, i, field, line
        Set fso = CreateObject("Scripting.FileSystemObject")
        Set stream = fso.OpenTextFile(path, 1, False, -1)
        names = Split(stream.ReadLine, vbTab)
        kinds = Split(stream.ReadLine, vbTab)
        rows = Array()
        Do While Not stream.AtEndOfStream
            line = stream.ReadLine
            If Len(line) > 0 Then
                ReDim Preserve rows(UBound(rows) + 1)
                rows(UBound(rows)) = Split(line, vbTab)
            End If
        Loop
        stream.Close
        ReDim fieldList(UBound(names))
        For i = 0 To UBound(names)
            Set field = New TableField
            field.Name = names(i)
            Set fieldList(i) = field
        Next
        Set theFields = New TableFields
        theFields.Init fieldList
        position = 0
        Show
    End Sub

    Public Property Get EOF
        EOF = position > UBound(rows)
    End Property

    Public Sub MoveNext
        If EOF Then Err.Raise 3021, "TableRecordset", "Either BOF or EOF is True"
        position = position + 1
        Show
    End Sub

    Public Property Get Fields
        Set Fields = theFields
    End Property

    ' The fields hold the values of the current record, typed by their kinds.
    Private Sub Show
        Dim i
        For i = 0 To UBound(fieldList)
            If EOF Then
                fieldList(i).Value = Null
            Else
                fieldList(i).Value = Typed(rows(position)(i), kinds(i))
            End If
        Next
    End Sub
End Class

' The files write numbers with a point; CDbl reads them with the decimal sign of the user's locale.
Function Typed(text, kind)
    Dim point
    point = Mid(CStr(1.5), 2, 1)
    Select Case kind
        Case "I": Typed = CLng(text)
        Case "N": Typed = CDbl(Replace(text, ".", point))
        Case Else: Typed = text
    End Select
End Function

Function NumberText(value)
    If VarType(value) = vbString Then
        NumberText = value
    Else
        NumberText = Replace(CStr(value), Mid(CStr(1.5), 2, 1), ".")
    End If
End Function

Function OpenTable(folder, name)
    Dim table
    Set table = New TableRecordset
    table.Load folder & "\" & name & ".tsv"
    Set OpenTable = table
End Function

Function FillCover(job, data)
    Dim cover, company
    Set cover = CreateObject("Tavlora.CExcelTmplPrintOne")
    Set cover.CurBatObj = job
    FillCover = False
    If Not cover.DoA_Begin("Cover") Then Exit Function
    Set company = OpenTable(data, "company")
    cover.DoA_ReplaceRst company
    cover.DoA_ReplaceA "Author", "Reporting team"
    cover.DoA_End
    FillCover = True
End Function

Function FillOrders(job, data)
    Dim list, orders, ok
    Set list = CreateObject("Tavlora.CExcelTmplPrintBat")
    Set list.CurBatObj = job
    FillOrders = False
    If Not list.DoA_Begin("Orders", True) Then Exit Function
    Set orders = OpenTable(data, "order_list")
    ok = list.DoA_OutputRst(orders)
    list.DoA_ReplaceWhiteDot "ListTitle", "Orders of the quarter"
    FillOrders = list.DoA_End() And ok
End Function

Function FillRegions(job, xmlFile)
    Dim table
    Set table = CreateObject("Tavlora.CExcelOutputRcd")
    Set table.CurBatObj = job
    table.IsTitle = True
    table.Title = "Regions"
    table.xmlWay = 0
    FillRegions = table.DoA_RcdXml("Regions", xmlFile, "region")
End Function

Function DrawChart(job, data)
    Dim chart, monthly, headerRow, row, lastRow, months, i, captions
    Set chart = CreateObject("Tavlora.CExcelChart")
    Set chart.CurBatObj = job
    chart.DoA_ReplaceWhiteDot "ChartCaption", "Monthly sales and cost", "Chart"
    headerRow = 3
    captions = Array("Month", "Sales", "Cost")
    For i = 0 To 2
        chart.DoA_OutputString headerRow, i + 1, captions(i), "Chart"
    Next
    Set monthly = OpenTable(data, "monthly")
    row = headerRow + 1
    Do While Not monthly.EOF
        For i = 0 To 2
            chart.DoA_OutputString row, i + 1, NumberText(monthly.Fields.Item(i).Value), "Chart"
        Next
        monthly.MoveNext
        row = row + 1
    Loop
    lastRow = row - 1
    months = lastRow - headerRow

    chart.oSetRange_Sheet "Chart"
    chart.oSetSeriesCount 2
    chart.oSetGroupCount months
    For i = 0 To 1
        chart.oSetSeriesName_Range i, headerRow, i + 2, ""
        chart.oSetSeriesValue_Range i, headerRow + 1, i + 2, lastRow, i + 2, ""
    Next
    For i = 0 To months - 1
        chart.oSetGroupName_Range i, headerRow + 1 + i, 1, ""
    Next
    DrawChart = False
    If Not chart.DoA_Chart("Chart", 51, "MonthlySales") Then Exit Function
    chart.DoA_SetStyle 2, False, True, False
    chart.DoA_SetTitle "Sales and cost, Q1 2026"
    DrawChart = True
End Function

' The first part that failed, or "" when all were filled.
Function FillReport(job, data, xmlFile)
    FillReport = ""
    If Not FillCover(job, data) Then
        FillReport = "the cover sheet could not be filled"
    ElseIf Not FillOrders(job, data) Then
        FillReport = "the order list could not be filled"
    ElseIf Not FillRegions(job, xmlFile) Then
        FillReport = "the region table could not be written"
    ElseIf Not DrawChart(job, data) Then
        FillReport = "the chart could not be drawn"
    End If
End Function

Sub Main
    Dim args, template, data, xmlFile, workbook, job, failure, fso
    Set args = WScript.Arguments
    If args.Count < 4 Then
        WScript.Echo "usage: sales_report.vbs TEMPLATE DATAFOLDER XMLFILE OUTDIR"
        WScript.Quit 2
    End If
    template = args(0)
    data = args(1)
    xmlFile = args(2)
    workbook = args(3) & "\sales_report.xlsx"
    Set job = CreateObject("Tavlora.CExcelBatDo")
    If Not job.DoCopy(template, workbook) Then
        failure = "cannot copy the template to " & workbook
    ElseIf Not job.DoBegin(workbook) Then
        failure = "cannot open " & workbook
    Else
        failure = FillReport(job, data, xmlFile)
        If Not job.DoEnd() And failure = "" Then failure = "cannot save " & workbook
    End If
    If failure <> "" Then
        ' A half-filled report must not pass for a finished one.
        Set fso = CreateObject("Scripting.FileSystemObject")
        If fso.FileExists(workbook) Then fso.DeleteFile workbook
        WScript.Echo "sales_report: " & failure & "; nothing was written"
        WScript.Quit 1
    End If
    WScript.Echo "wrote " & workbook
End Sub

Main
