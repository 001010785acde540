"""One open drawing: the ezdxf document, its current layout, the undo snapshot and the edits the
members and commands make to it."""

import io
import os
import threading

import ezdxf
from ezdxf import recover
from ezdxf.lldxf import validator

from .diagnostics import Messages, complain, recording

MODEL = "Model"


class DrawingError(Exception):
    """A request the drawing cannot carry out; the message is the server's error line."""


def is_dwg(path):
    return path.lower().endswith(".dwg")


# How many repairs a warning names before it only counts the rest.
_NAMED_REPAIRS = 3
_TAIL_BYTES = 64


def _unreadable(path, reason):
    return DrawingError(f"Не могу прочитать чертеж {path}: {reason}")


def _last_tag(path, size):
    """The value of a text DXF's last tag of group 0 when the file ends with one (upper case)."""
    with open(path, "rb") as stream:
        stream.seek(max(0, size - _TAIL_BYTES))
        # Old writers pad the end with NUL or a DOS end-of-file byte: neither is content.
        tail = stream.read().replace(b"\x00", b" ").replace(b"\x1a", b" ").split()
    return tail[-1].upper() if len(tail) >= 2 and tail[-2] == b"0" else None


def _read(path):
    """The document and the repairs made while reading it (texts)."""
    try:
        size = os.path.getsize(path)
    except OSError as error:
        raise _unreadable(path, error.strerror or error) from error
    if size == 0:
        raise _unreadable(path, "файл пуст")
    if validator.is_binary_dxf_file(path):
        try:
            return ezdxf.readfile(path), []
        except (OSError, ValueError, ezdxf.DXFError) as error:
            raise _unreadable(path, error) from error
    if not validator.is_dxf_file(path):
        raise _unreadable(path, "это не файл DXF")
    repairs = []
    last = _last_tag(path, size)
    if last == b"ENDSEC":
        repairs.append("нет метки конца файла EOF")
    elif last != b"EOF":
        # Cut short inside a section: the program discards such a file, what is missing is lost.
        raise _unreadable(path, "файл обрывается, конец чертежа отсутствует")
    try:
        return ezdxf.readfile(path), repairs
    except ezdxf.DXFStructureError:
        pass  # damaged: the repairing reader gets a second try, as on opening in the program
    except (OSError, ValueError, ezdxf.DXFError) as error:
        raise _unreadable(path, error) from error
    try:
        doc, auditor = recover.readfile(path)
    except (OSError, ValueError, ezdxf.DXFError) as error:
        raise _unreadable(path, error) from error
    return doc, repairs + ["структура файла DXF"] + [fix.message for fix in auditor.fixes]


def _entities_of(doc):
    for layout in doc.blocks:
        for entity in list(layout):
            yield entity
            if hasattr(entity, "process_sub_entities"):
                found = []
                entity.process_sub_entities(found.append)
                yield from found
    yield from list(doc.objects)


def _give_duplicates_new_handles(doc):
    """An entity whose handle another one took while reading (files of other programs have them) gets
    a handle of its own, as the program's audit does; references keep the first owner of the handle."""
    database = doc.entitydb
    renamed = []
    for entity in _entities_of(doc):
        handle = entity.dxf.handle
        if entity.is_alive and handle is not None and database.get(handle) is not entity:
            new_handle = database.next_handle()
            entity.dxf.handle = new_handle
            database[new_handle] = entity
            renamed.append(f"повторный дескриптор {handle} у {entity.dxftype()} заменен на {new_handle}")
    return renamed


def load(path):
    """Reads a DXF drawing, repairing what the program's audit repairs; DWG has no engine here. A
    drawing that needed repairs is reported by one line naming the file and the repairs."""
    if is_dwg(path):
        raise DrawingError(f"Формат DWG не поддерживается, откройте чертеж DXF: {path}")
    if not os.path.isfile(path):
        raise DrawingError(f"Файл чертежа не найден: {path}")
    doc, repairs = _read(path)
    try:
        repairs += _give_duplicates_new_handles(doc)
        auditor = doc.audit()
    except Exception as error:  # noqa: BLE001 - a drawing the audit cannot walk is not readable
        raise _unreadable(path, f"{type(error).__name__}: {error}") from error
    repairs += [fix.message for fix in auditor.fixes]
    if repairs:
        named = "; ".join(repairs[:_NAMED_REPAIRS])
        more = f" и еще {len(repairs) - _NAMED_REPAIRS}" if len(repairs) > _NAMED_REPAIRS else ""
        complain(f"Чертеж {path} поврежден и восстановлен при открытии, исправлено {len(repairs)}: {named}{more}")
    if auditor.errors:
        complain(f"Чертеж {path}: ошибок, не исправленных при открытии: {len(auditor.errors)}: "
                 f"{auditor.errors[0].message}")
    return doc


# Custom property texts keep control characters in the caret form the program writes to DXF
# (^J, ^M, ^I; a caret itself as "^ "): a raw line break would end the text's line in the file.
def encode_property_text(text):
    out = []
    for char in text:
        code = ord(char)
        if char == "^":
            out.append("^ ")
        elif code < 32:
            out.append("^" + chr(code + 64))
        else:
            out.append(char)
    return "".join(out)


def decode_property_text(text):
    out = []
    index = 0
    while index < len(text):
        char = text[index]
        following = text[index + 1] if index + 1 < len(text) else ""
        if char == "^" and (following == " " or "@" <= following <= "_"):
            out.append("^" if following == " " else chr(ord(following) - 64))
            index += 2
            continue
        out.append(char)
        index += 1
    return "".join(out)


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
        # What opening and the commands reported, until the client takes it.
        self.messages = Messages()
        # Folders the user's script may open files in (None: the drawing's own folder only; "*" in the
        # list: anywhere).
        self.script_folders = None

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
        key = encode_property_text(key)
        if custom.has_tag(key):
            raise DrawingError(f"Свойство уже существует: {decode_property_text(key)}")
        custom.append(key, encode_property_text(value))
        self.modified = True

    def set_custom_property(self, key, value):
        custom = self.doc.header.custom_vars
        key = encode_property_text(key)
        if not custom.has_tag(key):
            raise DrawingError(f"Свойство не найдено: {decode_property_text(key)}")
        custom.replace(key, encode_property_text(value))
        self.modified = True

    def custom_property(self, key):
        custom = self.doc.header.custom_vars
        key = encode_property_text(key)
        if not custom.has_tag(key):
            raise DrawingError(f"Свойство не найдено: {decode_property_text(key)}")
        return decode_property_text(custom.get(key))

    def custom_properties(self):
        """(name, value) pairs as the user wrote them."""
        return [(decode_property_text(key), decode_property_text(value))
                for key, value in self.doc.header.custom_vars.properties]

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
    """The drawing, with what opening reported kept in its messages."""
    messages = Messages()
    with recording(messages):
        doc = load(path)
    drawing = Drawing(path, doc, read_only)
    drawing.messages = messages
    return drawing


__all__ = ["Drawing", "DrawingError", "MODEL", "open_drawing", "is_dwg", "load", "complain",
           "encode_property_text", "decode_property_text"]
