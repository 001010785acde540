"""Drawings made for the stand-in's tests and a way to drive its objects as the client does."""

import os
import shutil
import subprocess
import sys
import tempfile
import threading
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.normpath(os.path.join(HERE, "..", "..", "src", "servers")))
CLI = os.environ.get("DOCVANE_CLI") or os.path.normpath(os.path.join(HERE, "..", "..", "build", "docvane-cli"))
SERVER_BESIDE = os.path.join(os.path.dirname(CLI), "docvane-acad-server")
RUNNABLE = os.access(CLI, os.X_OK) and os.access(SERVER_BESIDE, os.X_OK)

import ezdxf  # noqa: E402

from docvane_servers.acad.objects import Application  # noqa: E402


class Context:
    """What the socket framework hands the application: a lock and the quit request."""

    def __init__(self):
        self.lock = threading.RLock()
        self.quit_requested = False

    def request_quit(self):
        self.quit_requested = True


def make_application():
    return Application(Context(), "/opt/docvane/docvane-acad-server")


def send(document, text, timeout=60):
    """SendCommand as the client sends statements, then the wait for quiescence."""
    document.m_SendCommand(text + "\r(command)\r\n")
    assert document.application.commands.wait_idle(timeout), "command did not finish"


def sheet(doc, name, size, text, rotation=0):
    layout = doc.layouts.new(name) if name not in doc.layouts else doc.layouts.get(name)
    layout.page_setup(size=size, margins=(10, 10, 10, 10), rotation=rotation)
    layout.add_text(text, dxfattribs={"height": 5}).set_placement((20, 20))
    return layout


def two_sheet_drawing(path, version="R2018"):
    """Model content, a first sheet A3 landscape with a viewport, a second sheet A4 portrait."""
    doc = ezdxf.new(version, setup=True)
    msp = doc.modelspace()
    msp.add_line((0, 0), (200, 100))
    msp.add_circle((100, 50), 30)
    msp.add_text("Модельный текст", dxfattribs={"height": 6}).set_placement((10, 120))
    first = doc.layouts.get("Layout1")
    first.page_setup(size=(420, 297), margins=(10, 10, 10, 10))
    first.add_viewport(center=(200, 140), size=(380, 250), view_center_point=(100, 60), view_height=200)
    first.add_text("Первый лист", dxfattribs={"height": 5}).set_placement((20, 20))
    doc.layouts.rename("Layout1", "Общий вид")
    sheet(doc, "Разрез", (210, 297), "Второй лист")
    doc.saveas(path)
    return path


def pdf_pages(path):
    """(width, height) in points of each page, from pdfinfo."""
    output = subprocess.run(
        ["pdfinfo", "-f", "1", "-l", "999", path], capture_output=True, text=True, check=True
    ).stdout
    sizes = []
    for line in output.splitlines():
        if line.startswith("Page") and " size:" in line:
            fields = line.split(":", 1)[1].split()
            sizes.append((round(float(fields[0])), round(float(fields[2]))))
    return sizes


def pdf_text(path, page=None):
    command = ["pdftotext", "-layout"]
    if page is not None:
        command += ["-f", str(page), "-l", str(page)]
    return subprocess.run(command + [path, "-"], capture_output=True, text=True, check=True).stdout


A3_LANDSCAPE = (1191, 842)
A4_PORTRAIT = (595, 842)


class CliCase(unittest.TestCase):
    """docvane-cli in a scratch folder of its own: private settings, runtime and temporary folders, and a
    project folder with src/ in it."""

    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="acad-cli-")
        self.addCleanup(shutil.rmtree, self.folder, True)
        for name in ("config", "tmp", "project/src"):
            os.makedirs(self.path(name))
        os.makedirs(self.path("run"), mode=0o700)
        self.settings()
        self.environment = dict(os.environ, DOCVANE_CONFIG_HOME=self.path("config"),
                                DOCVANE_RUNTIME_DIR=self.path("run"), TMPDIR=self.path("tmp"))

    def path(self, *parts):
        return os.path.join(self.folder, *parts)

    def write(self, relative, text):
        with open(self.path(relative), "w", encoding="utf-8", newline="") as stream:
            stream.write(text)

    def settings(self, file_format="2013", trusted=False):
        self.write("config/settings.xml", '<settings><section name="Autocad_General">'
                   f'<text name="fileFormat">{file_format}</text>'
                   f'<number name="trustProjectFolder">{1 if trusted else 0}</number></section></settings>')

    def cli(self, *args, umask=0o022):
        return subprocess.run([CLI, *args], env=self.environment, capture_output=True, text=True, timeout=300,
                              preexec_fn=lambda: os.umask(umask))
