"""The word processor's objects over a real headless LibreOffice, called with the argument kinds the
client sends (32-bit integers, automation booleans, omitted arguments)."""
import hashlib
import os
import shutil
import signal
import tempfile
import time
import unittest
import zipfile

import word_documents as wd
from docvane_servers.dispatch import OMITTED, DispatchError, Single
from docvane_servers.word.application import Application


def open_args(path):
    """The 16 positional arguments of Documents.Open as the client sends them."""
    return [path, 0, 1, 0, "", "", 0, OMITTED, OMITTED, OMITTED, OMITTED, 1, OMITTED, OMITTED, OMITTED, OMITTED]


def save_args(path, file_format):
    """The 17 positional arguments of SaveAs2 as the client sends them."""
    return [path, file_format, False, OMITTED, 0, "", False, True, 0] + [OMITTED] * 8


def sha(path):
    with open(path, "rb") as source:
        return hashlib.sha256(source.read()).hexdigest()


def wait_for(predicate, seconds=10.0):
    deadline = time.monotonic() + seconds
    while not predicate() and time.monotonic() < deadline:
        time.sleep(0.05)
    return predicate()


class FakeContext:
    def __init__(self):
        self.quit_requested = False
        self.exit_handlers = []

    def request_quit(self):
        self.quit_requested = True

    def add_exit_handler(self, handler):
        self.exit_handlers.append(handler)


class WordServerTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.mkdtemp(prefix="word-server-test-")
        cls.context = FakeContext()
        cls.app = Application(cls.context)
        cls.source = os.path.join(cls.folder, "Оглавление.docx")
        wd.fields_document(cls.source, pages_before_table=1)

    @classmethod
    def tearDownClass(cls):
        cls.app.shutdown()
        shutil.rmtree(cls.folder, ignore_errors=True)

    def open(self, path):
        document = self.app.get_Documents().m_Open(*open_args(path))
        self.assertIsNotNone(document, path)
        self.addCleanup(document.m_Close, 0)
        return document

    def test_publish_sequence_sets_fields_everywhere_and_saves_both_formats(self):
        app = self.app
        for name in ("Visible", "DisplayAlerts", "DisplayDocumentInformationPanel"):
            getattr(app, "put_" + name)(0)
        app.put_WindowState(2)
        self.assertEqual(app.get_WindowState(), 2)
        options = app.get_Options()
        for name in options.NAMES:
            getattr(options, "put_" + name)(-1)
        before = sha(self.source)
        document = self.open(self.source)
        app.get_ActiveWindow().get_View().put_Type(3)
        document.m_ToggleFormsDesign()

        properties = document.get_CustomDocumentProperties()
        names = []
        for k in range(1, properties.get_Count() + 1):
            prop = document.get_CustomDocumentProperties(k)
            names.append(prop.get_Name())
            if prop.get_Name() == "Объект":
                prop.put_Type(4)
                prop.put_Value(wd.NEW)
                self.assertEqual(prop.get_Value(), wd.NEW)
        self.assertEqual(sorted(names), ["Объект", "Чужое"])
        with self.assertRaises(DispatchError):  # an existing name keeps the value just written
            document.get_CustomDocumentProperties().m_Add("Объект", 0, 4, "другое")
        document.get_CustomDocumentProperties().m_Add("Стадия", 0, 4, "РД")
        self.assertEqual(document.get_CustomDocumentProperties().m_Item("Стадия").get_Value(), "РД")
        self.assertEqual(document.get_CustomDocumentProperties().m_Item("Чужое").get_Value(), "не трогать")

        document.get_Fields().m_Update()
        shapes = document.get_Shapes()
        for i in range(1, shapes.get_Count() + 1):
            shapes.m_Item(i).get_TextFrame().get_TextRange().get_Fields().m_Update()
        sections = document.get_Sections()
        existing = 0
        for s in range(1, sections.get_Count() + 1):
            for collection in (sections.m_Item(s).get_Headers(), sections.m_Item(s).get_Footers()):
                for h in range(1, collection.get_Count() + 1):
                    entry = collection.m_Item(h)
                    if entry.get_Exists():
                        existing += 1
                        entry.get_Range().get_Fields().m_Update()
        self.assertEqual(existing, 1)  # the primary header only

        pdf = os.path.join(self.folder, "out.pdf")
        document.m_ExportAsFixedFormat(pdf, 17, 0)
        text = wd.pdf_text(pdf)
        self.assertEqual(wd.pdf_pages(pdf), 3)
        self.assertEqual(text.count(wd.NEW), 2 + 3, text)  # body, text box, the header of every page
        self.assertNotIn(wd.OLD, text)

        docx = os.path.join(self.folder, "copy.docx")
        doc = os.path.join(self.folder, "copy.doc")
        document.m_SaveAs2(*save_args(docx, 16))
        document.m_SaveAs2(*save_args(doc, 0))
        docm = os.path.join(self.folder, "copy.docm")
        document.m_SaveAs2(*save_args(docm, 16))
        with zipfile.ZipFile(docm) as archive:
            self.assertIn("macroEnabled", archive.read("[Content_Types].xml").decode("utf-8"))
        with zipfile.ZipFile(docx) as archive:
            self.assertIn(wd.NEW, archive.read("docProps/custom.xml").decode("utf-8"))
            self.assertIn(wd.NEW, archive.read("word/document.xml").decode("utf-8"))
        with open(doc, "rb") as saved:
            self.assertEqual(saved.read(8), bytes.fromhex("D0CF11E0A1B11AE1"))  # a Word 97 (OLE) file
        document.m_ToggleFormsDesign()
        document.m_Close(0)
        self.assertEqual(sha(self.source), before)

        for copy in (docx, doc):
            reopened = self.open(copy)
            self.assertEqual(reopened.get_CustomDocumentProperties().m_Item("Объект").get_Value(), wd.NEW)
            self.assertEqual(reopened.get_CustomDocumentProperties().m_Item("Стадия").get_Value(), "РД")
            self.assertEqual(reopened.get_Tables().get_Count(), 2)

    def test_contents_rows_answer_page_position_and_sizes(self):
        document = self.open(self.source)
        tables = document.get_Tables()
        self.assertEqual(tables.get_Count(), 2)
        rows = tables.m_Item(1).get_Rows()
        self.assertEqual(rows.get_Count(), 6)
        header = rows.m_Item(1)
        self.assertEqual(header.get_Range().get_Text(), "Обозначение\r\aНаименование\r\aПримечание\r\a\r\a")
        cells = header.get_Cells()
        widths = [cells.m_Item(c).get_Width() for c in range(1, cells.get_Count() + 1)]
        self.assertTrue(all(isinstance(w, Single) for w in widths))
        self.assertEqual([round(w) for w in widths], [120, 240, 120])  # 2400, 4800, 2400 twips
        last_cells = []
        tops = []
        for r in range(2, rows.get_Count() + 1):
            row_range = rows.m_Item(r).get_Range()
            page = row_range.get_Information(3)
            self.assertIs(type(page), int)
            self.assertEqual(page, 2)  # the table stands on the second page
            self.assertAlmostEqual(row_range.get_PageSetup().get_PageHeight(), 841.9, delta=0.1)
            self.assertAlmostEqual(row_range.get_Information(5), 85.05, delta=6)  # the left margin
            tops.append(row_range.get_Information(6))
            height = rows.m_Item(r).get_Cells().m_Item(1).get_Height()
            self.assertIsInstance(height, Single)
            self.assertGreater(height, 10)
            last_cells.append(row_range.get_Text()[:-4].split("\a")[-1])
        self.assertEqual(last_cells, ["5", "стр. 12", "12-14", "", "нет"])
        # One-line rows follow one another by their own height.
        for upper, lower in zip(tops, tops[1:]):
            self.assertAlmostEqual(lower - upper, height, delta=0.5)

    def test_rows_on_later_pages_are_placed_on_their_own_page(self):
        for header in (False, True):
            with self.subTest(header=header):
                path = os.path.join(self.folder, "long%d.docx" % header)
                wd.long_table_document(path, header=header)
                rows = self.open(path).get_Tables().m_Item(1).get_Rows()
                first = rows.m_Item(1).get_Range()
                margin = 56.7  # the top margin the generated documents set
                self.assertEqual(first.get_Information(3), 1)
                top = first.get_Information(6)
                if not header:  # a header sits between the page's top margin and the body
                    self.assertGreater(top, margin)
                    self.assertLess(top, margin + 6)
                pages = [rows.m_Item(r).get_Range().get_Information(3) for r in range(1, rows.get_Count() + 1)]
                self.assertEqual(pages, sorted(pages))
                self.assertEqual(pages[-1], 2)
                first_on_two = rows.m_Item(pages.index(2) + 1).get_Range()
                # The rows of page 2 start where those of page 1 do: at the body's top.
                self.assertAlmostEqual(first_on_two.get_Information(6), top, delta=1.0)
                # The last row of page 1 has no row below it on its page, yet it gets its height.
                heights = [rows.m_Item(r).get_Cells().m_Item(1).get_Height() for r in (2, pages.index(2))]
                self.assertGreater(heights[0], 10)
                self.assertAlmostEqual(heights[1], heights[0], delta=0.01)

    def test_each_open_document_answers_for_itself_and_header_tables_are_left_out(self):
        path = os.path.join(self.folder, "колонтитулы.docx")
        wd.header_table_document(path)
        first = self.open(self.source)
        second = self.open(path)
        # Questions alternate between the documents: every answer must come from the one asked.
        for _ in range(2):
            self.assertEqual(second.get_Tables().get_Count(), 1)
            self.assertEqual(first.get_Shapes().get_Count(), 1)
            self.assertEqual(second.get_Shapes().get_Count(), 0)
            rows = second.get_Tables().m_Item(1).get_Rows()
            self.assertEqual(rows.get_Count(), 2)
            self.assertEqual(rows.m_Item(2).get_Range().get_Text().split("\a")[0], "В-1\r")
            self.assertEqual(first.get_Tables().m_Item(1).get_Rows().get_Count(), 6)
            self.assertEqual(first.get_Fields().get_Count(), 1)
            second.m_Close(0)
            second = self.open(path)
        section = second.get_Sections().m_Item(1)
        header, footer = section.get_Headers().m_Item(1), section.get_Footers().m_Item(1)
        self.assertEqual([header.get_Exists(), footer.get_Exists()], [True, True])
        self.assertEqual([section.get_Headers().m_Item(k).get_Exists() for k in (2, 3)], [False, False])
        self.assertIn("Шапка", header.get_Range().get_Text())
        self.assertIn("Подвал", footer.get_Range().get_Text())

    def test_a_plain_document_has_no_tables_text_boxes_or_footers(self):
        path = os.path.join(self.folder, "простой.docx")
        wd.dx.write_docx(path, wd.dx.paragraph(wd.dx.text_run("Просто текст")))
        document = self.open(path)
        self.assertEqual(document.get_Tables().get_Count(), 0)
        self.assertEqual(document.get_Shapes().get_Count(), 0)
        self.assertEqual(document.get_Fields().get_Count(), 0)
        footer = document.get_Sections().m_Item(1).get_Footers().m_Item(1)
        self.assertFalse(footer.get_Exists())
        with self.assertRaises(DispatchError):
            footer.get_Range()
        with self.assertRaises(DispatchError):
            document.get_Shapes().m_Item(1)

    def test_files_that_cannot_be_opened_give_an_empty_value_quickly(self):
        corrupt = os.path.join(self.folder, "битый.docx")
        with open(corrupt, "wb") as broken:
            broken.write(b"PK\x03\x04 this is no document at all" * 10)
        noise = os.path.join(self.folder, "шум.doc")
        with open(noise, "wb") as broken:
            broken.write(bytes(range(32, 127)) * 40)  # loads as plain text only
        protected = os.path.join(self.folder, "пароль.doc")
        plain = self.open(self.source)
        plain.model.storeToURL("file://" + protected, _store_args("MS Word 97", Password="secret"))
        for path in (corrupt, noise, protected, os.path.join(self.folder, "нет такого.docx")):
            with self.subTest(path=path):
                started = time.monotonic()
                self.assertIsNone(self.app.get_Documents().m_Open(*open_args(path)))
                self.assertLess(time.monotonic() - started, 20)
        with self.assertRaises(DispatchError):
            plain.m_ExportAsFixedFormat(os.path.join(self.folder, "x.xps"), 18, 0)

    def test_macros_run_in_vba_mode_and_failures_are_reported(self):
        document = self.open(self.source)
        module = document.get_VBProject().get_VBComponents().m_Add(1).get_CodeModule()
        module.m_AddFromString("sub fill()\r\n  thiscomponent.gettext().getend().setstring(\"макрос выполнен\")\r\n"
                               "end sub\r\nsub broken()\r\n  err.raise 5\r\nend sub")
        self.app.m_Run("fill")
        self.assertIn("макрос выполнен", document.model.getText().getString())
        for name, reason in (("broken", "ошибка 5"), ("nothing_like_it", "нет такой процедуры")):
            with self.subTest(name=name), self.assertRaisesRegex(DispatchError, reason):
                self.app.m_Run(name)


def _store_args(filter_name, **extra):
    from docvane_servers.word.office import property_values

    return property_values(FilterName=filter_name, **extra)


class OfficeLifetimeTest(unittest.TestCase):
    def test_quit_and_a_killed_or_hung_office_leave_no_office_behind(self):
        folder = tempfile.mkdtemp(prefix="word-life-")
        self.addCleanup(shutil.rmtree, folder, True)
        source = os.path.join(folder, "a.docx")
        wd.fields_document(source)
        for ending in ("quit", "killed", "hung"):
            with self.subTest(ending=ending):
                context = FakeContext()
                app = Application(context)
                document = app.get_Documents().m_Open(*open_args(source))
                self.assertIsNotNone(document)
                pid = app.office.pid
                self.assertEqual(wd.soffice_processes(pid), [pid])
                if ending == "hung":  # an office that answers nothing more is killed after a grace time
                    os.kill(pid, signal.SIGSTOP)
                    started = time.monotonic()
                    app.m_Quit(0)
                    self.assertLess(time.monotonic() - started, 12)
                if ending == "killed":
                    os.kill(pid, signal.SIGKILL)
                    started = time.monotonic()
                    with self.assertRaises(DispatchError):
                        document.m_ExportAsFixedFormat(os.path.join(folder, "a.pdf"), 17, 0)
                    self.assertLess(time.monotonic() - started, 10)
                    self.assertFalse(os.path.exists(os.path.join(folder, "a.pdf")))
                started = time.monotonic()
                app.m_Quit(0)
                self.assertLess(time.monotonic() - started, 4)  # an office that answers ends at once
                self.assertTrue(context.quit_requested)
                self.assertTrue(wait_for(lambda: not wd.soffice_processes(pid)))
                self.assertEqual(wd.soffice_processes(pid), [])


class ProfileTemplateTest(unittest.TestCase):
    """Offices start from a copy of the profile an earlier office set up."""

    def setUp(self):
        self.cache = tempfile.mkdtemp(prefix="word-cache-")
        self.addCleanup(shutil.rmtree, self.cache, True)
        saved = os.environ.get("XDG_CACHE_HOME")
        os.environ["XDG_CACHE_HOME"] = self.cache
        self.addCleanup(lambda: os.environ.pop("XDG_CACHE_HOME") if saved is None
                        else os.environ.__setitem__("XDG_CACHE_HOME", saved))

    def templates(self):
        folder = os.path.join(self.cache, "docvane")
        return [name for name in os.listdir(folder) if not name.startswith(".")] if os.path.isdir(folder) else []

    def test_the_profile_of_an_office_that_answered_is_where_the_next_office_starts(self):
        source = os.path.join(self.cache, "a.docx")
        wd.fields_document(source)
        for run in range(3):
            with self.subTest(run=run):
                app = Application(FakeContext())
                document = app.get_Documents().m_Open(*open_args(source))
                self.assertIsNotNone(document)
                self.assertEqual(document.get_Tables().get_Count(), 2)  # the office's own macros work
                self.assertEqual(app.office.seeded, run > 0)
                self.assertEqual(app.office.starts, 2 if run == 0 else 1)  # a fresh profile restarts once
                app.m_Quit(0)
                self.assertEqual(len(self.templates()), 1)
        kept = os.path.join(self.cache, "docvane", self.templates()[0])
        self.assertFalse(os.path.exists(os.path.join(kept, ".lock")))

    def test_offices_skip_the_graphics_self_tests_of_an_upgraded_office(self):
        # The office writes this log when it has run them (two thirds of a second of its start).
        source = os.path.join(self.cache, "a.docx")
        wd.fields_document(source)
        for run in range(2):  # from a fresh profile, then from the kept one
            with self.subTest(run=run):
                app = Application(FakeContext())
                self.assertIsNotNone(app.get_Documents().m_Open(*open_args(source)))
                user = os.path.join(app.office.work_folder, "profile", "user")
                self.assertTrue(os.path.isfile(os.path.join(user, "registrymodifications.xcu")))
                self.assertFalse(os.path.exists(os.path.join(user, "GraphicsRenderTests.log")))
                app.m_Quit(0)

    def test_a_kept_profile_the_office_cannot_start_with_is_dropped(self):
        from docvane_servers.word import office as office_module

        broken = "/bin/false"  # ends at once, as an office does that cannot use its profile
        template = office_module.profile_template.template_path(broken)
        os.makedirs(os.path.join(template, "user"))
        saved, office_module.SOFFICE_BIN = office_module.SOFFICE_BIN, broken
        try:
            office = office_module.Office(lambda text: None)
            with self.assertRaises(office_module.OfficeError):
                office.desktop()
        finally:
            office_module.SOFFICE_BIN = saved
        office.stop()
        self.assertTrue(office.seeded)
        self.assertFalse(os.path.exists(template))
        self.assertFalse(os.path.exists(office.work_folder))

class VersionMarkTest(unittest.TestCase):
    """The office's version is written into a profile once, beside whatever the profile holds."""

    HEAD = ('<?xml version="1.0" encoding="UTF-8"?>\n<oor:items xmlns:oor="http://openoffice.org/2001/registry">\n')
    OTHER = '<item oor:path="/org.openoffice.Office.Common/Misc"><prop oor:name="UseLocking"><value>false</value></prop></item>\n'
    SEEN = ('<item oor:path="/org.openoffice.Setup/Product"><prop oor:name="ooSetupLastVersion" oor:op="fuse">'
            '<value>%s</value></prop></item>\n')

    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="version-mark-")
        self.addCleanup(shutil.rmtree, self.folder, True)

    def settings(self, profile):
        return os.path.join(profile, "user", "registrymodifications.xcu")

    def test_the_mark_goes_in_once_and_keeps_the_other_settings(self):
        from docvane_servers.word import profile_template as pt

        end = "</oor:items>\n"
        cases = [
            # (what the profile holds, version, expected result, expected text afterwards; None: absent)
            ("absent", None, "7.4", True, None),
            ("other settings", self.HEAD + self.OTHER + end, "7.4", True, self.HEAD + self.OTHER + self.SEEN % "7.4" + end),
            ("a version already", self.HEAD + self.SEEN % "7.3" + end, "7.4", True, self.HEAD + self.SEEN % "7.3" + end),
            ("not a settings file", "garbage", "7.4", False, "garbage"),
            ("no version known", self.HEAD + end, None, False, self.HEAD + end),
            ("a version that is no number", self.HEAD + end, "7.4<x/>", False, self.HEAD + end),
        ]
        for name, before, version, result, after in cases:
            with self.subTest(name):
                profile = os.path.join(self.folder, name)
                if before is not None:
                    os.makedirs(os.path.join(profile, "user"))
                    with open(self.settings(profile), "w", encoding="utf-8") as stream:
                        stream.write(before)
                self.assertEqual(pt.mark_version_seen(profile, version), result)
                with open(self.settings(profile), encoding="utf-8") as stream:
                    text = stream.read()
                if after is None:  # made from nothing: a settings file holding the mark alone
                    self.assertIn(self.SEEN % version, text)
                    self.assertTrue(text.rstrip().endswith("</oor:items>"))
                else:
                    self.assertEqual(text, after)
                self.assertEqual(os.listdir(os.path.join(profile, "user")), ["registrymodifications.xcu"])

    def test_the_version_is_read_off_the_installation(self):
        from docvane_servers.word import office as office_module
        from docvane_servers.word import profile_template as pt

        self.assertRegex(pt.office_version(office_module.SOFFICE_BIN) or "", r"\A[0-9]+\.[0-9]+\Z")
        installation = os.path.join(self.folder, "office")
        os.makedirs(os.path.join(installation, "program"))
        os.makedirs(os.path.join(installation, "share", "registry"))
        binary = os.path.join(installation, "program", "soffice.bin")
        self.assertIsNone(pt.office_version(binary))
        with open(os.path.join(installation, "share", "registry", "main.xcd"), "w", encoding="utf-8") as stream:
            stream.write('<prop oor:name="ooSetupVersionAboutBox"><value>24.2.1.5</value></prop>'
                         '<prop oor:name="ooSetupVersion">\n  <value>24.2</value>\n</prop>')
        self.assertEqual(pt.office_version(binary), "24.2")


if __name__ == "__main__":
    unittest.main()
