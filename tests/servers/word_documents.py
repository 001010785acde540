"""Shared helpers of the word-server tests: generated documents, the server package on the path, PDF text."""
import os
import struct
import subprocess
import sys
import threading
import zipfile

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
sys.path.insert(0, os.path.join(ROOT, "src", "servers"))
sys.path.insert(0, os.path.join(ROOT, "examples", "demo", "generator"))

import docx_writer as dx  # noqa: E402
import uno  # noqa: E402

OLD = "старое значение"
NEW = "Жилой дом №7"


def fields_document(path, pages_before_table=0):
    """Fields in the body, the header and a text box (all showing OLD), a property nobody sets, and
    a contents table whose rows name pages 5, 12 and 12 (and two rows naming none)."""
    body = dx.paragraph(dx.text_run("Объект: "), dx.property_field("Объект", OLD))
    body += dx.text_box(dx.paragraph(dx.text_run("В рамке: "), dx.property_field("Объект", OLD)))
    body += dx.page_break() * pages_before_table
    body += dx.contents_table([("А-1", "Общие данные", "5"), ("А-2", "План", "стр. 12"),
                               ("А-3", "Разрезы", "12-14"), ("А-4", "Пусто", ""), ("А-5", "Без номера", "нет")])
    body += dx.paragraph(dx.text_run("Прочее:"))
    body += dx.table([["Обозначение", "Наименование", "Другое"], ["Б-1", "Не оглавление", "3"]], [3000, 3000, 3000])
    body += dx.page_break() + dx.paragraph(dx.text_run("Вторая страница"))
    dx.write_docx(path, body, {"Объект": OLD, "Чужое": "не трогать"},
                  header=dx.paragraph(dx.text_run("Шапка: "), dx.property_field("Объект", OLD)))


def statement_document(path):
    """Fields in the body, the header and a text box, and a table that lists no pages."""
    body = dx.paragraph(dx.text_run("Ведомость: "), dx.property_field("Объект", OLD))
    body += dx.text_box(dx.paragraph(dx.text_run("В рамке: "), dx.property_field("Объект", OLD)))
    body += dx.contents_table([("ГОСТ 21.101", "Требования к документации", "")])
    dx.write_docx(path, body, {"Объект": OLD},
                  header=dx.paragraph(dx.text_run("Шапка: "), dx.property_field("Объект", OLD)))


def header_table_document(path):
    """A contents table in the body, and tables (one looking like a contents table) in the header
    and the footer."""
    body = dx.contents_table([("В-1", "Единственная строка", "4")])
    header = dx.contents_table([("Ш-1", "В шапке", "1"), ("Ш-2", "В шапке", "2")])
    header += dx.paragraph(dx.text_run("Шапка"))
    footer = dx.table([["Подвал", "таблица"]], [3000, 3000]) + dx.paragraph(dx.text_run("Подвал"))
    dx.write_docx(path, body, header=header, footer=footer)


def long_table_document(path, rows=80, header=False):
    """One table of many one-line rows starting at the top of the first page, running onto page 2."""
    entries = [("Р-%d" % i, "Строка %d" % i, str(i)) for i in range(1, rows + 1)]
    dx.write_docx(path, dx.contents_table(entries),
                  header=dx.paragraph(dx.text_run("Шапка")) if header else None)


def pdf_text(path):
    return subprocess.run(["pdftotext", "-layout", path, "-"], check=True, capture_output=True,
                          text=True).stdout


def pdf_pages(path):
    info = subprocess.run(["pdfinfo", path], check=True, capture_output=True, text=True).stdout
    return int(next(line.split()[1] for line in info.splitlines() if line.startswith("Pages:")))


def soffice_processes(pid=None):
    """Pids of running soffice.bin processes (only pid itself when given)."""
    found = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit() or (pid is not None and int(entry) != pid):
            continue
        try:
            with open("/proc/%s/cmdline" % entry, "rb") as cmdline:
                command = cmdline.read().split(b"\0")
            with open("/proc/%s/stat" % entry) as stat:
                state = stat.read().rsplit(")", 1)[1].split()[0]
        except OSError:
            continue
        if command and command[0].endswith(b"soffice.bin") and state != "Z":
            found.append(int(entry))
    return found


def server_offices(temporary_folder):
    """soffice.bin processes of word servers that kept their private folder in temporary_folder."""
    found = set()
    marker = os.path.join(temporary_folder, "docvane-word-").encode()
    for pid in soffice_processes():
        try:
            with open("/proc/%d/cmdline" % pid, "rb") as cmdline:
                if marker in cmdline.read():
                    found.add(pid)
        except OSError:
            pass
    return found


def office_children(server_pid):
    """soffice.bin processes started by the server process server_pid."""
    children = []
    for pid in soffice_processes():
        try:
            with open("/proc/%d/stat" % pid) as stat:
                parent = int(stat.read().rsplit(")", 1)[1].split()[1])
        except OSError:
            continue
        if parent == server_pid:
            children.append(pid)
    return children



def publish_lines(command, env, timeout, on_line=None):
    """Runs a docvane-cli command and collects its output lines as they come (on_line(process, line)
    sees each at once); killed after timeout seconds. Returns (exit status, lines)."""
    process = subprocess.Popen(command, env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    timer = threading.Timer(timeout, process.kill)
    timer.start()
    lines = []
    try:
        for line in process.stdout:
            lines.append(line.rstrip("\n"))
            if on_line is not None:
                on_line(process, line)
        process.wait()
    finally:
        timer.cancel()
        process.stdout.close()
    return process.returncode, lines


def _extend_docx(path, parts, relationship, content_type, main_type=None):
    """Adds parts (name: bytes) to the document at path, with one relationship of its main part and
    one line of its content types (and another content type of the main part)."""
    with zipfile.ZipFile(path) as archive:
        parts.update({name: archive.read(name) for name in archive.namelist()})
    rels = "word/_rels/document.xml.rels"
    parts[rels] = parts[rels].replace(b"</Relationships>", relationship.encode() + b"</Relationships>")
    parts["[Content_Types].xml"] = parts["[Content_Types].xml"].replace(b"</Types>", content_type.encode() + b"</Types>")
    if main_type is not None:
        parts["[Content_Types].xml"] = parts["[Content_Types].xml"].replace(
            b"application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml", main_type.encode())
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as archive:
        for name, data in parts.items():
            archive.writestr(name, data)


def reviewed_document(path, authors=("Иванов", "Петров", "Сидорова"), rows=12):
    """A document as reviewers leave it: every paragraph has a tracked insertion and deletion and a
    formatted comment (two paragraphs, bold and italic) by one of several authors."""
    body, comments = "", []
    for i in range(rows):
        stamp = 'w:author="%s" w:date="2024-02-0%dT10:00:00Z"' % (authors[i % len(authors)], 1 + i % 9)
        body += ('<w:p><w:commentRangeStart w:id="%d"/>%s<w:ins w:id="%d" %s>%s</w:ins>'
                 '<w:del w:id="%d" %s><w:r><w:delText>удалено %d</w:delText></w:r></w:del>'
                 '<w:commentRangeEnd w:id="%d"/><w:r><w:commentReference w:id="%d"/></w:r></w:p>'
                 ) % (i, dx.text_run("Пункт %d " % i), 100 + i, stamp, dx.text_run("вставка %d" % i),
                      200 + i, stamp, i, i, i)
        comments.append('<w:comment w:id="%d" %s><w:p><w:r><w:rPr><w:b/></w:rPr><w:t>Замечание %d</w:t></w:r></w:p>'
                        '<w:p><w:r><w:rPr><w:i/></w:rPr><w:t>исправить</w:t></w:r></w:p></w:comment>' % (i, stamp, i))
    dx.write_docx(path, body, {"Объект": OLD})
    xml = '<?xml version="1.0" encoding="UTF-8"?><w:comments xmlns:w="%s">%s</w:comments>' % (dx.W_NS, "".join(comments))
    _extend_docx(path, {"word/comments.xml": xml.encode()},
                 '<Relationship Id="rIdComments" Type="%s/comments" Target="comments.xml"/>' % dx.R_NS,
                 '<Override PartName="/word/comments.xml" ContentType="application/vnd.openxmlformats-'
                 'officedocument.wordprocessingml.comments+xml"/>')


def as_doc(docx, doc, profile_folder):
    """Converts docx to a Word 97-2003 document at doc with a bare office run."""
    folder = os.path.dirname(docx)
    subprocess.run(["soffice", "-env:UserInstallation=file://" + profile_folder, "--headless", "--convert-to",
                    "doc:MS Word 97", "--outdir", folder, docx], check=True, capture_output=True)
    os.rename(os.path.splitext(docx)[0] + ".doc", doc)


def _uncompressed(data):
    """data as a compressed container of MS-OVBA made of raw (uncompressed) 4096-byte chunks."""
    container = b"\x01"
    for start in range(0, max(len(data), 1), 4096):
        container += struct.pack("<H", 0x3000 | 4095) + data[start:start + 4096].ljust(4096, b" ")
    return container


def _vba_dir(module):
    def record(kind, payload=b""):
        return struct.pack("<HI", kind, len(payload)) + payload

    name, wide = module.encode(), module.encode("utf-16-le")
    info = (record(0x01, struct.pack("<I", 1)) + record(0x02, struct.pack("<I", 0x409))
            + record(0x14, struct.pack("<I", 0x409)) + record(0x03, struct.pack("<H", 1252)) + record(0x04, b"Project")
            + record(0x05) + record(0x40) + record(0x06) + record(0x3D) + record(0x07, b"\0" * 4)
            + record(0x08, b"\0" * 4) + struct.pack("<HIIH", 0x09, 4, 1, 0) + record(0x0C) + record(0x3C))
    modules = (record(0x0F, struct.pack("<H", 1)) + record(0x13, b"\xff\xff") + record(0x19, name)
               + record(0x47, wide) + record(0x1A, name) + record(0x32, wide) + record(0x1C) + record(0x48)
               + record(0x31, b"\0" * 4) + record(0x1E, b"\0" * 4) + record(0x2C, b"\xff\xff") + record(0x22)
               + record(0x2B))
    return _uncompressed(info + modules + record(0x10))


def macro_document(office, path, code, module="ThisDocument"):
    """A macro-enabled document (.docm) whose VBA project holds code in its document module; the
    project's compound files are written by the office's own storage service."""
    office.desktop()
    context = office._context
    files = office.create("com.sun.star.ucb.SimpleFileAccess")

    def make(service, *arguments):
        return context.ServiceManager.createInstanceWithArgumentsAndContext(service, arguments, context)

    def data(payload):
        return make("com.sun.star.io.SequenceInputStream", uno.ByteSequence(payload))

    inner = make("com.sun.star.embed.OLESimpleStorage", files.openFileReadWrite(uno.systemPathToFileUrl(path + ".vba")),
                 False)
    source = 'Attribute VB_Name = "%s"\r\n%s' % (module, code.replace("\n", "\r\n"))
    for name, payload in (("dir", _vba_dir(module)), (module, _uncompressed(source.encode("cp1252"))),
                          ("_VBA_PROJECT", b"\xcc\x61\xff\xff\x00\x00\x00")):
        inner.insertByName(name, data(payload))
    inner.commit()
    stream = files.openFileReadWrite(uno.systemPathToFileUrl(path + ".bin"))
    outer = make("com.sun.star.embed.OLESimpleStorage", stream, False)
    outer.insertByName("VBA", inner)
    outer.insertByName("PROJECT", data(('ID="{00000000-0000-0000-0000-000000000000}"\r\nDocument=%s/&H00000000\r\n'
                                        'Name="Project"\r\n' % module).encode()))
    outer.commit()
    stream.getOutputStream().closeOutput()
    with open(path + ".bin", "rb") as binary:
        project = binary.read()
    os.remove(path + ".bin")
    os.remove(path + ".vba")
    dx.write_docx(path, dx.paragraph(dx.text_run("Документ с макросами")), {"Объект": OLD})
    _extend_docx(path, {"word/vbaProject.bin": project},
                 '<Relationship Id="rIdVba" Type="http://schemas.microsoft.com/office/2006/relationships/vbaProject"'
                 ' Target="vbaProject.bin"/>',
                 '<Default Extension="bin" ContentType="application/vnd.ms-office.vbaProject"/>',
                 "application/vnd.ms-word.document.macroEnabled.main+xml")
