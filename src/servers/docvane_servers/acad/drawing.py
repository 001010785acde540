"""One open drawing: the ezdxf document, its current layout, the undo snapshot and the edits the
members and commands make to it."""

import io
import os
import threading

import ezdxf
from ezdxf import recover

from .diagnostics import complain

MODEL = "Model"


class DrawingError(Exception):
    """A request the drawing cannot carry out; the message is the server's error line."""


def is_dwg(path):
    return path.lower().endswith(".dwg")


def load(path):
    """Reads a DXF drawing; DWG has no engine here."""
    if is_dwg(path):
        raise DrawingError(f"Формат DWG не поддерживается, откройте чертеж DXF: {path}")
    if not os.path.isfile(path):
        raise DrawingError(f"Файл чертежа не найден: {path}")
    try:
        return ezdxf.readfile(path)
    except ezdxf.DXFStructureError:
        pass  # damaged: the repairing reader below gets a second try, as on opening in the program
    except (OSError, ValueError, ezdxf.DXFError) as error:
        raise DrawingError(f"Не могу прочитать чертеж {path}: {error}") from error
    try:
        doc, auditor = recover.readfile(path)
    except (OSError, ValueError, ezdxf.DXFError) as error:
        raise DrawingError(f"Не могу прочитать чертеж {path}: {error}") from error
    complain(f"Чертеж {path} поврежден и восстановлен при открытии: исправлено {len(auditor.fixes)}")
    return doc


class Drawing:
    def __init__(self, path, doc, read_only=True):
        self.path = os.path.abspath(path)
        self.doc = doc
        self.read_only = read_only
        self.lock = threading.RLock()
        self.current_layout = _layout_at_open(doc)
        self.undo_snapshot = None
        self.variables = {}
        self.modified = False

    @property
    def folder(self):
        return os.path.dirname(self.path)

    # --- layouts -------------------------------------------------------------------------------

    def layout_names(self):
        """Model first, then the paper layouts in tab order; positions are the tab orders."""
        return list(self.doc.layouts.names_in_taborder())

    def tab_order(self, name):
        names = self.layout_names()
        if name not in names:
            raise DrawingError(f"Лист не найден: {name}")
        return names.index(name)

    def paper_layouts(self):
        return [self.doc.layouts.get(name) for name in self.layout_names()[1:]]

    def set_current_layout(self, name):
        if name == "":
            return
        for existing in self.layout_names():
            if existing.lower() == name.lower():
                self.current_layout = existing
                return
        raise DrawingError(f'Лист "{name}" не найден.')

    def delete_layout(self, name):
        if name == MODEL:
            raise DrawingError("Лист модели удалить нельзя.")
        if name not in self.layout_names():
            raise DrawingError(f"Лист не найден: {name}")
        try:
            self.doc.layouts.delete(name)
        except ezdxf.DXFValueError as error:
            raise DrawingError(f"Не могу удалить лист {name}: {error}") from error
        if self.current_layout == name:
            self.current_layout = self.doc.layouts.active_layout().name
        self.modified = True

    # --- custom properties ---------------------------------------------------------------------

    def add_custom_property(self, key, value):
        custom = self.doc.header.custom_vars
        if custom.has_tag(key):
            raise DrawingError(f"Свойство уже существует: {key}")
        custom.append(key, value)
        self.modified = True

    def set_custom_property(self, key, value):
        custom = self.doc.header.custom_vars
        if not custom.has_tag(key):
            raise DrawingError(f"Свойство не найдено: {key}")
        custom.replace(key, value)
        self.modified = True

    # --- undo ----------------------------------------------------------------------------------

    def start_undo_mark(self):
        self.undo_snapshot = (self._serialised(), self.current_layout)

    def undo(self):
        """Back to the state at the last undo mark; false when there is none."""
        if self.undo_snapshot is None:
            return False
        text, layout = self.undo_snapshot
        self.undo_snapshot = None
        self.doc = ezdxf.read(io.StringIO(text))
        self.current_layout = layout if layout in self.layout_names() else MODEL
        return True

    def _serialised(self):
        stream = io.StringIO()
        self.doc.write(stream)
        return stream.getvalue()

    # --- blocks --------------------------------------------------------------------------------

    def block_records(self):
        return list(self.doc.block_records)

    def block_by_handle(self, handle):
        entity = self.doc.entitydb.get(str(handle).upper())
        if entity is None or not entity.is_alive:
            return None
        return entity

    def purge_unused_blocks(self):
        """Removes block definitions no insert, dimension style or layout uses; returns their names.
        A block used only by a removed block survives until the next purge, as users know it."""
        used = self._used_block_names()
        removed = []
        for record in self.block_records():
            name = record.dxf.name
            block = self.doc.blocks.get(name)
            if block is None or name in used or _is_protected_block(block):
                continue
            self.doc.blocks.delete_block(name, safe=False)
            removed.append(name)
        if removed:
            self.modified = True
        return removed

    def _used_block_names(self):
        used = set()
        for block in self.doc.blocks:
            for entity in block:
                if entity.dxftype() == "INSERT":
                    used.add(entity.dxf.name)
                elif entity.dxftype() == "DIMENSION" and entity.dxf.hasattr("geometry"):
                    used.add(entity.dxf.geometry)
        for style in self.doc.dimstyles:
            for attrib in ("dimblk", "dimblk1", "dimblk2", "dimldrblk"):
                if style.dxf.hasattr(attrib):
                    used.add(style.dxf.get(attrib))
        return used


def _layout_at_open(doc):
    # A drawing saved with model space showing opens on the model.
    if doc.header.get("$TILEMODE", 1) == 1:
        return MODEL
    return doc.layouts.active_layout().name


def _is_protected_block(block):
    name = block.name
    return (
        block.is_any_layout
        or block.block.is_xref
        or block.block.is_xref_overlay
        or name.startswith("*")
        or name.upper().startswith("_")
    )


def open_drawing(path, read_only=True):
    doc = load(path)
    drawing = Drawing(path, doc, read_only)
    return drawing


__all__ = ["Drawing", "DrawingError", "MODEL", "open_drawing", "is_dwg", "load", "complain"]
