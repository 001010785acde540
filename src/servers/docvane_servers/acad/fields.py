"""Fields showing the drawing's custom properties: field codes "%<\\AcVar CustomDP.NAME>%" written in
the text of TEXT, MTEXT (with its backslash doubled), attributes and table cells, and FIELD objects
linked to a text through its extension dictionary, as the program stores a field it evaluated.

A printed drawing shows each field's value; a property the drawing does not have shows "####". Codes
typed into text stay as they are in the drawing (they are the field); FIELD objects get the value as
their cached result, and their text the evaluated string, as on every evaluation in the program."""

import re
from contextlib import contextmanager

from .drawing import decode_property_text

UNKNOWN = "####"
TEXT_KINDS = ("TEXT", "ATTRIB", "ATTDEF")
MTEXT_KIND = "MTEXT"

# The name runs to the closing ">%" or to a format switch ("\f") whose text case is applied.
_CODE = re.compile(r'%<\\{1,2}AcVar\s+CustomDP\.(.*?)(?:\s+\\{1,2}f\s+"([^"]*)")?\s*>%', re.IGNORECASE)
_CHILD = re.compile(r"%<\\{1,2}_FldIdx\s+(\d+)\s*>%", re.IGNORECASE)
_SINGLE_CODE = re.compile(r'^\\{1,2}AcVar\s+CustomDP\.(.*?)(?:\s+\\{1,2}f\s+"([^"]*)")?\s*$', re.IGNORECASE)
_TEXT_CASE = re.compile(r"%tc(\d)")
_LINE_BREAK = re.compile(r"\r\n|\r|\n")

FIELD_SUBCLASS = "AcDbField"
FIELD_DICTIONARY = "ACAD_FIELD"
TEXT_FIELD_KEY = "TEXT"
CACHE_CODE = 301
CACHE_OVERFLOW_CODE = 9
CACHE_LENGTH_CODE = 98


class Values:
    """The drawing's custom properties as fields see them; names are compared without case."""

    def __init__(self, doc):
        self.exact = {}
        self.folded = {}
        # The header keeps control characters and carets in the file's caret form.
        for key, value in doc.header.custom_vars.properties:
            key, value = decode_property_text(key), decode_property_text(value)
            self.exact.setdefault(key, value)
            self.folded.setdefault(key.strip().casefold(), value)

    def get(self, name):
        name = name.strip()
        if name in self.exact:
            return self.exact[name]
        return self.folded.get(name.casefold(), UNKNOWN)


def text_escaped(value):
    """A value inside single-line text: a line break becomes a space, a caret stays a caret."""
    return _LINE_BREAK.sub(" ", value).replace("\t", " ").replace("^", "^ ")


def mtext_escaped(value):
    """A value inside paragraph text: its own codes are taken literally, a line break is a new line."""
    value = value.replace("\\", "\\\\").replace("{", "\\{").replace("}", "\\}").replace("^", "^ ")
    return _LINE_BREAK.sub("\\\\P", value).replace("\t", " ")


def formatted(value, form):
    """The value in the text case its format asks for: %tc1 upper, %tc2 lower, %tc3 first capital,
    %tc4 title case; other formats leave text as it is."""
    found = _TEXT_CASE.search(form or "")
    case = found.group(1) if found else ""
    if value == UNKNOWN or not case:
        return value
    if case == "1":
        return value.upper()
    if case == "2":
        return value.lower()
    if case == "3":
        return value[:1].upper() + value[1:]
    if case == "4":
        return value.title()
    return value


def has_code(text):
    return "%<" in text and _CODE.search(text) is not None


def substitute(text, values, escape):
    return _CODE.sub(lambda match: escape(formatted(values.get(match.group(1)), match.group(2))), text)


# --- FIELD objects ---------------------------------------------------------------------------------


def _field_tags(field):
    try:
        return field.xtags.get_subclass(FIELD_SUBCLASS)
    except Exception:  # noqa: BLE001 - not a field as this module knows it
        return None


def _field_code(tags):
    parts = [tag.value for tag in tags if tag.code in (2, 3)]
    return "".join(str(part) for part in parts)


def _cached(tags):
    return "".join(str(tag.value) for tag in tags if tag.code in (CACHE_CODE, CACHE_OVERFLOW_CODE))


def _set_cached(tags, text):
    positions = [index for index, tag in enumerate(tags) if tag.code == CACHE_CODE]
    if not positions:
        return False
    from ezdxf.lldxf.types import DXFTag

    first = positions[0]
    tags[first] = DXFTag(CACHE_CODE, text)
    # The cache is one string now: overflow parts of an older, longer value go.
    tags[:] = [tag for index, tag in enumerate(tags) if index <= first or tag.code != CACHE_OVERFLOW_CODE]
    for index, tag in enumerate(tags):
        if tag.code == CACHE_LENGTH_CODE:
            tags[index] = DXFTag(CACHE_LENGTH_CODE, len(text))
            break
    return True


def text_field(entity):
    """The FIELD object that evaluates the entity's text, or None."""
    try:
        if not entity.has_extension_dict:
            return None
        fields = entity.get_extension_dict().get(FIELD_DICTIONARY)
        if fields is None or fields.dxftype() != "DICTIONARY":
            return None
        field = fields.get(TEXT_FIELD_KEY)
    except Exception:  # noqa: BLE001 - a damaged dictionary links no field
        return None
    return field if field is not None and field.dxftype() == "FIELD" else None


def _children(doc, tags):
    found = []
    for tag in tags:
        if tag.code == 360:
            child = doc.entitydb.get(str(tag.value))
            found.append(child if child is not None and child.dxftype() == "FIELD" else None)
    return found


def evaluate(doc, field, values, escape, update, depth=0):
    """The text a FIELD shows; when update is set its cached result (and its children's) becomes it.
    None when the field is not one this program evaluates (its cache is then left as it is)."""
    tags = _field_tags(field)
    if tags is None or depth > 8:
        return None
    code = _field_code(tags)
    single = _SINGLE_CODE.match(code)
    if single is not None:
        value = formatted(values.get(single.group(1)), single.group(2))
        if update:
            _set_cached(tags, value)
        return escape(value)
    if not ("%<" in code):
        return None
    children = _children(doc, tags)

    def child_text(match):
        index = int(match.group(1))
        child = children[index] if index < len(children) else None
        if child is None:
            return match.group(0)
        shown = evaluate(doc, child, values, escape, update, depth + 1)
        return shown if shown is not None else escape(_cached(_field_tags(child) or []))

    text = _CHILD.sub(child_text, code)
    text = substitute(text, values, escape)
    if update:
        _set_cached(tags, text)
    return text


def shown_text(entity, values, update=False):
    """The text the entity shows with its fields evaluated; None when it has none."""
    kind = entity.dxftype()
    if kind == MTEXT_KIND:
        escape, current = mtext_escaped, entity.text
    elif kind in TEXT_KINDS:
        escape, current = text_escaped, entity.dxf.get("text", "")
    else:
        return None
    field = text_field(entity)
    if field is not None and entity.doc is not None:
        evaluated = evaluate(entity.doc, field, values, escape, update)
        if evaluated is not None:
            return evaluated
    if has_code(current):
        return substitute(current, values, escape)
    return None


def _put_text(entity, text):
    if entity.dxftype() == MTEXT_KIND:
        entity.text = text
    else:
        entity.dxf.text = text


@contextmanager
def showing_values(entity, values):
    """The entity shows its fields' values for as long as the block runs; afterwards it holds its
    own text again (field codes are the drawing's content, not printed output)."""
    shown = shown_text(entity, values) if values is not None else None
    if shown is None:
        yield
        return
    original = entity.text if entity.dxftype() == MTEXT_KIND else entity.dxf.get("text", "")
    _put_text(entity, shown)
    try:
        yield
    finally:
        _put_text(entity, original)


def _table_fields(doc, table):
    """The FIELD objects of a table's cells (pointed to from the cell data) and the table's block."""
    try:
        tags = table.xtags.get_subclass("AcDbTable")
        block_name = table.xtags.get_subclass("AcDbBlockReference").get_first_value(2, None)
    except Exception:  # noqa: BLE001 - a table as this module does not know it
        return [], None
    found = []
    for tag in tags:
        if tag.code in (340, 344):
            field = doc.entitydb.get(str(tag.value))
            if field is not None and field.dxftype() == "FIELD":
                found.append(field)
    return found, doc.blocks.get(block_name) if block_name else None


def _update_table(doc, table, values):
    """A table cell with a field shows its cached result through a paragraph text of the table's
    block: the text that shows the old result shows the new one."""
    cell_fields, block = _table_fields(doc, table)
    changed = 0
    for field in cell_fields:
        old = _cached(_field_tags(field) or [])
        new = evaluate(doc, field, values, mtext_escaped, True)
        if new is None or block is None or not old:
            continue
        for entity in block:
            if entity.dxftype() == MTEXT_KIND and old in (entity.text, entity.plain_text()):
                entity.text = new
                changed += 1
    return changed


def update_field_objects(doc):
    """Evaluates every text linked to a FIELD object: the fields cache their values and the texts
    hold the evaluated strings, as after an evaluation in the program. Returns how many changed."""
    values = Values(doc)
    changed = 0
    for entity in list(doc.entitydb.values()):
        kind = entity.dxftype()
        if kind == "ACAD_TABLE" and entity.is_alive:
            changed += _update_table(doc, entity, values)
            continue
        if kind not in TEXT_KINDS and kind != MTEXT_KIND or not entity.is_alive:
            continue
        field = text_field(entity)
        if field is None:
            continue
        escape = mtext_escaped if kind == MTEXT_KIND else text_escaped
        text = evaluate(doc, field, values, escape, True)
        if text is not None:
            _put_text(entity, text)
            changed += 1
    return changed
