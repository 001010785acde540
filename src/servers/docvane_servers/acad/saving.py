"""Writing a drawing to a file of a chosen release, without touching the open document's own file."""

import io
import os
import secrets

import ezdxf
import ezdxf.filemanagement
from ezdxf.lldxf import tagger

from .drawing import DrawingError, decode_property_text, is_dwg

# The release names users pick and the DXF releases written for them.
RELEASES = {
    "2000": "R2000",
    "2004": "R2004",
    "2007": "R2007",
    "2010": "R2010",
    "2013": "R2013",
    "2018": "R2018",
}


FIRST_HEADER_PROPERTIES_RELEASE = "R2004"
LEGACY_PROPERTIES_KEY = "DWGPROPS"
CYRILLIC_ENCODING = "cp1251"
CYRILLIC_CODEPAGE = "ANSI_1251"


def dxf_release(name):
    release = RELEASES.get(str(name).strip())
    if release is None:
        raise DrawingError(f"Неизвестная версия формата: {name}")
    return release


_TEMPORARY_ATTEMPTS = 100


def _create_temporary(folder):
    """A new file of this process beside the target. Created with the mode every other output gets
    (0666 less the user's umask), so the file renamed into place is as readable as the user wants."""
    for _ in range(_TEMPORARY_ATTEMPTS):
        temporary = os.path.join(folder, ".docvane-" + secrets.token_hex(6))
        try:
            handle = os.open(temporary, os.O_WRONLY | os.O_CREAT | os.O_EXCL | os.O_CLOEXEC, 0o666)
        except FileExistsError:
            continue
        return handle, temporary
    raise DrawingError(f"Не могу создать временный файл в папке: {folder}")


def write_atomically(path, write, verify=None):
    """Writes through a temporary file in the target folder, so a failed or interrupted write
    never leaves a partial file under the target name. verify(temporary path), when given, checks
    the written file before it takes the target's name (raising DrawingError when it is not good)."""
    folder = os.path.dirname(os.path.abspath(path))
    if not os.path.isdir(folder):
        raise DrawingError(f"Папка не найдена: {folder}")
    try:
        handle, temporary = _create_temporary(folder)
    except OSError as error:
        raise DrawingError(f"Не могу создать временный файл в папке {folder}: {error.strerror}") from error
    try:
        with os.fdopen(handle, "wb") as stream:
            write(stream)
        if verify is not None:
            verify(temporary)
        os.replace(temporary, path)
    except BaseException:
        try:
            os.unlink(temporary)
        except OSError:
            pass
        raise


def save_as(drawing, release_name, path):
    if is_dwg(path):
        raise DrawingError(f"Сохранение в формате DWG не поддерживается: {path}")
    if os.path.abspath(path) == drawing.path and drawing.read_only:
        raise DrawingError(f"Чертеж открыт только для чтения: {path}")
    release = dxf_release(release_name)
    text = _as_release(drawing.doc, release)

    def write(stream):
        stream.write(text)

    write_atomically(path, write, lambda written: verify_saved(drawing, written, path))


def verify_saved(drawing, written, path):
    """A saved drawing counts only once it reads back: every tag well formed, the sections closed, the
    end marker last, and (from release 2004, where the header holds them) the custom properties of the
    open drawing. Read as a stream, so a large drawing is not held twice."""
    try:
        properties = _read_back(written)
    except (OSError, ValueError, UnicodeError, ezdxf.DXFError) as error:
        raise DrawingError(f"Записанный чертеж не читается: {path}: {error}") from error
    if properties is not None and properties != drawing.custom_properties():
        raise DrawingError(f"Записанный чертеж не сохранил свойства чертежа: {path}")


def _read_back(written):
    """The custom properties (decoded) of a written DXF, None before release 2004; raises on a file a
    reader would refuse."""
    info = ezdxf.filemanagement.dxf_file_info(written)
    properties = []
    in_section = False
    header = False
    ended = False
    previous = None
    with open(written, encoding=info.encoding, errors="strict", newline="") as stream:
        for code, value in tagger.ascii_tags_loader(stream):
            if ended:
                raise ValueError("данные после конца файла")
            if code == 0:
                if value == "SECTION":
                    if in_section:
                        raise ValueError("секция не закрыта")
                    in_section = True
                elif value == "ENDSEC":
                    if not in_section:
                        raise ValueError("лишний конец секции")
                    in_section = header = False
                elif value == "EOF":
                    ended = True
            elif code == 2 and previous == (0, "SECTION"):
                header = value == "HEADER"
            elif header and code == 1 and previous is not None and previous[0] == 9:
                if previous[1] == "$CUSTOMPROPERTYTAG":
                    properties.append([decode_property_text(value), None])
                elif previous[1] == "$CUSTOMPROPERTY" and properties and properties[-1][1] is None:
                    properties[-1][1] = decode_property_text(value)
            previous = (code, value)
    if in_section or not ended:
        raise ValueError("файл не закончен")
    if info.version < ezdxf.const.DXF2004:
        return None
    return [(key, value) for key, value in properties]


def save_file(drawing, path):
    """Saves the drawing in its own release."""
    if is_dwg(path):
        raise DrawingError(f"Сохранение в формате DWG не поддерживается: {path}")
    text = drawing.doc.encode(_text(drawing.doc))
    write_atomically(path, lambda stream: stream.write(text), lambda written: verify_saved(drawing, written, path))
    drawing.modified = False


def _text(doc):
    stream = io.StringIO()
    doc.write(stream)
    return stream.getvalue()


def _as_release(doc, release):
    """The document as bytes of the wanted release; the open document keeps its own release. Older
    releases store text in a code page: a Cyrillic drawing on the Western default gets the Cyrillic
    one, as Russian installations write it, so the text stays readable everywhere."""
    original = (doc.dxfversion, doc.encoding, doc.header.get("$DWGCODEPAGE", "ANSI_1252"))
    legacy_properties = None
    try:
        doc.dxfversion = ezdxf.const.acad_release_to_dxf_version[release]
        if release < FIRST_HEADER_PROPERTIES_RELEASE:
            legacy_properties = _add_legacy_properties(doc)
        text = _text(doc)
        if doc.output_encoding != "utf-8" and not _encodable(text, doc.output_encoding):
            if _encodable(text, CYRILLIC_ENCODING):
                doc.encoding = CYRILLIC_ENCODING
                doc.header["$DWGCODEPAGE"] = CYRILLIC_CODEPAGE
                text = _text(doc)
        return doc.encode(text)
    finally:
        if legacy_properties is not None:
            doc.rootdict.remove(LEGACY_PROPERTIES_KEY)
        doc.dxfversion, doc.encoding, doc.header["$DWGCODEPAGE"] = original


def _add_legacy_properties(doc):
    """Releases before 2004 keep drawing properties in a record of the named-object dictionary,
    custom ones as "name=value" texts; None when there is nothing to keep or the record exists."""
    properties = doc.header.custom_vars.properties
    if not properties or LEGACY_PROPERTIES_KEY in doc.rootdict:
        return None
    record = doc.objects.add_xrecord(doc.rootdict.dxf.handle)
    tags = [(1, "DWGPROPS COOKIE")] + [(code, "") for code in (2, 3, 4, 6, 7, 8, 9)]
    tags += [(300 + index, f"{key}={value}") for index, (key, value) in enumerate(properties[:10])]
    record.reset(tags)
    doc.rootdict[LEGACY_PROPERTIES_KEY] = record
    return record


def legacy_properties(doc):
    """The custom properties of a release-2000 drawing's property record, as a dict."""
    record = doc.rootdict.get(LEGACY_PROPERTIES_KEY)
    found = {}
    if record is None or record.dxftype() != "XRECORD":
        return found
    for code, value in record.tags:
        if 300 <= code <= 309 and "=" in str(value):
            key, _, text = str(value).partition("=")
            found[key] = text
    return found


def _encodable(text, encoding):
    try:
        text.encode(encoding)
    except UnicodeEncodeError:
        return False
    return True
