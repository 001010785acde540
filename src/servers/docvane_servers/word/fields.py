"""Fields of a story (body, text box, header, footer) and the objects that lead to them.

Fields read from .docx files (DOCPROPERTY among them) may arrive fixed: they show the text saved
with the file and ignore the document's properties. Updating a story's fields first makes its fixed
fields live again, then lets the office compute every field, so the project's property values reach
the PDF and the saved copies.
"""
from ..dispatch import DispatchError, DispatchObject
from .layout import layout_call

BODY = ("body", "", "")


def _story_text(text):
    return text.replace("\r\n", "\r").replace("\n", "\r")


class Fields(DispatchObject):
    """The fields of one story: the body or the text of a text box, header or footer (a story as
    layout.py names it)."""

    def __init__(self, document, story=BODY):
        self._document = document
        self._story = story

    def _call(self, update):
        document = self._document
        return layout_call(document.office, document.model, "StoryFields", *self._story, update)

    def get_Count(self):
        return self._call(False)

    def m_Update(self):
        self._call(True)
        # Computing the fields relays the document out: done once, before anything reads the result.
        self._document.fields_changed()
        return 0


def _story_state(document, story):
    """(whether the story exists, its text)."""
    exists, text = layout_call(document.office, document.model, "StoryText", *story)
    return bool(exists), text


class TextRange(DispatchObject):
    def __init__(self, document, story):
        self._document = document
        self._story = story

    def get_Text(self):
        self._document.settle()
        return _story_text(_story_state(self._document, self._story)[1])

    def get_Fields(self):
        return Fields(self._document, self._story)


class TextFrame(DispatchObject):
    def __init__(self, document, story):
        self._document = document
        self._story = story

    def get_HasText(self):
        return -1 if _story_state(self._document, self._story)[1] else 0

    def get_TextRange(self):
        return TextRange(self._document, self._story)


class Shape(DispatchObject):
    """A shape of the draw page; a text box (a shape with a frame, or a frame itself) has a story."""

    def __init__(self, document, index):
        self._document = document
        self._story = ("shape", index, "")

    def get_Name(self):
        document = self._document
        return layout_call(document.office, document.model, "ShapeName", self._story[1])

    def get_TextFrame(self):
        if not _story_state(self._document, self._story)[0]:
            raise DispatchError("У фигуры нет текста")
        return TextFrame(self._document, self._story)


class Shapes(DispatchObject):
    def __init__(self, document):
        self._document = document

    def _count(self):
        document = self._document
        return layout_call(document.office, document.model, "ShapeCount")

    def get_Count(self):
        return self._count()

    def m_Item(self, index):
        if isinstance(index, int) and not isinstance(index, bool) and 1 <= index <= self._count():
            return Shape(self._document, index - 1)
        raise DispatchError("Нет фигуры %r" % (index,))


# Word's kinds of header and footer, by index: primary, first page, even pages.
_KINDS = (("Text", None), ("TextFirst", "FirstIsShared"), ("TextLeft", "{}IsShared"))
# The page style's switches that tell which headers and footers exist, read in one office call.
_SWITCHES = ("HeaderIsOn", "FooterIsOn", "FirstIsShared", "HeaderIsShared", "FooterIsShared")


class HeaderFooter(DispatchObject):
    def __init__(self, section, part, index):
        self._section = section
        self._document = section.document
        self._style = section.style  # the page style's name
        self._part = part  # "Header" or "Footer"
        self._index = index

    def get_Exists(self):
        switches = self._section.switches()
        shared = _KINDS[self._index - 1][1]
        return bool(switches[self._part + "IsOn"]) and (shared is None or not switches[shared.format(self._part)])

    def get_Range(self):
        story = ("style", self._style, self._part + _KINDS[self._index - 1][0])
        if not _story_state(self._document, story)[0]:
            raise DispatchError("Нет колонтитула")
        return TextRange(self._document, story)


class HeadersFooters(DispatchObject):
    def __init__(self, section, part):
        self._section = section
        self._part = part

    def get_Count(self):
        return len(_KINDS)

    def m_Item(self, index):
        if isinstance(index, int) and not isinstance(index, bool) and 1 <= index <= len(_KINDS):
            return HeaderFooter(self._section, self._part, index)
        raise DispatchError("Нет колонтитула %r" % (index,))


class Section(DispatchObject):
    def __init__(self, document, style):
        self.document = document
        self.style = style
        self._switches = None

    def switches(self):
        if self._switches is None:
            document = self.document
            values = layout_call(document.office, document.model, "StyleFlags", self.style, _SWITCHES)
            self._switches = dict(zip(_SWITCHES, values))
        return self._switches

    def get_Headers(self):
        return HeadersFooters(self, "Header")

    def get_Footers(self):
        return HeadersFooters(self, "Footer")


class Sections(DispatchObject):
    """A section per page style in use: what a header or a footer belongs to in the office."""

    def __init__(self, document):
        self._document = document
        self._names = document.page_styles()

    def get_Count(self):
        return len(self._names)

    def m_Item(self, index):
        if isinstance(index, int) and not isinstance(index, bool) and 1 <= index <= len(self._names):
            return Section(self._document, self._names[index - 1])
        raise DispatchError("Нет раздела %r" % (index,))
