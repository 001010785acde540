"""Tables of the document body with the page, position and size of their rows.

A client walks a contents table row by row and cell by cell; each office call costs milliseconds, so
the first access to a table's rows lays out the whole table at once and the row and cell objects
answer from that.

Positions come from the office's view cursor. Its coordinates start at the top-left corner of the
first page's text area, and the pages follow one another with a fixed gap, so a position on page p is
the cursor's position plus the page's margins, less the pages (and gaps) above it.
"""
import re

from ..dispatch import DispatchError, DispatchObject, Single
from .layout import layout_call

INFO_PAGE_NUMBER = 3  # page of the end of the range
INFO_HORIZONTAL_POSITION = 5  # from the page's left edge, in points
INFO_VERTICAL_POSITION = 6  # from the page's top edge, in points
# The view's gap between consecutive pages, in hundredths of a millimetre.
PAGE_GAP = 501
CELL_END = "\r\a"
_SIMPLE_CELL = re.compile(r"^([A-Za-z]+)(\d+)$")


def points(hundredths_mm):
    return hundredths_mm * 72.0 / 2540.0


def _column_number(letters):
    number = 0
    for letter in letters:
        number = number * 52 + (ord(letter) - (ord("A") if letter.isupper() else ord("a") - 26)) + 1
    return number


def _cells_by_row(cell_names):
    """Cell names of each row in column order (the parts of split cells, named like A1.1.1, are left
    out: their row is the row of the cell they split)."""
    rows = {}
    for name in cell_names:
        match = _SIMPLE_CELL.match(name)
        if match:
            rows.setdefault(int(match.group(2)), []).append((_column_number(match.group(1)), name))
    return [[name for _, name in sorted(rows[key])] for key in sorted(rows)]


class PageMetrics:
    """What a page style tells about positions on its pages (hundredths of a millimetre)."""

    def __init__(self, height, width, top, left):
        self.height = height
        self.width = width
        self.top = top
        self.left = left


class RowLayout:
    def __init__(self, texts, widths, top, left, page, height, metrics):
        self.texts = texts  # every cell's text
        self.widths = widths  # every cell's width, points
        self.top = top  # from the page's top edge, points
        self.left = left  # from the page's left edge, points
        self.page = page
        self.height = height  # points
        self.metrics = metrics


def _widths(columns, own_separators, count):
    """Widths of a row's cells in points, from the column separators (rows with a cell count of
    their own have separators of their own)."""
    total, relative, separators = columns
    relative = relative or 1
    if len(separators) != count - 1:
        separators = own_separators
        if len(separators) != count - 1:
            return [points(total) / count] * count
    edges = [0] + list(separators) + [relative]
    return [points((edges[i + 1] - edges[i]) * total / relative) for i in range(count)]


def lay_out(office, model, name):
    names_by_row = _cells_by_row(layout_call(office, model, "TableCellNames", name))
    if not names_by_row:
        return []
    rows = tuple(tuple(names) for names in names_by_row)
    columns, places, after = layout_call(office, model, "TableLayout", name, rows)
    metrics_cache = {}
    layouts = []
    measured = 0
    for index, names in enumerate(names_by_row):
        page, x, y, style_name, *style, auto_height, fixed_height, texts, own = places[index]
        metrics = metrics_cache.setdefault(style_name, PageMetrics(*style))
        following = places[index + 1][:3] if index + 1 < len(places) else (after or None)
        if auto_height:
            # The office reports no height for rows that grow with their text: measure the row against
            # what follows it; the last row of a page takes the height of the row above it.
            if following is not None and following[0] == page:
                measured = points(following[2] - y)
            elif index == 0 or places[index - 1][0] != page:
                measured = 0
            height = measured
        else:
            height = points(fixed_height)
        offset = (page - 1) * (metrics.height + PAGE_GAP)
        texts = [text.replace("\r\n", "\r").replace("\n", "\r") for text in texts]
        layouts.append(RowLayout(texts, _widths(columns, own, len(names)), points(y + metrics.top - offset),
                                 points(x + metrics.left), page, height, metrics))
    return layouts


class PageSetup(DispatchObject):
    def __init__(self, metrics):
        self._metrics = metrics

    def get_PageHeight(self):
        return Single(points(self._metrics.height))

    def get_PageWidth(self):
        return Single(points(self._metrics.width))

    def get_TopMargin(self):
        return Single(points(self._metrics.top))

    def get_LeftMargin(self):
        return Single(points(self._metrics.left))


class RowRange(DispatchObject):
    def __init__(self, layout):
        self._layout = layout

    def get_Text(self):
        # Each cell's text ends with the cell end mark, and the row with one of its own.
        return "".join(text + CELL_END for text in self._layout.texts) + CELL_END

    def get_Information(self, kind):
        if kind == INFO_PAGE_NUMBER:
            return self._layout.page
        if kind == INFO_HORIZONTAL_POSITION:
            return Single(self._layout.left)
        if kind == INFO_VERTICAL_POSITION:
            return Single(self._layout.top)
        raise DispatchError("Сведения вида %r не поддерживаются" % (kind,))

    def get_PageSetup(self):
        return PageSetup(self._layout.metrics)


class Cell(DispatchObject):
    def __init__(self, layout, index):
        self._layout = layout
        self._index = index

    def get_Width(self):
        return Single(self._layout.widths[self._index])

    def get_Height(self):
        return Single(self._layout.height)

    def get_Range(self):
        return CellRange(self._layout.texts[self._index])


class CellRange(DispatchObject):
    def __init__(self, text):
        self._text = text

    def get_Text(self):
        return self._text + CELL_END


def _item(items, index, what):
    if isinstance(index, int) and not isinstance(index, bool) and 1 <= index <= len(items):
        return items[index - 1]
    raise DispatchError("Нет %s %r" % (what, index))


class Cells(DispatchObject):
    def __init__(self, layout):
        self._layout = layout

    def get_Count(self):
        return len(self._layout.texts)

    def m_Item(self, index):
        _item(self._layout.texts, index, "ячейки")
        return Cell(self._layout, index - 1)


class Row(DispatchObject):
    def __init__(self, layout):
        self._layout = layout

    def get_Range(self):
        return RowRange(self._layout)

    def get_Cells(self):
        return Cells(self._layout)

    def get_Height(self):
        return Single(self._layout.height)


class Rows(DispatchObject):
    def __init__(self, layouts):
        self._layouts = layouts

    def get_Count(self):
        return len(self._layouts)

    def m_Item(self, index):
        return Row(_item(self._layouts, index, "строки"))


class Table(DispatchObject):
    def __init__(self, office, model, name):
        self._office = office
        self._model = model
        self._name = name
        self._rows = None

    def get_Rows(self):
        if self._rows is None:
            self._rows = Rows(lay_out(self._office, self._model, self._name))
        return self._rows


def body_tables(office, model):
    """The tables of the document body in reading order (page, then from the top, then from the
    left), leaving out those of headers and footers. Positions order them: comparing text ranges
    with the start of a table can bring the office down."""
    starts = [tuple(start) for start in layout_call(office, model, "TableStarts")]
    return [start[0] for start in sorted(starts, key=lambda start: start[1:])]


class Tables(DispatchObject):
    def __init__(self, office, model):
        self._tables = [Table(office, model, name) for name in body_tables(office, model)]

    def get_Count(self):
        return len(self._tables)

    def m_Item(self, index):
        return _item(self._tables, index, "таблицы")
