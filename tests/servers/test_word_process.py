"""docvane-word-server as a process, driven through the protocol the way the client drives it; the
server and its office go away whether the client quits, disappears or the server is killed."""
import os
import shutil
import signal
import subprocess
import tempfile
import time
import unittest

import word_documents as wd
from docvane_servers.client import Client, RemoteError
from docvane_servers.dispatch import OMITTED, Single

SERVER = os.path.join(wd.ROOT, "src", "servers", "docvane-word-server")


def wait_until(predicate, seconds=10.0):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if predicate():
            return True
        time.sleep(0.05)
    return predicate()


class WordServerProcess:
    def __init__(self, runtime):
        read_end, write_end = os.pipe()
        environment = dict(os.environ, DOCVANE_RUNTIME_DIR=runtime, DOCVANE_READY_FD=str(write_end))
        self.stderr = tempfile.TemporaryFile()
        self.process = subprocess.Popen([SERVER, "/nologo", "/nossm", "/pl"], env=environment,
                                        pass_fds=(write_end,), stderr=self.stderr)
        os.close(write_end)
        self.ready = os.read(read_end, 1) == b"1"
        os.close(read_end)
        entry = os.path.join(runtime, "running", "%d-0.entry" % self.process.pid)
        with open(entry, encoding="utf-8") as entry_file:
            self.display_name, self.address = entry_file.read().splitlines()

    def office(self):
        """The server's soffice.bin (it starts in the background while the server answers)."""
        wait_until(lambda: wd.office_children(self.process.pid), 30)
        return wd.office_children(self.process.pid)

    def office_folder(self):
        """The private folder of the server's office (its profile lives inside it)."""
        for pid in self.office():
            with open("/proc/%d/cmdline" % pid, "rb") as cmdline:
                for argument in cmdline.read().decode().split("\0"):
                    if argument.startswith("-env:UserInstallation=file://"):
                        return os.path.dirname(argument[len("-env:UserInstallation=file://"):])
        raise AssertionError("no office folder")

    def ended(self, seconds=15.0):
        try:
            self.process.wait(seconds)
        except subprocess.TimeoutExpired:
            return False
        return True

    def stop(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        self.stderr.close()


class WordServerProcessTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="word-process-")
        self.addCleanup(shutil.rmtree, self.folder, True)
        self.runtime = os.path.join(self.folder, "run")
        os.mkdir(self.runtime, 0o700)
        self.source = os.path.join(self.folder, "Записка.docx")
        wd.fields_document(self.source)

    def start(self):
        server = WordServerProcess(self.runtime)
        self.addCleanup(server.stop)
        self.assertTrue(server.ready)
        return server

    def test_publish_over_the_protocol_and_the_office_goes_with_the_server(self):
        for ending in ("quit", "client gone", "server killed"):
            with self.subTest(ending=ending):
                server = self.start()
                client = Client(server.address, timeout=60)
                app = client.root
                args = [self.source, 0, 1, 0, "", "", 0] + [OMITTED] * 4 + [1] + [OMITTED] * 4
                document = app.get("Documents").call("Open", *args)
                office = server.office()  # the office that answered (a fresh profile restarts it once)
                self.assertEqual(len(office), 1)
                properties = document.get("CustomDocumentProperties")
                for k in range(1, properties.get("Count") + 1):
                    prop = document.get("CustomDocumentProperties", k)
                    if prop.get("Name") == "Объект":
                        prop.put("Type", 4)
                        prop.put("Value", wd.NEW)
                with self.assertRaises(RemoteError):
                    properties.call("Add", "Объект", 0, 4, "другое")
                document.get("Fields").call("Update")
                shapes = document.get("Shapes")
                self.assertEqual(shapes.call("Count"), 1)
                shapes.get("Item", 1).get("TextFrame").get("TextRange").get("Fields").call("Update")
                header = document.get("Sections").call("Item", 1).get("Headers").call("Item", 1)
                self.assertIs(header.get("Exists"), True)
                header.get("Range").get("Fields").call("Update")
                row = document.get("Tables").call("Item", 1).get("Rows").call("Item", 2)
                self.assertIs(type(row.get("Range").get("Information", 3)), int)
                self.assertIs(type(row.get("Range").get("Information", 6)), Single)
                pdf = os.path.join(self.folder, "%s.pdf" % ending)
                document.call("ExportAsFixedFormat", pdf, 17, 0)
                self.assertEqual(wd.pdf_text(pdf).count(wd.NEW), 2 + wd.pdf_pages(pdf))
                copy = os.path.join(self.folder, "%s.doc" % ending)
                document.call("SaveAs2", copy, 0, False, OMITTED, 0, "", False, False, 0, *[OMITTED] * 8)
                self.assertTrue(os.path.getsize(copy) > 0)
                document.call("Close", 0)
                if ending == "quit":
                    app.call("Quit", 0)
                    client.close()
                elif ending == "client gone":
                    client.close()
                else:
                    folder = server.office_folder()
                    server.process.send_signal(signal.SIGKILL)
                    client.close()
                self.assertTrue(server.ended())
                self.assertTrue(wait_until(lambda: not wd.soffice_processes(office[0]), 10), ending)
        # The killed server could not remove its office folder; the next server does.
        self.assertTrue(os.path.isdir(folder))
        self.assertTrue(self.start().office())
        self.assertFalse(os.path.exists(folder))


if __name__ == "__main__":
    unittest.main()
