' XML objects of the caller's own, written in VBScript with the members the fillers use, handed to
' DoA_RcdXml0; the same regions read from the XML file by DoA_RcdXml go to another sheet, and the two
' sheets must come out alike. Prints: file result|script result|whether the script's variable still
' holds its own list after the call (the argument is passed by reference).
' Usage: cscript //nologo xml.vbs TEMPLATE XMLFILE OUTFILE
Option Explicit

Class ScriptAttribute
    Public nodeName
    Public text
    Public Property Get nodeType
        nodeType = 2
    End Property
End Class

Class ScriptNodeList
    Private items
    Public Sub Init(list)
        items = list
    End Sub
    Public Property Get length
        length = UBound(items) + 1
    End Property
    Public Function item(index)
        If index < 0 Or index > UBound(items) Then
            Set item = Nothing
        Else
            Set item = items(index)
        End If
    End Function
End Class

Class ScriptElement
    Public nodeName
    Private attributeList
    Public Property Get nodeType
        nodeType = 1
    End Property
    Public Property Get text
        text = ""
    End Property
    Public Sub Init(name, attributeObjects)
        nodeName = name
        Set attributeList = New ScriptNodeList
        attributeList.Init attributeObjects
    End Sub
    Public Property Get attributes
        Set attributes = attributeList
    End Property
    Public Function getAttribute(name)
        Dim i
        getAttribute = Null
        For i = 0 To attributeList.length - 1
            If attributeList.item(i).nodeName = name Then getAttribute = attributeList.item(i).text
        Next
    End Function
    ' Regions have no child elements.
    Public Function selectNodes(query)
        Set selectNodes = New ScriptNodeList
        selectNodes.Init Array()
    End Function
End Class

Function Attribute(name, value)
    Set Attribute = New ScriptAttribute
    Attribute.nodeName = name
    Attribute.text = value
End Function

Function Region(name, manager, orders, revenue)
    Set Region = New ScriptElement
    Region.Init "region", Array(Attribute("Name", name), Attribute("Manager", manager), _
                                Attribute("Orders", orders), Attribute("Revenue", revenue))
End Function

Function Table(job)
    Set Table = CreateObject("Tavlora.CExcelOutputRcd")
    Set Table.CurBatObj = job
    Table.IsTitle = True
    Table.Title = "Regions"
    Table.xmlWay = 0
End Function

Dim job, regions, kept, fromFile, fromScript, args
Set args = WScript.Arguments
Set job = CreateObject("Tavlora.CExcelBatDo")
If Not job.DoCopy(args(0), args(2)) Then WScript.Quit 3
If Not job.DoBegin(args(2)) Then WScript.Quit 4
job.IsDelUnUse = False

' The regions of examples/sales_report/regions.xml (Chr(237) is "í" in the prefix's code page 1252;
' Wine's VBScript has no ChrW).
Set regions = New ScriptNodeList
regions.Init Array(Region("Europe", "Anna Berg", "412", "210400.50"), _
                   Region("Asia", "Kenji Sato", "198", "98310"), _
                   Region("Americas", "Luc" & Chr(237) & "a Ortega", "265", "143275.25"))
fromFile = Table(job).DoA_RcdXml("FromFile", args(1), "region")
Set kept = regions
fromScript = Table(job).DoA_RcdXml0("FromScript", regions, Nothing)
WScript.Echo fromFile & "|" & fromScript & "|" & (regions Is kept)
If Not job.DoEnd() Then WScript.Quit 5
