"""docvane-cli publishing word-processor documents end to end through docvane-word-server: field
values in the PDFs, the editable copies in their formats, contents rows as links of the combined PDF,
and the ends of a run whose office dies or whose document cannot be opened."""
import json
import re
import os
import shutil
import signal
import subprocess
import tempfile
import time
import unittest
import zipfile

import word_documents as wd
from word_documents import dx

CLI = os.environ.get("DOCVANE_CLI") or os.path.join(wd.ROOT, "build", "docvane-cli")
SERVER = os.path.join(wd.ROOT, "src", "servers", "docvane-word-server")
READY_PDF = os.path.join(wd.ROOT, "examples", "demo", "02 Пояснительная записка.pdf")  # 3 pages
RUN_TIMEOUT = 240

FILE_DOC = """        <fileDoc>
            <fileRelativePath>.\\{name}</fileRelativePath>
            <xrefsBefore/>
            <xrefsAfter/>
            <sheetNames/>
            <wordRefs/>
        </fileDoc>
"""

PROJECT = """<docvane>
    <pdfFile><fileRelativePath>.\\out\\Общий.pdf</fileRelativePath></pdfFile>
    <editDir><dirRelativePath>.\\out\\EDIT</dirRelativePath></editDir>
    <pdfDir><dirRelativePath>.\\out\\PDF</dirRelativePath></pdfDir>
    <fileDocs>
{files}    </fileDocs>
    <fieldDocs>
        <fieldDoc><name>Объект</name><value>{value}</value></fieldDoc>
    </fieldDocs>
    <propertyDoc>
        <general>
            <directories><clearExitDir>true</clearExitDir></directories>
            <combinePdf><isCombine>true</isCombine><hasMenu>true</hasMenu></combinePdf>
            <numberingPdf><isNumbering>false</isNumbering><startPage>1</startPage><pageFrom>1</pageFrom>
                <posX>10</posX><posY>8</posY><fontHeight>12</fontHeight><fontName>Times New Roman</fontName>
            </numberingPdf>
        </general>
        <word><general><vbaScript></vbaScript></general></word>
    </propertyDoc>
</docvane>
"""


def write_project(folder, names, value=None):
    """value: the field's value as XML text (wd.NEW when not given)."""
    path = os.path.join(folder, "Проект.dv1")
    files = "".join(FILE_DOC.format(name=name) for name in names)
    with open(path, "wb") as project:
        project.write(PROJECT.format(files=files, value=value or wd.NEW).encode("utf-8") + b"\0")
    return path


def read_bytes(path):
    with open(path, "rb") as source:
        return source.read()


@unittest.skipUnless(os.access(CLI, os.X_OK), "docvane-cli is not built at " + CLI)
class WordPublishTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="word-publish-")
        self.addCleanup(shutil.rmtree, self.folder, True)
        config = os.path.join(self.folder, "config")
        os.mkdir(config)
        with open(os.path.join(config, "classes.conf"), "w") as classes:
            classes.write("Word.Application = %s\n" % SERVER)
        self.env = dict(os.environ, DOCVANE_CONFIG_HOME=config,
                        DOCVANE_RUNTIME_DIR=os.path.join(self.folder, "run"))
        os.mkdir(self.env["DOCVANE_RUNTIME_DIR"], 0o700)
        # The servers of these runs keep their offices' folders here, which tells their offices from
        # those of anything else running at the same time.
        self.env["TMPDIR"] = os.path.join(self.folder, "tmp")
        os.mkdir(self.env["TMPDIR"])

    def new_offices(self):
        return wd.server_offices(self.env["TMPDIR"])

    def publish(self, project, on_line=None, options=()):
        code, lines = wd.publish_lines([CLI, "publish", project, "--full", *options], self.env, RUN_TIMEOUT, on_line)
        self.assertNotEqual(code, -signal.SIGKILL, "the run hung:\n" + "\n".join(lines))
        return code, lines

    def assertNoOfficeLeft(self):
        deadline = time.monotonic() + 15
        while self.new_offices() and time.monotonic() < deadline:
            time.sleep(0.1)
        self.assertEqual(self.new_offices(), set())

    def test_fields_copies_and_contents_links(self):
        shutil.copy(READY_PDF, os.path.join(self.folder, "01 Записка.pdf"))
        contents = os.path.join(self.folder, "02 Содержание.docx")
        body = (dx.paragraph(dx.text_run("Объект: "), dx.property_field("Объект", wd.OLD))
                + dx.text_box(dx.paragraph(dx.text_run("Рамка: "), dx.property_field("Объект", wd.OLD)))
                + dx.contents_table([("01", "Записка, начало", "1"), ("01", "Записка, середина", "стр. 2"),
                                     ("01", "Записка, конец", "3"), ("02", "Без номера", ""),
                                     ("02", "Продолжение", "5")])
                + dx.page_break() + dx.paragraph(dx.text_run("Продолжение содержания")))
        dx.write_docx(contents, body, {"Объект": wd.OLD},
                      header=dx.paragraph(dx.text_run("Шапка: "), dx.property_field("Объект", wd.OLD)))
        wd.statement_document(os.path.join(self.folder, "docx-source.docx"))
        statement = os.path.join(self.folder, "03 Ведомость.doc")
        subprocess.run(["soffice", "-env:UserInstallation=file://" + os.path.join(self.folder, "profile"),
                        "--headless", "--convert-to", "doc:MS Word 97", "--outdir", self.folder,
                        os.path.join(self.folder, "docx-source.docx")], check=True, capture_output=True)
        os.rename(os.path.join(self.folder, "docx-source.doc"), statement)
        sources = {name: read_bytes(os.path.join(self.folder, name))
                   for name in ("02 Содержание.docx", "03 Ведомость.doc")}
        project = write_project(self.folder, ["01 Записка.pdf", "02 Содержание.docx", "03 Ведомость.doc"])

        code, lines = self.publish(project)
        self.assertEqual(code, 0, "\n".join(lines))
        self.assertNoOfficeLeft()
        out = os.path.join(self.folder, "out")
        for name, pages in (("02 Содержание.pdf", 2), ("03 Ведомость.pdf", 1)):
            pdf = os.path.join(out, "PDF", name)
            self.assertEqual(wd.pdf_pages(pdf), pages, name)
            text = wd.pdf_text(pdf)
            self.assertEqual(text.count(wd.NEW), 2 + pages, name)  # body, text box, every page's header
            self.assertNotIn(wd.OLD, text)
        with zipfile.ZipFile(os.path.join(out, "EDIT", "02 Содержание.docx")) as archive:
            self.assertIn(wd.NEW, archive.read("docProps/custom.xml").decode("utf-8"))
        with open(os.path.join(out, "EDIT", "03 Ведомость.doc"), "rb") as copy:
            data = copy.read()
        self.assertEqual(data[:8], bytes.fromhex("D0CF11E0A1B11AE1"))
        self.assertIn(wd.NEW.encode("utf-16-le"), data)
        for name, content in sources.items():  # the sources never change
            self.assertEqual(read_bytes(os.path.join(self.folder, name)), content, name)

        links = self.links(os.path.join(out, "Общий.pdf"))
        # The contents page is the fourth page of the combined PDF; its rows lead to pages 1, 2, 3, 5.
        self.assertEqual([target for _, target, _ in links], [0, 1, 2, 4])
        self.assertEqual({page for page, _, _ in links}, {3})
        # Each link covers its row: the row's word stands inside it, the link spans the table's width
        # and is as tall as a row (the rows are one line each, one below the other).
        words = self.words(os.path.join(out, "Общий.pdf"), 4)
        rows = zip(links, ("начало", "середина", "конец", "Продолжение"))
        for (_, _, (left, bottom, right, top)), word in rows:
            x_min, y_min, x_max, y_max = words[word]
            self.assertTrue(left < x_min and x_max < right, word)
            self.assertTrue(bottom < (y_min + y_max) / 2 < top, word)
            self.assertAlmostEqual(right - left, 480.0, delta=2)
        row_pitch = links[0][2][3] - links[1][2][3]
        self.assertGreater(row_pitch, 10)
        for _, _, (_, bottom, _, top) in links:
            self.assertAlmostEqual(top - bottom, row_pitch, delta=0.5)

    def words(self, pdf, page):
        """Bounding boxes of the words of one page (1-based), in PDF points from the bottom left."""
        html = subprocess.run(["pdftotext", "-bbox", "-f", str(page), "-l", str(page), pdf, "-"], check=True,
                              capture_output=True, text=True).stdout
        height = float(re.search(r'<page width="[\d.]+" height="([\d.]+)"', html).group(1))
        boxes = {}
        for x_min, y_min, x_max, y_max, word in re.findall(
                r'<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>', html):
            boxes[word.strip(",")] = (float(x_min), height - float(y_max), float(x_max), height - float(y_min))
        return boxes

    def links(self, combined):
        """(source page index, target page index, rect) of every link, in page and annotation order."""
        data = json.loads(subprocess.run(["qpdf", "--json", combined], check=True, capture_output=True,
                                         text=True).stdout)
        objects = {key[4:]: value.get("value") for key, value in data["qpdf"][1].items()}
        pages = [page["object"] for page in data["pages"]]
        links = []
        for index, page in enumerate(pages):
            annots = objects[page].get("/Annots", [])
            if isinstance(annots, str):
                annots = objects[annots]
            for ref in annots:
                annot = objects[ref]
                if annot.get("/Subtype") != "/Link":
                    continue
                dest = annot.get("/Dest") or annot.get("/A", {}).get("/D")
                links.append((index, pages.index(dest[0]), [float(v) for v in annot["/Rect"]]))
        return links

    def test_office_killed_mid_export_ends_the_run_and_leaves_no_office(self):
        big = os.path.join(self.folder, "Большой.docx")
        body = "".join(dx.paragraph(dx.text_run("Строка %d " % i * 8)) for i in range(4000))
        dx.write_docx(big, dx.paragraph(dx.property_field("Объект", wd.OLD)) + body, {"Объект": wd.OLD})
        project = write_project(self.folder, ["Большой.docx"])
        killed = []

        def kill_office(process, line):
            if "Сохраняю нередактируемый формат" in line:
                time.sleep(0.3)
                for pid in self.new_offices():
                    os.kill(pid, signal.SIGKILL)
                    killed.append(pid)

        # One file at a time: the run a dead office ends (several at once try the file again).
        code, lines = self.publish(project, kill_office, ("--jobs", "1"))
        self.assertTrue(killed, "\n".join(lines))
        self.assertEqual(code, 2, "\n".join(lines))
        self.assertTrue(any("Временный файл не найден: " in line for line in lines), "\n".join(lines))
        self.assertFalse(os.path.exists(os.path.join(self.folder, "out", "PDF", "Большой.pdf")))
        self.assertNoOfficeLeft()

    def test_reviewed_documents_and_a_field_over_two_lines_publish_and_read_back(self):
        # A commented document made this office abort a moment after it was opened with a view.
        docx = os.path.join(self.folder, "01 Рецензия.docx")
        wd.reviewed_document(docx)
        doc = os.path.join(self.folder, "02 Рецензия.doc")
        wd.reviewed_document(os.path.join(self.folder, "source.docx"))
        wd.as_doc(os.path.join(self.folder, "source.docx"), doc, os.path.join(self.folder, "profile"))
        value = "Жилой дом\r\n№7\t\"<&>\" ^p"
        escaped = value.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")
        project = write_project(self.folder, [os.path.basename(docx), os.path.basename(doc)],
                                escaped.replace("\r", "&#13;").replace("\n", "&#10;").replace("\t", "&#9;"))
        started = time.monotonic()
        code, lines = self.publish(project)
        self.assertEqual(code, 0, "\n".join(lines))
        self.assertLess(time.monotonic() - started, 120)
        self.assertNoOfficeLeft()
        out = os.path.join(self.folder, "out")
        for name in ("01 Рецензия", "02 Рецензия"):
            text = wd.pdf_text(os.path.join(out, "PDF", name + ".pdf"))
            self.assertIn("вставка 11", text, name)
            self.assertNotIn("Замечание", text, name)
        from docvane_servers.word.application import Application
        from docvane_servers.word.layout import layout_call

        app = Application()
        try:
            for name in ("01 Рецензия.docx", "02 Рецензия.doc"):  # the copies keep the review
                with self.subTest(copy=name):
                    document = app.get_Documents().m_Open(os.path.join(out, "EDIT", name))
                    self.assertEqual(document.get_CustomDocumentProperties("Объект").get_Value(), value)
                    self.assertEqual(layout_call(app.office, document.model, "Comments", False), 12)
                    self.assertTrue(document.model.getRedlines().createEnumeration().hasMoreElements())
                    document.m_Close(0)
        finally:
            app.shutdown()

    def test_documents_that_cannot_be_opened_end_the_run_with_its_line(self):
        corrupt = os.path.join(self.folder, "Битый.docx")
        with open(corrupt, "wb") as broken:
            broken.write(b"PK\x03\x04" + os.urandom(4000))
        protected = os.path.join(self.folder, "Пароль.doc")
        wd.fields_document(os.path.join(self.folder, "plain.docx"))
        from docvane_servers.word.application import Application
        from docvane_servers.word.office import property_values

        app = Application()
        try:
            document = app.get_Documents().m_Open(os.path.join(self.folder, "plain.docx"))
            document.model.storeToURL("file://" + protected, property_values(FilterName="MS Word 97",
                                                                             Password="secret"))
        finally:
            app.shutdown()
        for path in (corrupt, protected):
            with self.subTest(path=path):
                started = time.monotonic()
                code, lines = self.publish(write_project(self.folder, [os.path.basename(path)]))
                self.assertEqual(code, 2, "\n".join(lines))
                self.assertIn("Не могу открыть файл: " + path, "\n".join(lines))
                self.assertLess(time.monotonic() - started, 90)
        self.assertNoOfficeLeft()


if __name__ == "__main__":
    unittest.main()
