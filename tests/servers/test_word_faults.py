"""The word server on machines and documents that are not kind: saves that do not come out whole, a
full disk, offices that die, documents that bring code of their own, and the office folders of other
servers and users in the temporary folder."""
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
from docvane_servers.dispatch import DispatchError
from docvane_servers.word import office as office_module
from docvane_servers.word.application import Application
from docvane_servers.word.document import written_badly


def full_file_system(test, folder):
    """A small tmpfs at folder with no room left (the test is skipped where mounting is not allowed)."""
    os.makedirs(folder)
    if subprocess.run(["mount", "-t", "tmpfs", "-o", "size=2m", "tmpfs", folder], capture_output=True).returncode:
        test.skipTest("cannot mount a small file system here")
    test.addCleanup(subprocess.run, ["umount", "-l", folder], capture_output=True)
    with open(os.path.join(folder, "filler"), "wb") as filler:
        try:
            while filler.write(b"\0" * 65536):
                pass
        except OSError:
            pass
    return folder


def temporary_folder(test, folder):
    saved, tempfile.tempdir = tempfile.tempdir, folder
    test.addCleanup(setattr, tempfile, "tempdir", saved)


class OfficeFaultsTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="word-faults-")
        self.addCleanup(shutil.rmtree, self.folder, True)
        self.source = os.path.join(self.folder, "a.docx")
        wd.fields_document(self.source)

    def application(self):
        app = Application()
        self.addCleanup(app.shutdown)
        return app

    def test_saves_that_do_not_come_out_whole_fail_with_their_cause_and_leave_no_file(self):
        document = self.application().get_Documents().m_Open(self.source)
        os.mkdir(os.path.join(self.folder, "папка.docx"))
        full = full_file_system(self, os.path.join(self.folder, "full"))
        for target, cause in ((os.path.join(self.folder, "папка.docx"), "на этом месте папка"),
                              (os.path.join(full, "копия.docx"), "нет места на диске")):
            with self.subTest(cause=cause), self.assertRaisesRegex(DispatchError, "Не могу записать .*" + cause):
                document.m_SaveAs2(target, 16)
        self.assertFalse(os.path.exists(os.path.join(full, "копия.docx")))
        for name, filter_name in (("a.pdf", "writer_pdf_Export"), ("b.docx", "MS Word 2007 XML")):
            path = os.path.join(self.folder, name)
            document.m_ExportAsFixedFormat(path, 17) if name.endswith(".pdf") else document.m_SaveAs2(path, 16)
            self.assertIsNone(written_badly(path, filter_name))
            with open(path, "r+b") as written:
                written.truncate(os.path.getsize(path) // 2)
            self.assertIsNotNone(written_badly(path, filter_name), name)

    def test_a_dead_office_is_replaced_and_one_that_dies_twice_fails_in_seconds(self):
        app = self.application()
        first = app.get_Documents().m_Open(self.source)
        dead = app.office
        os.kill(dead.pid, signal.SIGKILL)
        self.assertTrue(dead.ends_within(10))
        self.assertIsNotNone(app.get_Documents().m_Open(self.source))
        self.assertIsNot(app.office, dead)
        self.assertNotIn(first, app.get_Documents().items)
        aborting = os.path.join(self.folder, "soffice.bin")  # an office that aborts as it starts
        with open(aborting, "w") as script:
            script.write("#!/bin/sh\nkill -ABRT $$\n")
        os.chmod(aborting, 0o755)
        saved, office_module.SOFFICE_BIN = office_module.SOFFICE_BIN, aborting
        self.addCleanup(setattr, office_module, "SOFFICE_BIN", saved)
        os.kill(app.office.pid, signal.SIGKILL)
        app.office.ends_within(10)
        started = time.monotonic()
        with self.assertRaisesRegex(DispatchError, r"LibreOffice завершился \(код -6\)"):
            app.get_Documents().m_Open(self.source)
        self.assertLess(time.monotonic() - started, 10)

    def test_the_application_tells_when_its_office_ended_under_its_documents(self):
        app = self.application()
        app.get_Documents().m_Open(self.source)
        self.assertFalse(app.get_OfficeLost())
        os.kill(app.office.pid, signal.SIGKILL)
        self.assertTrue(app.office.ends_within(10))
        deadline = time.monotonic() + 10
        while not app.get_OfficeLost() and time.monotonic() < deadline:
            time.sleep(0.05)
        self.assertTrue(app.get_OfficeLost())
        app.get_Documents().m_Open(self.source)  # a new office
        self.assertFalse(app.get_OfficeLost())

    def test_a_full_temporary_disk_says_so_and_a_killed_office_leaves_nothing_behind(self):
        temporary_folder(self, os.path.join(self.folder, "tmp"))
        os.mkdir(tempfile.tempdir)
        app = self.application()
        app.get_Documents().m_Open(self.source).m_ExportAsFixedFormat(os.path.join(self.folder, "a.pdf"), 17)
        os.kill(app.office.pid, signal.SIGKILL)
        app.office.ends_within(10)
        app.shutdown()
        self.assertEqual(os.listdir(os.path.join(tempfile.tempdir, "docvane-word-%d" % os.getuid())), [])
        temporary_folder(self, full_file_system(self, os.path.join(self.folder, "full")))
        with self.assertRaisesRegex(DispatchError, "нет места на диске"):
            self.application().get_Documents().m_Open(self.source)

    def test_a_documents_own_code_never_runs_while_the_script_added_to_it_does(self):
        app = self.application()
        marker = os.path.join(self.folder, "%s.marker")
        code = "".join('%sSub %s()\nOpen "%s" For Output As #1\nClose #1\nEnd Sub\n' % (scope, name, marker % name)
                       for scope, name in (("Private ", "Document_Open"), ("", "AutoOpen"), ("", "Helper")))
        source = os.path.join(self.folder, "Макросы.docm")
        wd.macro_document(app.office, source, code)
        document = app.get_Documents().m_Open(source)
        for name in ("AutoOpen", "Helper"):
            with self.subTest(name=name), self.assertRaises(Exception):
                uri = "vnd.sun.star.script:Project.ThisDocument.%s?language=Basic&location=document" % name
                document.model.getScriptProvider().getScript(uri).invoke((), (), ())
        module = document.get_VBProject().get_VBComponents().m_Add(1).get_CodeModule()
        module.m_AddFromString('sub ours()\r\nopen "%s" for output as #1\r\nclose #1\r\nend sub' % (marker % "ours"))
        app.m_Run("ours")
        self.assertEqual([name for name in os.listdir(self.folder) if name.endswith(".marker")], ["ours.marker"])
        document.m_SaveAs2(os.path.join(self.folder, "копия.docm"), 16)
        with zipfile.ZipFile(os.path.join(self.folder, "копия.docm")) as archive:  # the code is kept
            self.assertIn("word/vbaProject.bin", archive.namelist())


class SweepTest(unittest.TestCase):
    def setUp(self):
        self.temporary = tempfile.mkdtemp(prefix="word-sweep-")
        self.addCleanup(shutil.rmtree, self.temporary, True)
        temporary_folder(self, self.temporary)
        self.base = os.path.join(self.temporary, "docvane-word-%d" % os.getuid())

    def test_the_sweep_removes_only_this_users_folders_of_ended_servers(self):
        self.assertEqual(office_module.private_base(), self.base)
        self.assertEqual(stat.S_IMODE(os.stat(self.base).st_mode), 0o700)
        ended = subprocess.Popen(["true"])
        ended.wait()
        dead = ended.pid
        kept = ["docvane-office-99999999999999999999-x", "docvane-office-%d-x" % os.getpid(),
                "docvane-office-1-live", "docvane-office-%d-x.y" % dead, "docvane-office--1-x", "чужое"]
        for name in kept + ["docvane-office-%d-gone" % dead]:
            os.mkdir(os.path.join(self.base, name), 0o700)
        if os.getuid() == 0:  # another user's folder would survive even here
            kept.append("docvane-office-%d-other" % dead)
            os.mkdir(os.path.join(self.base, kept[-1]), 0o700)
            os.chown(os.path.join(self.base, kept[-1]), 65534, 65534)
        office_module._sweep_folders_of_ended_servers(self.base)
        self.assertEqual(sorted(os.listdir(self.base)), sorted(kept))

    def test_a_base_that_is_not_this_users_private_folder_is_passed_over(self):
        os.mkdir(self.base)
        os.chmod(self.base, 0o777)
        self.assertIsNone(office_module.private_base())
        office = office_module.Office(lambda text: None)
        self.assertTrue(office.work_folder.startswith(self.base + "-"))
        office.stop()
        self.assertEqual(os.listdir(self.temporary), [os.path.basename(self.base)])
        os.rmdir(self.base)
        os.symlink(self.temporary, self.base)
        self.assertIsNone(office_module.private_base())


if __name__ == "__main__":
    unittest.main()
