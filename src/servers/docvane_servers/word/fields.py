"""Fields of a story (body, text box, header, footer) and the objects that lead to them.

Fields read from .docx files (DOCPROPERTY among them) may arrive fixed: they show the text saved
with the file and ignore the document's properties. Updating a story's fields first makes its fixed
fields live again, then lets the office compute every field, so the project's property values reach
the PDF and the saved copies.
"""
from ..dispatch import DispatchError, DispatchObject

# Stories of the main text: the body itself and the cells of its tables.
_BODY_TEXTS = ("SwXBodyText", "SwXCell")


def _implementation(text):
    try:
        return text.getImplementationName()
    except Exception:  # noqa: BLE001 - a text without service information is no body text
        return ""


def body_scope(model):
    return lambda text: _implementation(text) in _BODY_TEXTS


def text_scope(story):
    return lambda text: text == story


def _story_text(story):
    return story.getString().replace("\r\n", "\r").replace("\n", "\r")


class Fields(DispatchObject):
    def __init__(self, model, in_scope):
        self._model = model
        self._in_scope = in_scope

    def _fields(self):
        found = []
        enumeration = self._model.getTextFields().createEnumeration()
        while enumeration.hasMoreElements():
            field = enumeration.nextElement()
            try:
                anchor_text = field.getAnchor().getText()
            except Exception:  # noqa: BLE001 - a field without an anchor is in no story
                continue
            if self._in_scope(anchor_text):
                found.append(field)
        return found

    def get_Count(self):
        return len(self._fields())

    def m_Update(self):
        for field in self._fields():
            info = field.getPropertySetInfo()
            if info.hasPropertyByName("IsFixed") and field.getPropertyValue("IsFixed"):
                field.setPropertyValue("IsFixed", False)
        self._model.getTextFields().refresh()
        return 0


class TextRange(DispatchObject):
    def __init__(self, model, story):
        self._model = model
        self._story = story

    def get_Text(self):
        return _story_text(self._story)

    def get_Fields(self):
        return Fields(self._model, text_scope(self._story))


class TextFrame(DispatchObject):
    def __init__(self, model, story):
        self._model = model
        self._story = story

    def get_HasText(self):
        return -1 if self._story.getString() else 0

    def get_TextRange(self):
        return TextRange(self._model, self._story)


def _shape_story(shape):
    """The text of a text box (a shape with a frame, or a frame itself); None for other shapes."""
    info = shape.getPropertySetInfo()
    if info.hasPropertyByName("TextBox") and shape.getPropertyValue("TextBox"):
        return shape.getPropertyValue("TextBoxContent")
    if _implementation(shape) == "SwXTextFrame":
        return shape
    return None


class Shape(DispatchObject):
    def __init__(self, model, shape):
        self._model = model
        self._shape = shape

    def get_Name(self):
        return self._shape.getName() if hasattr(self._shape, "getName") else ""

    def get_TextFrame(self):
        story = _shape_story(self._shape)
        if story is None:
            raise DispatchError("У фигуры нет текста")
        return TextFrame(self._model, story)


class Shapes(DispatchObject):
    def __init__(self, model):
        self._model = model
        self._page = model.getDrawPage()

    def get_Count(self):
        return self._page.getCount()

    def m_Item(self, index):
        if isinstance(index, int) and not isinstance(index, bool) and 1 <= index <= self._page.getCount():
            return Shape(self._model, self._page.getByIndex(index - 1))
        raise DispatchError("Нет фигуры %r" % (index,))


# Word's kinds of header and footer, by index: primary, first page, even pages.
_KINDS = (("Text", None), ("TextFirst", "FirstIsShared"), ("TextLeft", "{}IsShared"))


class HeaderFooter(DispatchObject):
    def __init__(self, model, style, part, index):
        self._model = model
        self._style = style
        self._part = part  # "Header" or "Footer"
        self._index = index

    def get_Exists(self):
        if not self._style.getPropertyValue(self._part + "IsOn"):
            return False
        shared = _KINDS[self._index - 1][1]
        return shared is None or not self._style.getPropertyValue(shared.format(self._part))

    def get_Range(self):
        story = self._style.getPropertyValue(self._part + _KINDS[self._index - 1][0])
        if story is None:
            raise DispatchError("Нет колонтитула")
        return TextRange(self._model, story)


class HeadersFooters(DispatchObject):
    def __init__(self, model, style, part):
        self._model = model
        self._style = style
        self._part = part

    def get_Count(self):
        return len(_KINDS)

    def m_Item(self, index):
        if isinstance(index, int) and not isinstance(index, bool) and 1 <= index <= len(_KINDS):
            return HeaderFooter(self._model, self._style, self._part, index)
        raise DispatchError("Нет колонтитула %r" % (index,))


class Section(DispatchObject):
    def __init__(self, model, style):
        self._model = model
        self._style = style

    def get_Headers(self):
        return HeadersFooters(self._model, self._style, "Header")

    def get_Footers(self):
        return HeadersFooters(self._model, self._style, "Footer")


def used_page_styles(model):
    """Names of the page styles the document's pages use, in page order, each once."""
    controller = model.getCurrentController()
    cursor = controller.getViewCursor()
    names = []
    for page in range(1, controller.getPropertyValue("PageCount") + 1):
        cursor.jumpToPage(page)
        name = cursor.getPropertyValue("PageStyleName")
        if name not in names:
            names.append(name)
    return names


class Sections(DispatchObject):
    """A section per page style in use: what a header or a footer belongs to in the office."""

    def __init__(self, model):
        self._model = model
        self._names = used_page_styles(model)

    def get_Count(self):
        return len(self._names)

    def m_Item(self, index):
        if isinstance(index, int) and not isinstance(index, bool) and 1 <= index <= len(self._names):
            styles = self._model.getStyleFamilies().getByName("PageStyles")
            return Section(self._model, styles.getByName(self._names[index - 1]))
        raise DispatchError("Нет раздела %r" % (index,))
