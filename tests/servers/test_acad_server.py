"""The drawing-program server as a process: started as the publishing client starts it, driven over its
socket through the whole sequence of one drawing, and gone afterwards."""

import glob
import os
import shutil
import subprocess
import tempfile
import time
import unittest

from acad_support import A3_LANDSCAPE, A4_PORTRAIT, pdf_pages, pdf_text, two_sheet_drawing

import ezdxf

from docvane_servers.client import Client, RemoteError

HERE = os.path.dirname(os.path.abspath(__file__))
SERVER = os.path.normpath(os.path.join(HERE, "..", "..", "src", "servers", "docvane-acad-server"))


def wait_until(predicate, seconds=30.0):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if predicate():
            return True
        time.sleep(0.05)
    return False


class ServerProcessTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="acad-server-")
        self.addCleanup(shutil.rmtree, self.folder, True)
        self.runtime = os.path.join(self.folder, "run")
        os.makedirs(os.path.join(self.runtime, "running"), mode=0o700)
        os.chmod(self.runtime, 0o700)
        read_end, write_end = os.pipe()
        environment = dict(os.environ, DOCVANE_RUNTIME_DIR=self.runtime, DOCVANE_READY_FD=str(write_end))
        self.stderr_path = os.path.join(self.folder, "stderr.txt")
        with open(self.stderr_path, "wb") as stderr:
            self.process = subprocess.Popen([SERVER, "/nologo", "/nossm", "/pl"], env=environment,
                                            pass_fds=(write_end,), stderr=stderr, stdout=subprocess.DEVNULL)
        os.close(write_end)
        self.addCleanup(self._end_process)
        ready = os.read(read_end, 1)
        os.close(read_end)
        self.assertEqual(b"1", ready, "the server did not report ready")
        entries = glob.glob(os.path.join(self.runtime, "running", "*.entry"))
        self.assertEqual(1, len(entries))
        with open(entries[0], encoding="utf-8") as entry:
            self.display_name, address = entry.read().splitlines()
        self.client = Client(address, timeout=60)
        self.addCleanup(self.client.close)

    def _end_process(self):
        if self.process.poll() is None:
            self.process.kill()
        self.process.wait(10)

    def idle(self, state):
        self.assertTrue(wait_until(lambda: state.get("IsQuiescent")), "the server stayed busy")

    def statement(self, document, state, text):
        document.call("SendCommand", text + "\r(command)\r\n")
        self.idle(state)

    def test_one_drawing_published_then_quit(self):
        source = two_sheet_drawing(os.path.join(self.folder, "two.dxf"))
        with open(source, "rb") as stream:
            original = stream.read()
        application = self.client.root
        self.assertEqual("AutoCAD", application.get("Name"))
        self.assertEqual("AutoCAD", self.display_name)
        self.assertEqual(os.path.realpath(SERVER), application.get("FullName"))
        state = application.call("GetAcadState")
        documents = application.get("Documents")
        self.assertEqual(0, documents.get("Count"))

        document = documents.call("Open", source, 1)
        self.idle(state)
        summary = document.get("SummaryInfo")
        summary.call("AddCustomInfo", "Шифр", "черновик")
        summary.call("SetCustomByKey", "Шифр", "АР-7")
        with self.assertRaises(RemoteError):
            summary.call("AddCustomInfo", "Шифр", "снова")

        layouts = document.get("Layouts")
        names = {layouts.call("Item", i).get("TabOrder"): layouts.call("Item", i).get("Name")
                 for i in range(layouts.get("Count"))}
        self.assertEqual({0: "Model", 1: "Общий вид", 2: "Разрез"}, names)

        document.call("SetVariable", "BACKGROUNDPLOT", 0)
        pdf = os.path.join(self.folder, "all.pdf")
        # Asynchronous: the call returns while the export still runs.
        document.call("SendCommand", f'(command "_.-EXPORT" "_P" "_A" "{pdf}")\r(command)\r\n')
        self.idle(state)
        self.assertEqual([A3_LANDSCAPE, A4_PORTRAIT], pdf_pages(pdf))
        self.assertIn("Второй лист", pdf_text(pdf, 2))

        copy = os.path.join(self.folder, "copy.dxf")
        self.statement(document, state, f'(command "_.SAVEAS" "2013" "{copy}")')
        saved = ezdxf.readfile(copy)
        self.assertEqual("AC1027", saved.dxfversion)
        self.assertEqual("АР-7", saved.header.custom_vars.get("Шифр"))

        self.statement(document, state, '(command "_.NOSUCH")')
        document.call("Close", 0)
        self.assertEqual(0, documents.get("Count"))
        application.call("Quit")
        self.assertTrue(wait_until(lambda: self.process.poll() is not None, 10), "the server did not end")
        self.assertEqual([], glob.glob(os.path.join(self.runtime, "running", "*.entry")))
        with open(source, "rb") as stream:
            self.assertEqual(original, stream.read(), "the source drawing was written")
        with open(self.stderr_path, encoding="utf-8") as stderr:
            self.assertIn("NOSUCH", stderr.read())

    def test_client_gone_mid_export_ends_the_server(self):
        source = two_sheet_drawing(os.path.join(self.folder, "two.dxf"))
        document = self.client.root.get("Documents").call("Open", source, 1)
        document.call("SendCommand", f'(command "_.-EXPORT" "_P" "_A" "{self.folder}/x.pdf")\r\n')
        self.client.close()
        self.assertTrue(wait_until(lambda: self.process.poll() is not None, 30), "the server outlived its client")
        self.assertEqual([], glob.glob(os.path.join(self.runtime, "running", "*.entry")))


if __name__ == "__main__":
    unittest.main()
