"""External references of a drawing: their stored paths, full-path rewriting and binding (the
referenced drawing's content becomes an ordinary block of this drawing)."""

import io
import os

import ezdxf
from ezdxf.addons.importer import Importer

from .diagnostics import complain
from .drawing import DrawingError, is_dwg
from .limits import check_file_size

# Block flags that make a definition a reference or a part of one.
_REFERENCE_FLAGS = 4 | 8 | 16 | 32 | 64


def is_reference(block_layout):
    block = block_layout.block
    return block.is_xref or block.is_xref_overlay


def reference_layouts(doc):
    return [layout for layout in doc.blocks if not layout.is_any_layout and is_reference(layout)]


def stored_path(block_layout):
    return block_layout.block.dxf.get("xref_path", "")


def set_stored_path(block_layout, path):
    block_layout.block.dxf.xref_path = path


def _portable(path):
    # Drawings made on Windows separate folders with backslashes.
    return path.replace("\\", "/")


def full_path(folder, path):
    """The stored path taken against the drawing's folder, normalised."""
    path = _portable(path)
    if not os.path.isabs(path):
        path = os.path.join(folder, path)
    return os.path.normpath(path)


def find_reference_file(folder, path):
    """The referenced file: the stored path (relative to the drawing), else a file of the same name
    beside the drawing; None when neither exists."""
    if not path:
        return None
    for candidate in (full_path(folder, path), os.path.join(folder, os.path.basename(_portable(path)))):
        if os.path.isfile(candidate):
            return os.path.normpath(candidate)
    return None


def make_paths_full(drawing):
    for layout in reference_layouts(drawing.doc):
        path = stored_path(layout)
        if path:
            set_stored_path(layout, full_path(drawing.folder, path))
            drawing.modified = True


def bind_all(drawing):
    """Binds every reference whose file is found and readable; returns the names bound. Unbound
    references stay references with their paths unchanged."""
    bound = _bind_into(drawing.doc, drawing.folder, drawing.path, complain)
    if bound:
        drawing.modified = True
    return bound


def display_document(drawing):
    """The document as the program shows it: references whose files are found are drawn with their
    content. The drawing itself is left as it is; a copy is made only when there is content to add."""
    folder = drawing.folder
    if not any(_readable_reference(folder, drawing.path, layout) for layout in reference_layouts(drawing.doc)):
        return drawing.doc
    stream = io.StringIO()
    drawing.doc.write(stream)
    shown = ezdxf.read(io.StringIO(stream.getvalue()))
    _bind_into(shown, folder, drawing.path, lambda message: None)
    return shown


def _readable_reference(folder, own_path, layout):
    found = find_reference_file(folder, stored_path(layout))
    return found is not None and not is_dwg(found) and not _same_file(found, own_path)


def _same_file(path, other):
    return os.path.normcase(os.path.abspath(path)) == os.path.normcase(os.path.abspath(other))


def _bind_into(doc, folder, own_path, report):
    bound = []
    visited = set()
    # The files each reference block came through: a reference to one of them closes a circle.
    through = {}
    # References of bound drawings arrive as new reference blocks; they are bound in later rounds.
    while True:
        pending = [layout for layout in reference_layouts(doc) if layout.name not in visited]
        if not pending:
            return bound
        for layout in pending:
            visited.add(layout.name)
            before = {other.name for other in reference_layouts(doc)}
            found = _bind_one(doc, folder, own_path, layout, report, through.get(layout.name, ()))
            if found is not None:
                bound.append(layout.name)
                chain = through.get(layout.name, ()) + (os.path.normcase(os.path.abspath(found)),)
                for other in reference_layouts(doc):
                    if other.name not in before:
                        through[other.name] = chain


def _bind_one(doc, folder, own_path, layout, report, through=()):
    """Binds one reference; the path of the file bound, None when it stays a reference."""
    path = stored_path(layout)
    found = find_reference_file(folder, path)
    if found is None:
        report(f'Ссылка "{layout.name}" не найдена: {path}')
        return None
    if is_dwg(found):
        report(f'Ссылка "{layout.name}" не внедрена: формат DWG не поддерживается ({found})')
        return None
    if _same_file(found, own_path):
        report(f'Ссылка "{layout.name}" указывает на сам чертеж и не внедрена')
        return None
    if os.path.normcase(os.path.abspath(found)) in through:
        report(f'Ссылка "{layout.name}" замыкает круг ссылок и не внедрена: {found}')
        return None
    try:
        check_file_size(found)
        source = ezdxf.readfile(found)
    except (OSError, ValueError, ezdxf.DXFError, DrawingError) as error:
        report(f'Ссылка "{layout.name}" не внедрена: {error}')
        return None

    _import_content(source, doc, layout)
    block = layout.block
    block.dxf.flags = block.dxf.get("flags", 0) & ~_REFERENCE_FLAGS
    block.dxf.discard("xref_path")
    return found


def _import_content(source, target, layout):
    """Copies the referenced model space into the block; nested blocks, layers, line types, text and
    dimension styles come along (renamed when the name is taken by a different block)."""
    for entity in list(layout):
        layout.delete_entity(entity)
    # A reference is placed by its own insertion base.
    base = source.header.get("$INSBASE", (0, 0, 0))
    layout.block.dxf.base_point = base
    importer = Importer(source, target)
    importer.import_entities(source.modelspace(), layout)
    importer.finalize()


__all__ = [
    "bind_all",
    "display_document",
    "find_reference_file",
    "full_path",
    "is_reference",
    "make_paths_full",
    "reference_layouts",
    "set_stored_path",
    "stored_path",
    "DrawingError",
]
