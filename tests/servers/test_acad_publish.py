"""`docvane-cli publish` on drawings made here, through the drawing-program server the command line finds
beside itself; results checked with ezdxf and poppler. DOCVANE_CLI names the command line (default:
build/docvane-cli of this checkout)."""

import glob
import hashlib
import os
import shutil
import signal
import subprocess
import tempfile
import time
import unittest
import xml.etree.ElementTree as ElementTree

from acad_support import CLI, HERE, RUNNABLE, A3_LANDSCAPE, A4_PORTRAIT, pdf_pages, pdf_text, sheet, two_sheet_drawing

import ezdxf



def digest(path):
    with open(path, "rb") as stream:
        return hashlib.sha256(stream.read()).hexdigest()


def read_project(path):
    # The project file ends with one NUL byte after the root element.
    with open(path, "rb") as stream:
        return ElementTree.fromstring(stream.read().rstrip(b"\0"))


def wait_gone(pid, seconds=10.0):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        try:
            with open(f"/proc/{pid}/stat") as stat:
                if stat.read().split(")")[-1].split()[0] == "Z":
                    return True
        except OSError:
            return True
        time.sleep(0.05)
    return False


def project_xml(files, fields, split, release="2000"):
    entries = "".join(
        f"<fileDoc><fileRelativePath>{name}</fileRelativePath><xrefsBefore/><xrefsAfter/><sheetNames/>"
        "<wordRefs/></fileDoc>" for name in files)
    field_xml = "".join(f"<fieldDoc><name>{k}</name><value>{v}</value></fieldDoc>" for k, v in fields)
    return (
        "<docvane><pdfFile><fileRelativePath>.\\out\\Комплект.pdf</fileRelativePath></pdfFile>"
        "<editDir><dirRelativePath>.\\out\\EDIT</dirRelativePath></editDir>"
        "<pdfDir><dirRelativePath>.\\out\\PDF</dirRelativePath></pdfDir>"
        f"<fileDocs>{entries}</fileDocs><fieldDocs>{field_xml}</fieldDocs>"
        "<propertyDoc><autocad><path><insertXrefs>true</insertXrefs><copyXrefs>true</copyXrefs>"
        f"<xrefDir>Refs</xrefDir></path><general><fileFormat>{release}</fileFormat>"
        f"<splitIntoLayouts>{'true' if split else 'false'}</splitIntoLayouts></general></autocad>"
        "</propertyDoc></docvane>")


@unittest.skipUnless(RUNNABLE, "docvane-cli with the drawing server beside it is not built")
class PublishDrawingsTest(unittest.TestCase):
    FIELDS = (("Объект", "Жилой дом"), ("Шифр", "2026-АР"))

    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="acad-publish-")
        self.addCleanup(shutil.rmtree, self.folder, True)
        self.runtime = os.path.join(self.folder, "run")
        os.makedirs(self.runtime, mode=0o700)
        config = self.path("config")
        os.makedirs(config)
        # Copies are saved in the release the application settings name.
        with open(os.path.join(config, "settings.xml"), "w", encoding="utf-8") as stream:
            stream.write('<settings><section name="Autocad_General"><text name="fileFormat">2013</text>'
                         "</section></settings>")
        self.environment = dict(os.environ, DOCVANE_CONFIG_HOME=config, DOCVANE_RUNTIME_DIR=self.runtime)

    def path(self, *parts):
        return os.path.join(self.folder, *parts)

    def make_sources(self):
        """A two-sheet plan referencing a site drawing one folder up (bound into the copy) and a DWG
        beside it (no engine reads it: it stays a reference, re-pointed at the copied file)."""
        os.makedirs(self.path("base"))
        site = ezdxf.new("R2018")
        site.modelspace().add_text("Подоснова участка", dxfattribs={"height": 5}).set_placement((0, -20))
        site.saveas(self.path("base", "site.dxf"))
        os.makedirs(self.path("src"))
        with open(self.path("src", "old.dwg"), "wb") as stream:
            stream.write(b"AC1032 not readable here")
        plan = self.path("src", "plan.dxf")
        two_sheet_drawing(plan)
        doc = ezdxf.readfile(plan)
        doc.add_xref_def("..\\base\\site.dxf", "site")
        doc.modelspace().add_blockref("site", (0, 0))
        doc.add_xref_def("old.dwg", "old")
        doc.modelspace().add_blockref("old", (0, 0))
        doc.saveas(plan)
        details = ezdxf.new("R2010")
        sheet(details, "Layout1", (297, 210), "Узел А")
        details.saveas(self.path("src", "details.dxf"))
        return plan, self.path("src", "details.dxf")

    def publish(self, split):
        sources = self.make_sources()
        with open(self.path("p.dv1"), "w", encoding="utf-8") as stream:
            stream.write(project_xml([".\\src\\plan.dxf", ".\\src\\details.dxf"], self.FIELDS, split))
        before = {path: digest(path) for path in sources}
        result = subprocess.run([CLI, "publish", self.path("p.dv1"), "--full"], env=self.environment,
                                capture_output=True, text=True, timeout=300)
        for path, value in before.items():
            self.assertEqual(value, digest(path), f"{path} was written")
        self.assertEqual([], glob.glob(os.path.join(self.runtime, "running", "*.entry")), "a server is left")
        return result

    def check_copy(self, path, sheets):
        copy = ezdxf.readfile(path)
        self.assertEqual("AC1027", copy.dxfversion)
        for key, value in self.FIELDS:
            self.assertEqual(value, copy.header.custom_vars.get(key))
        self.assertEqual(["Model"] + sheets, list(copy.layouts.names_in_taborder()))
        site = copy.blocks.get("site")
        self.assertFalse(site.block.is_xref, "the found reference was not bound")
        self.assertEqual(["TEXT"], [e.dxftype() for e in site])
        old = copy.blocks.get("old")
        self.assertTrue(old.block.is_xref)
        self.assertEqual("./Refs/old.dwg", old.block.dxf.xref_path)

    def test_whole_drawings(self):
        result = self.publish(split=False)
        self.assertEqual(0, result.returncode, result.stdout + result.stderr)
        self.assertEqual([A3_LANDSCAPE, A4_PORTRAIT], pdf_pages(self.path("out", "PDF", "plan.pdf")))
        self.assertIn("Второй лист", pdf_text(self.path("out", "PDF", "plan.pdf"), 2))
        self.assertIn("Подоснова участка", pdf_text(self.path("out", "PDF", "plan.pdf"), 1))
        self.check_copy(self.path("out", "EDIT", "plan.dxf"), ["Общий вид", "Разрез"])
        self.assertTrue(os.path.isfile(self.path("out", "EDIT", "Refs", "old.dwg")))
        parts = [self.path("out", "PDF", name) for name in ("plan.pdf", "details.pdf")]
        self.assertEqual(sum(len(pdf_pages(part)) for part in parts), len(pdf_pages(self.path("out", "Комплект.pdf"))))
        saved = read_project(self.path("p.dv1"))
        plan_entry = saved.find("fileDocs")[0]
        self.assertEqual(["Общий вид", "Разрез"], [e.text for e in plan_entry.find("sheetNames")])
        self.assertEqual(2, len(plan_entry.find("xrefsBefore")))
        self.assertEqual(1, len(plan_entry.find("xrefsAfter")))

    def test_one_output_per_sheet(self):
        result = self.publish(split=True)
        self.assertEqual(0, result.returncode, result.stdout + result.stderr)
        for name, size, text in (("Общий вид", A3_LANDSCAPE, "Первый лист"), ("Разрез", A4_PORTRAIT, "Второй лист")):
            pdf = self.path("out", "PDF", name + ".pdf")
            self.assertEqual([size], pdf_pages(pdf))
            self.assertIn(text, pdf_text(pdf))
            self.check_copy(self.path("out", "EDIT", name + ".dxf"), [name])

    def test_demo_projects(self):
        demo = os.path.normpath(os.path.join(HERE, "..", "..", "examples", "demo"))
        shutil.copytree(demo, self.path("demo"), ignore=shutil.ignore_patterns("out*"))
        for project in ("demo-drawings.dv1", "demo-sheets.dv1"):
            result = subprocess.run([CLI, "publish", self.path("demo", project), "--full"],
                                    env=self.environment, capture_output=True, text=True, timeout=300)
            self.assertEqual(0, result.returncode, result.stdout + result.stderr)

        out = self.path("demo", "out-drawings")
        plan_pdf = os.path.join(out, "PDF", "05 План и фасад.pdf")
        self.assertEqual([A3_LANDSCAPE, A3_LANDSCAPE], pdf_pages(plan_pdf))
        self.assertIn("Гостиная", pdf_text(plan_pdf, 1))
        self.assertIn("Граница участка", pdf_text(plan_pdf, 1))  # the referenced site drawing
        self.assertIn("Фасад 1-4", pdf_text(plan_pdf, 2))
        copy = ezdxf.readfile(os.path.join(out, "EDIT", "05 План и фасад.dxf"))
        self.assertEqual("2026-01-АР", copy.header.custom_vars.get("Шифр"))
        self.assertFalse(copy.blocks.get("Подоснова").block.is_xref)
        parts = sorted(glob.glob(os.path.join(out, "PDF", "*.pdf")))
        self.assertEqual(6, len(parts))
        self.assertEqual(sum(len(pdf_pages(part)) for part in parts),
                         len(pdf_pages(os.path.join(out, "Демо-проект с чертежами.pdf"))))
        saved = read_project(self.path("demo", "demo-drawings.dv1"))
        plan_entry = [e for e in saved.find("fileDocs") if "05" in e.findtext("fileRelativePath")][0]
        self.assertEqual(["План", "Фасад"], [e.text for e in plan_entry.find("sheetNames")])

        sheets = self.path("demo", "out-sheets")
        published = [name for name in os.listdir(os.path.join(sheets, "PDF")) if name != ".docvane-published"]
        self.assertEqual(["План.pdf", "Фасад.pdf"], sorted(published))
        for name in ("План", "Фасад"):
            kept = ezdxf.readfile(os.path.join(sheets, "EDIT", name + ".dxf"))
            self.assertEqual(["Model", name], list(kept.layouts.names_in_taborder()))

    def test_server_killed_during_export(self):
        plan, details = self.make_sources()
        # Enough drawing to keep the export busy for a while.
        doc = ezdxf.readfile(details)
        for i in range(20000):
            doc.modelspace().add_circle((i % 200, i // 200), 0.4)
        doc.saveas(details)
        with open(self.path("p.dv1"), "w", encoding="utf-8") as stream:
            stream.write(project_xml([".\\src\\details.dxf"], self.FIELDS, False))
        source_before = digest(details)
        # A temporary folder of the test's own, to see the export's file appear there.
        temporary = self.path("tmp")
        os.makedirs(temporary)
        environment = dict(self.environment, TMPDIR=temporary)
        # One file at a time: the run a killed server ends (several at once try the file again).
        cli = subprocess.Popen([CLI, "publish", self.path("p.dv1"), "--full", "--jobs", "1"], env=environment,
                               stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        deadline = time.monotonic() + 120
        project_folders = os.path.join(temporary, "docvane-%d" % os.geteuid(), "DV-*")
        while not glob.glob(os.path.join(project_folders, ".docvane-*")):
            self.assertLess(time.monotonic(), deadline, "the export never began")
            self.assertIsNone(cli.poll(), "the run ended before the export")
            time.sleep(0.01)
        entries = glob.glob(os.path.join(self.runtime, "running", "*.entry"))
        self.assertEqual(1, len(entries))
        server = int(os.path.basename(entries[0]).split("-")[0])
        os.kill(server, signal.SIGKILL)
        output, _ = cli.communicate(timeout=120)
        self.assertNotEqual(0, cli.returncode, output)
        self.assertIn("Процесс AutoCAD завершился", output)
        self.assertEqual(source_before, digest(details))
        saved = read_project(self.path("p.dv1"))
        self.assertEqual([".\\src\\details.dxf"],
                         [e.findtext("fileRelativePath") for e in saved.find("fileDocs")], "the project was damaged")
        self.assertTrue(wait_gone(server), "the killed server is still there")
        self.assertFalse(os.path.exists(self.path("out", "PDF", "details.pdf")))
        self.assertNotIn("Сохраняю редактируемый формат", output)


if __name__ == "__main__":
    unittest.main()
