"""Fields of a story (body, text box, header, footer) and the objects that lead to them.

Fields read from .docx files (DOCPROPERTY among them) may arrive fixed: they show the text saved
with the file and ignore the document's properties. Updating a story's fields first makes its fixed
fields live again, then lets the office compute every field, so the project's property values reach
the PDF and the saved copies.
"""
from ..dispatch import DispatchError, DispatchObject
from .layout import layout_call

def _implementation(item):
    try:
        return item.getImplementationName()
    except Exception:  # noqa: BLE001 - an object without service information
        return ""


def _story_text(story):
    return story.getString().replace("\r\n", "\r").replace("\n", "\r")


class Fields(DispatchObject):
    """The fields of one story: the body (story None) or the text of a text box, header or footer."""

    def __init__(self, document, story=None):
        self._document = document
        self._story = story

    def _call(self, update):
        document = self._document
        return layout_call(document.office, "StoryFields", document.model, self._story, self._story is None, update)

    def get_Count(self):
        return self._call(False)

    def m_Update(self):
        self._call(True)
        # Computing the fields relays the document out: done once, before anything reads the result.
        self._document.fields_changed()
        return 0


class TextRange(DispatchObject):
    def __init__(self, document, story):
        self._document = document
        self._story = story

    def get_Text(self):
        self._document.settle()
        return _story_text(self._story)

    def get_Fields(self):
        return Fields(self._document, self._story)


class TextFrame(DispatchObject):
    def __init__(self, document, story):
        self._document = document
        self._story = story

    def get_HasText(self):
        return -1 if self._story.getString() else 0

    def get_TextRange(self):
        return TextRange(self._document, self._story)


def _shape_story(shape):
    """The text of a text box (a shape with a frame, or a frame itself); None for other shapes."""
    info = shape.getPropertySetInfo()
    if info.hasPropertyByName("TextBox") and shape.getPropertyValue("TextBox"):
        return shape.getPropertyValue("TextBoxContent")
    if _implementation(shape) == "SwXTextFrame":
        return shape
    return None


class Shape(DispatchObject):
    def __init__(self, document, shape):
        self._document = document
        self._shape = shape

    def get_Name(self):
        return self._shape.getName() if hasattr(self._shape, "getName") else ""

    def get_TextFrame(self):
        story = _shape_story(self._shape)
        if story is None:
            raise DispatchError("У фигуры нет текста")
        return TextFrame(self._document, story)


class Shapes(DispatchObject):
    def __init__(self, document):
        self._document = document
        self._page = document.model.getDrawPage()

    def get_Count(self):
        return self._page.getCount()

    def m_Item(self, index):
        if isinstance(index, int) and not isinstance(index, bool) and 1 <= index <= self._page.getCount():
            return Shape(self._document, self._page.getByIndex(index - 1))
        raise DispatchError("Нет фигуры %r" % (index,))


# Word's kinds of header and footer, by index: primary, first page, even pages.
_KINDS = (("Text", None), ("TextFirst", "FirstIsShared"), ("TextLeft", "{}IsShared"))


class HeaderFooter(DispatchObject):
    def __init__(self, document, style, part, index):
        self._document = document
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
        return TextRange(self._document, story)


class HeadersFooters(DispatchObject):
    def __init__(self, document, style, part):
        self._document = document
        self._style = style
        self._part = part

    def get_Count(self):
        return len(_KINDS)

    def m_Item(self, index):
        if isinstance(index, int) and not isinstance(index, bool) and 1 <= index <= len(_KINDS):
            return HeaderFooter(self._document, self._style, self._part, index)
        raise DispatchError("Нет колонтитула %r" % (index,))


class Section(DispatchObject):
    def __init__(self, document, style):
        self._document = document
        self._style = style

    def get_Headers(self):
        return HeadersFooters(self._document, self._style, "Header")

    def get_Footers(self):
        return HeadersFooters(self._document, self._style, "Footer")


class Sections(DispatchObject):
    """A section per page style in use: what a header or a footer belongs to in the office."""

    def __init__(self, document):
        self._document = document
        self._names = document.page_styles()

    def get_Count(self):
        return len(self._names)

    def m_Item(self, index):
        if isinstance(index, int) and not isinstance(index, bool) and 1 <= index <= len(self._names):
            styles = self._document.model.getStyleFamilies().getByName("PageStyles")
            return Section(self._document, styles.getByName(self._names[index - 1]))
        raise DispatchError("Нет раздела %r" % (index,))
