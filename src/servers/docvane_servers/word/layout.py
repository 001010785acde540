"""Page layout questions and field updates answered inside the office.

Each office call from this process costs milliseconds; walking the pages of a document or the rows
of a table call by call would cost more than the document's conversion. These Basic functions do
the walking inside the office, in one call each.
"""
from ..dispatch import DispatchError

LIBRARY = "DocvaneLayout"
MODULE = "Layout"
CODE = """
' Style name of every page, in page order.
Function PageStyles(oDoc As Object) As Variant
    Dim oController As Object, oCursor As Object
    Dim names() As Variant
    Dim p As Long, n As Long
    oController = oDoc.getCurrentController()
    oCursor = oController.getViewCursor()
    n = oController.PageCount
    ReDim names(n - 1)
    For p = 1 To n
        oCursor.jumpToPage(p)
        names(p - 1) = oCursor.PageStyleName
    Next p
    PageStyles = names
End Function

' Name, page and view position of the first cell of every table.
Function TableStarts(oDoc As Object) As Variant
    Dim oCursor As Object, oTables As Object, oTable As Object, oPos As Object
    Dim names As Variant, cells As Variant
    Dim result() As Variant
    Dim i As Long
    oCursor = oDoc.getCurrentController().getViewCursor()
    oTables = oDoc.getTextTables()
    names = oTables.getElementNames()
    ReDim result(UBound(names))
    For i = 0 To UBound(names)
        oTable = oTables.getByName(names(i))
        cells = oTable.getCellNames()
        oCursor.gotoRange(oTable.getCellByName(cells(0)).getStart(), False)
        oPos = oCursor.getPosition()
        result(i) = Array(names(i), CLng(oCursor.getPage()), oPos.Y, oPos.X)
    Next i
    TableStarts = result
End Function

' For every row (named by its first cell): page, view position, page style and height settings;
' then the page and view position of the first line after the table (an empty array when the table
' ends the document).
Function RowPlaces(oDoc As Object, oTable As Object, aNames As Variant) As Variant
    Dim oCursor As Object, oRows As Object, oRow As Object, oPos As Object
    Dim result() As Variant, after As Variant
    Dim i As Long, k As Long
    oCursor = oDoc.getCurrentController().getViewCursor()
    oRows = oTable.getRows()
    ReDim result(UBound(aNames))
    For i = 0 To UBound(aNames)
        oCursor.gotoRange(oTable.getCellByName(aNames(i)).getStart(), False)
        oPos = oCursor.getPosition()
        oRow = oRows.getByIndex(i)
        result(i) = Array(CLng(oCursor.getPage()), oPos.X, oPos.Y, oCursor.PageStyleName, oRow.IsAutoHeight, oRow.Height)
    Next i
    after = Array()
    For k = 1 To 1000
        If Not oCursor.goDown(1, False) Then Exit For
        If IsNull(oCursor.TextTable) Or IsEmpty(oCursor.TextTable) Then
            oPos = oCursor.getPosition()
            after = Array(CLng(oCursor.getPage()), oPos.X, oPos.Y)
            Exit For
        End If
    Next k
    RowPlaces = Array(result, after)
End Function

' Counts the fields of one story (the body with its table cells when bBody is set, else the text
' oStory); with bUpdate, makes its fixed fields live again (the caller has the office compute them).
Function StoryFields(oDoc As Object, oStory As Variant, bBody As Boolean, bUpdate As Boolean) As Long
    Dim oEnum As Object, oField As Object, oText As Object
    Dim n As Long, bIn As Boolean, sKind As String
    n = 0
    oEnum = oDoc.getTextFields().createEnumeration()
    Do While oEnum.hasMoreElements()
        oField = oEnum.nextElement()
        oText = oField.getAnchor().getText()
        If bBody Then
            sKind = oText.getImplementationName()
            bIn = (sKind = "SwXBodyText" Or sKind = "SwXCell")
        Else
            bIn = EqualUnoObjects(oText, oStory)
        End If
        If bIn Then
            If bUpdate And oField.getPropertySetInfo().hasPropertyByName("IsFixed") Then
                If oField.IsFixed Then oField.IsFixed = False
            End If
            n = n + 1
        End If
    Loop
    StoryFields = n
End Function
"""


def layout_call(office, name, *arguments):
    try:
        script = office.basic_function(LIBRARY, MODULE, CODE, name)
        return script.invoke(arguments, (), ())[0]
    except Exception as error:  # noqa: BLE001 - the office's failure becomes the member's
        raise DispatchError("Разметка страниц недоступна: %s" % getattr(error, "Message", error))


def used_page_styles(office, model):
    """Names of the page styles the document's pages use, in page order, each once."""
    names = []
    for name in layout_call(office, "PageStyles", model):
        if name not in names:
            names.append(name)
    return names
