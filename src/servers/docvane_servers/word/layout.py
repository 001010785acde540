"""Questions about a document answered inside the office: page layout, tables, fields and stories.

Each office call from this process costs a fraction of a millisecond when it answers with plain
values, but milliseconds when it hands over an object (both sides set up a proxy for it, and a Basic
function that receives an object inspects its interfaces). So the document is handed to the office
once (`bind`), and these Basic functions reach everything else from it by name or number: walking the
pages of a document, the rows of a table or the fields of a story takes one call.

A story is named by three values: ("body", "", ""), ("shape", index on the draw page, "") or
("style", page style name, header or footer property such as "HeaderTextFirst").
"""
from ..dispatch import DispatchError

LIBRARY = "DocvaneLayout"
MODULE = "Layout"
CODE = """
' The document the other functions work on (only Global variables keep their value between calls).
Global oDocvaneDocument As Object

Function Bind(oDoc As Object) As Boolean
    oDocvaneDocument = oDoc
    Bind = True
End Function

' Style name of every page, in page order.
Function PageStyles() As Variant
    Dim oController As Object, oCursor As Object
    Dim names() As Variant
    Dim p As Long, n As Long
    oController = oDocvaneDocument.getCurrentController()
    oCursor = oController.getViewCursor()
    n = oController.PageCount
    ReDim names(n - 1)
    For p = 1 To n
        oCursor.jumpToPage(p)
        names(p - 1) = oCursor.PageStyleName
    Next p
    PageStyles = names
End Function

' Names of the tables of the headers and footers of the page styles in use, each between "|".
Function HeaderFooterTables() As String
    Dim oStyles As Object, oStyle As Object, oStory As Object, oEnum As Object, oItem As Object
    Dim styleNames As Variant, parts As Variant, kinds As Variant
    Dim s As Long, p As Long, k As Long
    Dim sNames As String
    sNames = "|"
    parts = Array("Header", "Footer")
    kinds = Array("Text", "TextLeft", "TextFirst")
    oStyles = oDocvaneDocument.getStyleFamilies().getByName("PageStyles")
    styleNames = oStyles.getElementNames()
    For s = 0 To UBound(styleNames)
        oStyle = oStyles.getByName(styleNames(s))
        If oStyle.isInUse() Then
            For p = 0 To 1
                If oStyle.getPropertyValue(parts(p) & "IsOn") Then
                    For k = 0 To 2
                        oStory = oStyle.getPropertyValue(parts(p) & kinds(k))
                        If Not IsNull(oStory) Then
                            oEnum = oStory.createEnumeration()
                            Do While oEnum.hasMoreElements()
                                oItem = oEnum.nextElement()
                                If oItem.supportsService("com.sun.star.text.TextTable") Then
                                    sNames = sNames & oItem.getName() & "|"
                                End If
                            Loop
                        End If
                    Next k
                End If
            Next p
        End If
    Next s
    HeaderFooterTables = sNames
End Function

' Name, page and view position of the first cell of every table outside headers and footers.
Function TableStarts() As Variant
    Dim oCursor As Object, oTables As Object, oTable As Object, oPos As Object
    Dim names As Variant, cells As Variant
    Dim result() As Variant
    Dim i As Long, n As Long
    Dim sExcluded As String
    sExcluded = HeaderFooterTables()
    oCursor = oDocvaneDocument.getCurrentController().getViewCursor()
    oTables = oDocvaneDocument.getTextTables()
    names = oTables.getElementNames()
    If UBound(names) < 0 Then
        TableStarts = Array()
        Exit Function
    End If
    n = 0
    ReDim result(UBound(names))
    For i = 0 To UBound(names)
        If InStr(1, sExcluded, "|" & names(i) & "|", 0) = 0 Then
            oTable = oTables.getByName(names(i))
            cells = oTable.getCellNames()
            oCursor.gotoRange(oTable.getCellByName(cells(0)).getStart(), False)
            oPos = oCursor.getPosition()
            result(n) = Array(names(i), CLng(oCursor.getPage()), oPos.Y, oPos.X)
            n = n + 1
        End If
    Next i
    If n = 0 Then
        TableStarts = Array()
    Else
        ReDim Preserve result(n - 1)
        TableStarts = result
    End If
End Function

Function TableCellNames(sTable As String) As Variant
    TableCellNames = oDocvaneDocument.getTextTables().getByName(sTable).getCellNames()
End Function

Function Separators(oOwner As Object) As Variant
    Dim items As Variant, result() As Variant
    Dim i As Long
    items = oOwner.TableColumnSeparators
    If IsNull(items) Or IsEmpty(items) Then
        Separators = Array()
        Exit Function
    End If
    If UBound(items) < 0 Then
        Separators = Array()
        Exit Function
    End If
    ReDim result(UBound(items))
    For i = 0 To UBound(items)
        result(i) = items(i).Position
    Next i
    Separators = result
End Function

' The table's width, relative width sum and column separators; then for every row (given as the
' names of its cells): page, view position, page style name, the style's height, width, top and
' left margin, the row's height settings, its cells' texts and its own column separators (only
' when its cell count differs from the table's columns); then the page and view position of the
' first line after the table (an empty array when the table ends the document).
Function TableLayout(sTable As String, aRows As Variant) As Variant
    Dim oTable As Object, oCursor As Object, oRows As Object, oRow As Object, oPos As Object
    Dim oStyles As Object, oStyle As Object
    Dim rows() As Variant, texts() As Variant, after As Variant, names As Variant, data As Variant
    Dim columns As Variant, metrics As Variant, own As Variant
    Dim i As Long, c As Long, k As Long
    Dim sStyle As String, sLast As String, bData As Boolean
    oTable = oDocvaneDocument.getTextTables().getByName(sTable)
    oCursor = oDocvaneDocument.getCurrentController().getViewCursor()
    oStyles = oDocvaneDocument.getStyleFamilies().getByName("PageStyles")
    oRows = oTable.getRows()
    columns = Separators(oTable)
    On Error Resume Next
    data = oTable.getDataArray()
    bData = (Err = 0)
    On Error GoTo 0
    sLast = ""
    ReDim rows(UBound(aRows))
    For i = 0 To UBound(aRows)
        names = aRows(i)
        ReDim texts(UBound(names))
        For c = 0 To UBound(names)
            texts(c) = Empty
            If bData Then
                If i <= UBound(data) Then
                    If c <= UBound(data(i)) Then
                        If VarType(data(i)(c)) = 8 Then texts(c) = data(i)(c)
                    End If
                End If
            End If
            If IsEmpty(texts(c)) Then texts(c) = oTable.getCellByName(names(c)).getString()
        Next c
        oCursor.gotoRange(oTable.getCellByName(names(0)).getStart(), False)
        oPos = oCursor.getPosition()
        sStyle = oCursor.PageStyleName
        If sStyle <> sLast Then
            oStyle = oStyles.getByName(sStyle)
            metrics = Array(oStyle.Height, oStyle.Width, oStyle.TopMargin, oStyle.LeftMargin)
            sLast = sStyle
        End If
        oRow = oRows.getByIndex(i)
        If UBound(names) = UBound(columns) + 1 Then
            own = Array()
        Else
            own = Separators(oRow)
        End If
        rows(i) = Array(CLng(oCursor.getPage()), oPos.X, oPos.Y, sStyle, metrics(0), metrics(1), _
                        metrics(2), metrics(3), oRow.IsAutoHeight, oRow.Height, texts, own)
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
    TableLayout = Array(Array(oTable.Width, oTable.TableColumnRelativeSum, columns), rows, after)
End Function

' The text of a story, or Nothing when there is none (a shape without text, a header turned off).
Function Story(sKind As String, vKey As Variant, sPart As String) As Object
    Dim oShape As Object
    Dim vText As Variant
    If sKind = "shape" Then
        oShape = oDocvaneDocument.getDrawPage().getByIndex(vKey)
        If oShape.getPropertySetInfo().hasPropertyByName("TextBox") Then
            If oShape.TextBox Then
                Story = oShape.TextBoxContent
                Exit Function
            End If
        End If
        If oShape.getImplementationName() = "SwXTextFrame" Then Story = oShape
    ElseIf sKind = "style" Then
        vText = oDocvaneDocument.getStyleFamilies().getByName("PageStyles").getByName(vKey).getPropertyValue(sPart)
        If Not IsNull(vText) And Not IsEmpty(vText) Then Story = vText
    End If
End Function

' Whether the story exists, and its text.
Function StoryText(sKind As String, vKey As Variant, sPart As String) As Variant
    Dim oStory As Object
    oStory = Story(sKind, vKey, sPart)
    If IsNull(oStory) Then
        StoryText = Array(False, "")
    Else
        StoryText = Array(True, oStory.getString())
    End If
End Function

Function ShapeCount() As Long
    ShapeCount = oDocvaneDocument.getDrawPage().getCount()
End Function

Function ShapeName(i As Long) As String
    ShapeName = oDocvaneDocument.getDrawPage().getByIndex(i).getName()
End Function

' The named boolean properties of a page style.
Function StyleFlags(sStyle As String, aNames As Variant) As Variant
    Dim oStyle As Object
    Dim result() As Variant
    Dim i As Long
    oStyle = oDocvaneDocument.getStyleFamilies().getByName("PageStyles").getByName(sStyle)
    ReDim result(UBound(aNames))
    For i = 0 To UBound(aNames)
        result(i) = oStyle.getPropertyValue(aNames(i))
    Next i
    StyleFlags = result
End Function

' Counts the fields of one story (the body with its table cells, or another story); with bUpdate,
' makes its fixed fields live again (the caller has the office compute them).
Function StoryFields(sKind As String, vKey As Variant, sPart As String, bUpdate As Boolean) As Long
    Dim oEnum As Object, oField As Object, oText As Object, oStory As Object
    Dim n As Long, bIn As Boolean, bBody As Boolean, sText As String
    n = 0
    bBody = (sKind = "body")
    If Not bBody Then
        oStory = Story(sKind, vKey, sPart)
        If IsNull(oStory) Then
            StoryFields = 0
            Exit Function
        End If
    End If
    oEnum = oDocvaneDocument.getTextFields().createEnumeration()
    Do While oEnum.hasMoreElements()
        oField = oEnum.nextElement()
        oText = oField.getAnchor().getText()
        If bBody Then
            sText = oText.getImplementationName()
            bIn = (sText = "SwXBodyText" Or sText = "SwXCell")
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

Function RefreshFields() As Boolean
    oDocvaneDocument.getTextFields().refresh()
    RefreshFields = True
End Function

' Counts the comments of the document; with bRemove, removes them too.
Function Comments(bRemove As Boolean) As Long
    Dim oEnum As Object, oField As Object, found() As Object
    Dim n As Long, i As Long
    n = 0
    oEnum = oDocvaneDocument.getTextFields().createEnumeration()
    Do While oEnum.hasMoreElements()
        oField = oEnum.nextElement()
        If oField.supportsService("com.sun.star.text.textfield.Annotation") Then
            ReDim Preserve found(n)
            found(n) = oField
            n = n + 1
        End If
    Loop
    If bRemove Then
        For i = 0 To n - 1
            found(i).dispose()
        Next i
    End If
    Comments = n
End Function

Function FormsDesign(bOn As Boolean) As Boolean
    oDocvaneDocument.getCurrentController().setFormDesignMode(bOn)
    FormsDesign = True
End Function

Function SaveSettings(bEmbedFonts As Boolean, bLoadReadonly As Boolean) As Boolean
    Dim oSettings As Object
    oSettings = oDocvaneDocument.createInstance("com.sun.star.document.Settings")
    oSettings.EmbedFonts = bEmbedFonts
    oSettings.LoadReadonly = bLoadReadonly
    SaveSettings = True
End Function
"""


def _invoke(office, name, arguments):
    result = office.basic_function(LIBRARY, MODULE, CODE, name).invoke(arguments, (), ())[0]
    if result is None:
        # Every function here answers with a value; a Basic run-time error ends one with none.
        raise DispatchError("LibreOffice не ответил на %s" % name)
    return result


def layout_call(office, model, name, *arguments):
    """The result of Basic function name about the document model."""
    try:
        if office.bound_document is not model:
            office.bound_document = None
            _invoke(office, "Bind", (model,))
            office.bound_document = model
        return _invoke(office, name, arguments)
    except DispatchError:
        raise
    except Exception as error:  # noqa: BLE001 - the office's failure becomes the member's
        raise DispatchError("LibreOffice не ответил на %s: %s" % (name, getattr(error, "Message", error)))


def used_page_styles(office, model):
    """Names of the page styles the document's pages use, in page order, each once."""
    names = []
    for name in layout_call(office, model, "PageStyles"):
        if name not in names:
            names.append(name)
    return names
