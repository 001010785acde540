"""The word server on documents and machines that are not kind: reviewed documents, values with
control characters, saves that do not come out whole, a full disk, offices that die, and the office
folders of other servers and users in the temporary folder."""
import os
import shutil
import signal
import stat
import subprocess
import tempfile
import time
import unittest
import zipfile

import word_documents as wd
from docvane_servers.dispatch import OMITTED, DispatchError
from docvane_servers.word import office as office_module
from docvane_servers.word.application import Application
from docvane_servers.word.document import written_badly

# Line breaks as the fields dialog stores them, a lone line feed, tabs, quotes, markup and carets
# (Word's own escape character in search texts).
TRICKY_VALUES = ["две\r\nстроки", "перевод\nстроки\r\n", "таб\tуляция", "\"двойные\" и 'одинарные'",
                 "<&> &amp; <b>не разметка</b>", "^p ^t ^^ каретки^"]


def open_args(path):
    return [path, 0, 1, 0, "", "", 0, OMITTED, OMITTED, OMITTED, OMITTED, 1, OMITTED, OMITTED, OMITTED, OMITTED]


def save_args(path, file_format):
    return [path, file_format, False, OMITTED, 0, "", False, False, 0] + [OMITTED] * 8


class ScratchTemp:
    """Points the temporary folder of this process at a scratch folder while a test runs."""

    def __init__(self, test, folder):
        saved = tempfile.tempdir
        tempfile.tempdir = folder
        test.addCleanup(setattr, tempfile, "tempdir", saved)


def small_file_system(test, folder, size="2m"):
    """A tmpfs of the given size mounted at folder (the test is skipped where mounting is not allowed)."""
    os.makedirs(folder, exist_ok=True)
    if subprocess.run(["mount", "-t", "tmpfs", "-o", "size=%s,mode=0755" % size, "tmpfs", folder],
                      capture_output=True).returncode != 0:
        test.skipTest("cannot mount a small file system here")
    test.addCleanup(subprocess.run, ["umount", "-l", folder], capture_output=True)
    return folder


def fill(folder):
    with open(os.path.join(folder, "filler"), "wb") as filler:
        try:
            while True:
                filler.write(b"\0" * 65536)
        except OSError:
            pass


class ReviewedDocumentsTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.mkdtemp(prefix="word-faults-")
        cls.app = Application()
        cls.docx = os.path.join(cls.folder, "Рецензия.docx")
        wd.reviewed_document(cls.docx)
        cls.doc = os.path.join(cls.folder, "Рецензия.doc")
        wd.as_doc(cls.docx, cls.doc, os.path.join(cls.folder, "profile"))

    @classmethod
    def tearDownClass(cls):
        cls.app.shutdown()
        shutil.rmtree(cls.folder, ignore_errors=True)

    def open(self, path):
        document = self.app.get_Documents().m_Open(*open_args(path))
        self.assertIsNotNone(document, path)
        self.addCleanup(document.m_Close, 0)
        return document

    def test_reviewed_documents_publish_and_keep_their_comments_and_changes(self):
        # A view of a commented document makes this office abort a moment after loading; these
        # documents publish with one office, which serves the next document as well.
        for source, file_format in ((self.docx, 16), (self.doc, 0)):
            with self.subTest(source=source):
                pid = self.app.office.pid
                document = self.open(source)
                properties = document.get_CustomDocumentProperties()
                properties.m_Add("Многострочное", 0, 4, TRICKY_VALUES[0])
                document.get_Fields().m_Update()
                document.get_Sections().m_Item(1).get_Headers().m_Item(1).get_Exists()
                self.assertEqual(document.get_Tables().get_Count(), 0)
                pdf = source + ".pdf"
                document.m_ExportAsFixedFormat(pdf, 17, 0)
                text = wd.pdf_text(pdf)
                self.assertIn("Пункт 11", text)
                self.assertIn("вставка 11", text)  # tracked changes print as the office shows them
                self.assertNotIn("Замечание", text)  # comments do not
                copy = os.path.join(self.folder, "копия" + os.path.splitext(source)[1])
                document.m_SaveAs2(*save_args(copy, file_format))
                self.assertTrue(self.app.office.alive())
                self.assertEqual(self.app.office.pid, pid)
                reopened = self.open(copy)
                from docvane_servers.word.layout import layout_call
                self.assertEqual(layout_call(self.app.office, reopened.model, "Comments", False), 12)
                self.assertEqual(reopened.model.getRedlines().createEnumeration().hasMoreElements(), True)
                self.assertEqual(reopened.get_CustomDocumentProperties("Многострочное").get_Value(),
                                 TRICKY_VALUES[0])

    def test_values_with_control_characters_reach_both_formats_intact(self):
        source = os.path.join(self.folder, "Поля.docx")
        wd.fields_document(source)
        document = self.open(source)
        properties = document.get_CustomDocumentProperties()
        names = ["Поле %d" % i for i in range(len(TRICKY_VALUES))]
        for name, value in zip(names, TRICKY_VALUES):
            properties.m_Add(name, 0, 4, value)
        existing = document.get_CustomDocumentProperties("Объект")  # the update path of the client
        existing.put_Type(4)
        existing.put_Value(TRICKY_VALUES[1])
        for extension, file_format in ((".docx", 16), (".doc", 0)):
            with self.subTest(extension=extension):
                copy = os.path.join(self.folder, "поля" + extension)
                document.m_SaveAs2(*save_args(copy, file_format))
                self.assertIsNone(written_badly(copy, {16: "MS Word 2007 XML", 0: "MS Word 97"}[file_format]))
                reopened = self.open(copy)
                for name, value in zip(names + ["Объект"], TRICKY_VALUES + [TRICKY_VALUES[1]]):
                    self.assertEqual(reopened.get_CustomDocumentProperties(name).get_Value(), value, name)

    def test_saves_that_do_not_come_out_whole_fail_with_their_cause(self):
        document = self.open(self.docx)
        in_the_way = os.path.join(self.folder, "папка.docx")
        os.mkdir(in_the_way)
        with self.assertRaisesRegex(DispatchError, "Не могу записать .*папка.docx: на этом месте папка"):
            document.m_SaveAs2(*save_args(in_the_way, 16))
        good = os.path.join(self.folder, "целый.pdf")
        document.m_ExportAsFixedFormat(good, 17, 0)
        docx = os.path.join(self.folder, "целый.docx")
        document.m_SaveAs2(*save_args(docx, 16))
        for path, filter_name in ((good, "writer_pdf_Export"), (docx, "MS Word 2007 XML")):
            with open(path, "rb") as whole:
                data = whole.read()
            for cut in (0, len(data) // 2):
                with self.subTest(path=path, cut=cut):
                    broken = path + ".cut"
                    with open(broken, "wb") as part:
                        part.write(data[:cut])
                    self.assertIsNotNone(written_badly(broken, filter_name))
        full = small_file_system(self, os.path.join(self.folder, "full"))
        fill(full)
        target = os.path.join(full, "копия.docx")
        with self.assertRaisesRegex(DispatchError, "нет места на диске"):
            document.m_SaveAs2(*save_args(target, 16))
        self.assertFalse(os.path.exists(target))


class OfficeFaultsTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="word-office-faults-")
        self.addCleanup(shutil.rmtree, self.folder, True)
        self.source = os.path.join(self.folder, "a.docx")
        wd.fields_document(self.source)

    def test_a_dead_office_is_replaced_and_one_that_dies_twice_fails_in_seconds(self):
        app = Application()
        self.addCleanup(app.shutdown)
        first = app.get_Documents().m_Open(*open_args(self.source))
        dead = app.office
        os.kill(dead.pid, signal.SIGKILL)
        self.assertTrue(dead.ends_within(10))
        second = app.get_Documents().m_Open(*open_args(self.source))
        self.assertIsNotNone(second)
        self.assertIsNot(app.office, dead)
        self.assertNotIn(first, app.get_Documents().items)
        second.m_Close(0)
        # An office that aborts on start, every time.
        aborting = os.path.join(self.folder, "soffice.bin")
        with open(aborting, "w") as script:
            script.write("#!/bin/sh\nkill -ABRT $$\n")
        os.chmod(aborting, 0o755)
        saved, office_module.SOFFICE_BIN = office_module.SOFFICE_BIN, aborting
        self.addCleanup(setattr, office_module, "SOFFICE_BIN", saved)
        os.kill(app.office.pid, signal.SIGKILL)
        app.office.ends_within(10)
        started = time.monotonic()
        with self.assertRaisesRegex(DispatchError, r"LibreOffice завершился \(код -6\)"):
            app.get_Documents().m_Open(*open_args(self.source))
        self.assertLess(time.monotonic() - started, 10)

    def test_a_full_temporary_disk_says_so_and_the_office_leaves_nothing_outside_its_folder(self):
        temporary = os.path.join(self.folder, "tmp")
        os.mkdir(temporary)
        ScratchTemp(self, temporary)
        app = Application()
        document = app.get_Documents().m_Open(*open_args(self.source))
        office_folder = app.office.work_folder
        document.m_ExportAsFixedFormat(os.path.join(self.folder, "a.pdf"), 17, 0)
        os.kill(app.office.pid, signal.SIGKILL)
        app.office.ends_within(10)
        app.shutdown()
        self.assertFalse(os.path.exists(office_folder))
        self.assertEqual([name for name in os.listdir(temporary) if name.startswith("lu")], [])

        full = small_file_system(self, os.path.join(self.folder, "full"))
        ScratchTemp(self, full)
        fill(full)
        app = Application()
        self.addCleanup(app.shutdown)
        with self.assertRaisesRegex(DispatchError, "нет места на диске"):
            app.get_Documents().m_Open(*open_args(self.source))


class DocumentMacrosTest(unittest.TestCase):
    def test_a_documents_own_code_never_runs_while_the_script_added_to_it_does(self):
        folder = tempfile.mkdtemp(prefix="word-macros-")
        self.addCleanup(shutil.rmtree, folder, True)
        app = Application()
        self.addCleanup(app.shutdown)
        marker = os.path.join(folder, "%s.marker")
        code = "".join('%sSub %s()\nOpen "%s" For Output As #1\nClose #1\nEnd Sub\n' % (scope, name, marker % name)
                       for scope, name in (("Private ", "Document_Open"), ("", "AutoOpen"), ("", "Helper")))
        source = os.path.join(folder, "Макросы.docm")
        wd.macro_document(app.office, source, code)
        document = app.get_Documents().m_Open(*open_args(source))
        self.assertIsNotNone(document)
        provider = document.model.getScriptProvider()
        for name in ("AutoOpen", "Helper"):
            with self.subTest(name=name), self.assertRaises(Exception):
                uri = "vnd.sun.star.script:Project.ThisDocument.%s?language=Basic&location=document" % name
                provider.getScript(uri).invoke((), (), ())
        with self.assertRaisesRegex(DispatchError, "нет такой процедуры"):
            app.m_Run("helper")
        module = document.get_VBProject().get_VBComponents().m_Add(1).get_CodeModule()
        module.m_AddFromString('sub ours()\r\nopen "%s" for output as #1\r\nclose #1\r\nend sub' % (marker % "ours"))
        app.m_Run("ours")
        self.assertEqual(sorted(name for name in os.listdir(folder) if name.endswith(".marker")), ["ours.marker"])
        copy = os.path.join(folder, "копия.docm")
        document.m_SaveAs2(*save_args(copy, 16))
        with zipfile.ZipFile(copy) as archive:  # the document's own code is kept in its copy
            self.assertIn("word/vbaProject.bin", archive.namelist())


class SweepTest(unittest.TestCase):
    def setUp(self):
        self.temporary = tempfile.mkdtemp(prefix="word-sweep-")
        self.addCleanup(shutil.rmtree, self.temporary, True)
        ScratchTemp(self, self.temporary)

    def ended_pid(self):
        child = subprocess.Popen(["true"])
        child.wait()
        return child.pid

    def test_the_sweep_removes_only_this_users_folders_of_ended_servers(self):
        base = office_module.private_base()
        self.assertEqual(base, os.path.join(self.temporary, "docvane-word-%d" % os.getuid()))
        self.assertEqual(stat.S_IMODE(os.stat(base).st_mode), 0o700)
        dead = self.ended_pid()
        kept = ["docvane-office-99999999999999999999-x", "docvane-office-%d-x" % os.getpid(),
                "docvane-office-1-live", "docvane-office-%d-x.y" % dead, "docvane-office--1-x", "чужое"]
        for name in kept + ["docvane-office-%d-gone" % dead]:
            os.mkdir(os.path.join(base, name), 0o700)
        with open(os.path.join(base, "docvane-office-%d-file" % dead), "w"):
            kept.append("docvane-office-%d-file" % dead)
        if os.getuid() == 0:  # another user's folder cannot be in our base, but must survive if it is
            os.mkdir(os.path.join(base, "docvane-office-%d-other" % dead), 0o700)
            os.chown(os.path.join(base, "docvane-office-%d-other" % dead), 65534, 65534)
            kept.append("docvane-office-%d-other" % dead)
        office_module._sweep_folders_of_ended_servers(base)
        self.assertEqual(sorted(os.listdir(base)), sorted(kept))

    def test_a_base_that_is_not_this_users_private_folder_is_not_used(self):
        base = os.path.join(self.temporary, "docvane-word-%d" % os.getuid())
        os.mkdir(base, 0o777)
        os.chmod(base, 0o777)
        self.assertIsNone(office_module.private_base())
        os.rmdir(base)
        os.symlink(self.temporary, base)
        self.assertIsNone(office_module.private_base())
        # An office started meanwhile works in a base of its own, and leaves nothing behind.
        office = office_module.Office(lambda text: None)
        self.assertIsNone(office.failure)
        self.assertTrue(office.work_folder.startswith(os.path.join(self.temporary, "docvane-word-%d-" % os.getuid())))
        office.stop()
        self.assertEqual(os.listdir(self.temporary), ["docvane-word-%d" % os.getuid()])
        os.remove(base)
        self.assertEqual(office_module.private_base(), base)


if __name__ == "__main__":
    unittest.main()
