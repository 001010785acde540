#!/usr/bin/python3
"""Makes the demo's word-processor documents next to demo.dv1:

  "07 Содержание.docx"  fields of the project in the body, the header and a text box, and a contents
                        table of the project's ready PDFs with the pages they get in the combined PDF;
  "08 Ведомость.doc"    the same kind of document in the Word 97 format (converted by LibreOffice).

The page numbers follow demo.dv1: the ready PDFs listed before the first other file, their page counts,
and the numbering settings (the page with index T of the combined PDF carries the number
T + startPage - pageFrom + 1).
"""
import os
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ElementTree

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import docx_writer as dx  # noqa: E402

DEMO = os.path.dirname(HERE)
PLACEHOLDER = "(значение поля)"


def pdf_pages(path):
    info = subprocess.run(["pdfinfo", path], check=True, capture_output=True, text=True).stdout
    return int(next(line.split()[1] for line in info.splitlines() if line.startswith("Pages:")))


def contents_entries(project_path):
    """(designation, name, printed page) of the ready PDFs that open the project."""
    with open(project_path, "rb") as project:
        root = ElementTree.fromstring(project.read().rstrip(b"\0"))  # project files end with a NUL
    numbering = root.find("propertyDoc/general/numberingPdf")
    start_page = int(numbering.findtext("startPage"))
    page_from = int(numbering.findtext("pageFrom"))
    entries = []
    index = 0
    for file_doc in root.findall("fileDocs/fileDoc"):
        name = file_doc.findtext("fileRelativePath").replace("\\", "/").split("/")[-1]
        if not name.lower().endswith(".pdf"):
            break
        designation, _, title = os.path.splitext(name)[0].partition(" ")
        entries.append(("ДМ-%s" % designation, title, str(index + start_page - page_from + 1)))
        index += pdf_pages(os.path.join(os.path.dirname(project_path), name))
    return entries


def field_paragraphs(title):
    return (dx.paragraph(dx.text_run(title))
            + dx.paragraph(dx.text_run("Объект: "), dx.property_field("Объект", PLACEHOLDER))
            + dx.text_box(dx.paragraph(dx.text_run("Объект (в рамке): "), dx.property_field("Объект", PLACEHOLDER))))


def header():
    return dx.paragraph(dx.text_run("Демо-проект — "), dx.property_field("Объект", PLACEHOLDER))


def write_contents(path, entries):
    body = field_paragraphs("Содержание тома")
    body += dx.paragraph(dx.text_run(""))
    body += dx.contents_table(entries)
    body += dx.paragraph(dx.text_run("Строки таблицы ведут на страницы общего PDF."))
    dx.write_docx(path, body, {"Объект": PLACEHOLDER}, header=header())


def write_statement(path):
    """A Word 97 document: written as .docx, then converted by a private LibreOffice."""
    work = tempfile.mkdtemp(prefix="demo-doc-")
    try:
        source = os.path.join(work, "statement.docx")
        body = field_paragraphs("Ведомость ссылочных и прилагаемых документов")
        body += dx.table([["Обозначение", "Наименование", "Примечание"],
                          ["ГОСТ 21.101-2020", "Основные требования к проектной документации", ""]],
                         [2400, 4800, 2400])
        dx.write_docx(source, body, {"Объект": PLACEHOLDER}, header=header())
        profile = "file://" + os.path.join(work, "profile")
        subprocess.run(["soffice", "-env:UserInstallation=" + profile, "--headless", "--convert-to", "doc:MS Word 97",
                        "--outdir", work, source], check=True, capture_output=True)
        shutil.move(os.path.join(work, "statement.doc"), path)
    finally:
        shutil.rmtree(work, ignore_errors=True)


def main():
    entries = contents_entries(os.path.join(DEMO, "demo.dv1"))
    write_contents(os.path.join(DEMO, "07 Содержание.docx"), entries)
    write_statement(os.path.join(DEMO, "08 Ведомость.doc"))
    return 0


if __name__ == "__main__":
    sys.exit(main())
