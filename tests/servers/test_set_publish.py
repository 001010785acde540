"""The demo published as a set for submission with `docvane-cli publish --pdfa --report`: the combined
PDF passes Apache PDFBox's PDF/A-1b preflight, its page labels are the printed numbers, and the register
beside it and the run report agree with the log and with each other."""

import csv
import io
import json
import os
import re
import shutil
import subprocess
import tempfile
import unittest

from acad_support import CLI, HERE, RUNNABLE

DEMO = os.path.normpath(os.path.join(HERE, "..", "..", "examples", "demo"))
JARS = ["preflight", "pdfbox2", "fontbox2", "xmpbox", "commons-logging", "jaxb-api", "javax.activation"]


def preflight(path):
    class_path = ":".join("/usr/share/java/%s.jar" % jar for jar in JARS)
    result = subprocess.run(["java", "-cp", class_path, "org.apache.pdfbox.preflight.Validator_A1b", path],
                            capture_output=True, text=True, timeout=300)
    return result.stdout + result.stderr


def page_labels(path):
    result = subprocess.run(["qpdf", "--json=2", "--json-key=pagelabels", path], capture_output=True, text=True,
                            check=True)
    return [(item["index"], item["label"]) for item in json.loads(result.stdout)["pagelabels"]]


def register_rows(path):
    with open(path, "rb") as stream:
        data = stream.read()
    assert data.startswith(b"\xef\xbb\xbf"), "the register starts with a byte-order mark"
    return list(csv.reader(io.StringIO(data[3:].decode("utf-8"), newline=""), delimiter=";"))


@unittest.skipUnless(RUNNABLE, "docvane-cli with the stand-in servers beside it is not built")
class SetPublishTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="set-publish-")
        self.addCleanup(shutil.rmtree, self.folder, True)
        runtime = os.path.join(self.folder, "run")
        os.makedirs(runtime, mode=0o700)
        config = os.path.join(self.folder, "config")
        os.makedirs(config)
        self.environment = dict(os.environ, DOCVANE_CONFIG_HOME=config, DOCVANE_RUNTIME_DIR=runtime)
        self.demo = os.path.join(self.folder, "demo")
        shutil.copytree(DEMO, self.demo, ignore=shutil.ignore_patterns("out*"))

    def publish(self, project, *options):
        report = os.path.join(self.folder, project + ".json")
        result = subprocess.run([CLI, "publish", os.path.join(self.demo, project), "--full", "--report", report,
                                 *options], env=self.environment, capture_output=True, text=True, timeout=600)
        with open(report, encoding="utf-8") as stream:
            return result, json.load(stream)

    def test_demo_as_a_pdfa_set_with_register_labels_and_report(self):
        result, report = self.publish("demo.dv1", "--pdfa")
        self.assertEqual(0, result.returncode, result.stdout + result.stderr)
        combined = os.path.join(self.demo, "out", "Демо-проект.pdf")
        verdict = preflight(combined)
        self.assertIn("is a valid PDF/A-1b file", verdict, verdict)

        # Numbering from the third page with 2: title and contents i, ii, then the printed numbers.
        self.assertEqual([(0, {"/S": "/r", "/St": 1}), (2, {"/S": "/D", "/St": 2})], page_labels(combined))

        logged_a4 = int(re.search(r"\[\?\] Количество форматов А4: (\d+)", result.stdout).group(1))
        logged_pages = int(re.search(r"\[\?\] Общее количество листов: (\d+)", result.stdout).group(1))
        rows = register_rows(os.path.join(self.demo, "out", "Демо-проект.csv"))
        self.assertEqual(["№", "Файл", "Лист", "Страницы", "Форматы", "Форматов А4"], rows[0])
        self.assertEqual(9, len(rows))  # eight published PDFs
        self.assertEqual([str(i) for i in range(1, 9)], [row[0] for row in rows[1:]])
        self.assertEqual(logged_a4, sum(int(row[5]) for row in rows[1:]))
        self.assertEqual(["01 Титульный лист.pdf", "", "", "А4", "1"], rows[1][1:])
        self.assertEqual(["05 План и фасад.dxf", "", "7–8", "А3×2", "4"], rows[5][1:])

        self.assertEqual("success", report["result"])
        self.assertTrue(report["pdfA"])
        self.assertTrue(report["combined"]["written"])
        self.assertTrue(report["combined"]["pdfA"])
        self.assertEqual(logged_a4, report["totals"]["a4"])
        self.assertEqual(logged_pages, report["totals"]["pages"])
        self.assertEqual(8, report["totals"]["published"])
        self.assertEqual(logged_a4, sum(item["a4"] for item in report["files"]))
        self.assertEqual(logged_pages, sum(item["pages"] for item in report["files"]))
        for item, row in zip(report["files"], rows[1:]):
            self.assertEqual("published", item["outcome"])
            self.assertEqual(0, item["statusAfter"]["code"])
            self.assertEqual(row[4], item["formats"])
            self.assertGreater(item["seconds"], 0)
        self.assertGreater(report["seconds"], 0)
        # The project keeps its own setting: --pdfa is for the run.
        with open(os.path.join(self.demo, "demo.dv1"), "rb") as stream:
            self.assertNotIn(b"pdfA", stream.read())

    def test_split_drawing_has_one_register_row_per_sheet(self):
        result, report = self.publish("demo-sheets.dv1")
        self.assertEqual(0, result.returncode, result.stdout + result.stderr)
        rows = register_rows(os.path.join(self.demo, "out-sheets", "Демо-листы.csv"))
        self.assertEqual([["1", "05 План и фасад.dxf", "План"], ["2", "05 План и фасад.dxf", "Фасад"]],
                         [row[:3] for row in rows[1:]])
        self.assertEqual(["План", "Фасад"], [part["sheet"] for part in report["files"][0]["parts"]])
        self.assertEqual("А3×2", report["files"][0]["formats"])  # counted over the file's sheets
        self.assertFalse(report["combined"]["pdfA"])


if __name__ == "__main__":
    unittest.main()
