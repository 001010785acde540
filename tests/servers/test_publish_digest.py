"""`docvane-cli status` and a fast publish on a DXF drawing through the drawing-program server beside the
command line: an edited field, user script or editable version makes the drawing need publishing with its
own reason, and the fast run publishes it again with the new value in the copy."""

import os
import unittest

from acad_support import RUNNABLE, CliCase, sheet

import ezdxf

PROJECT = (
    "<docvane><pdfFile><fileRelativePath>.\\out\\Комплект.pdf</fileRelativePath></pdfFile>"
    "<editDir><dirRelativePath>.\\out\\EDIT</dirRelativePath></editDir>"
    "<pdfDir><dirRelativePath>.\\out\\PDF</dirRelativePath></pdfDir>"
    "<fileDocs><fileDoc><fileRelativePath>.\\src\\plan.dxf</fileRelativePath></fileDoc></fileDocs>"
    "<fieldDocs><fieldDoc><name>Шифр</name><value>2026-АР</value></fieldDoc>"
    "<fieldDoc><name>Изм.</name><value>0</value></fieldDoc></fieldDocs>"
    "<propertyDoc><autocad><general><lispScript>(setvar \"USERI1\" 1)</lispScript></general></autocad>"
    "</propertyDoc></docvane>")


@unittest.skipUnless(RUNNABLE, "docvane-cli with the drawing server beside it is not built")
class PublishDigestTest(CliCase):

    def setUp(self):
        super().setUp()
        doc = ezdxf.new("R2010")
        sheet(doc, "Layout1", (297, 210), "Узел А")
        doc.saveas(self.path("project", "src", "plan.dxf"))
        self.write("project/p.dv1", PROJECT)

    def edit(self, old, new):
        with open(self.path("project", "p.dv1"), encoding="utf-8", newline="") as stream:
            text = stream.read()
        self.assertIn(old, text)
        self.write("project/p.dv1", text.replace(old, new, 1))

    def copy(self):
        return ezdxf.readfile(self.path("project", "out", "EDIT", "plan.dxf"))

    def test_each_changed_input_is_named_and_published_again(self):
        source = self.path("project", "src", "plan.dxf")
        first = self.cli("publish", self.path("project", "p.dv1"))
        self.assertEqual(0, first.returncode, first.stdout + first.stderr)
        self.assertEqual("2026-АР", self.copy().header.custom_vars.get("Шифр"))
        self.assertEqual("AC1027", self.copy().dxfversion)

        steps = (
            # name, change, the drawing's status line, check of the republished copy
            ("field", lambda: self.edit("<value>2026-АР</value>", "<value>2026-АР.1</value>"),
             "Поля проекта изменены, требуется перепубликация: " + source,
             lambda copy: self.assertEqual("2026-АР.1", copy.header.custom_vars.get("Шифр"))),
            ("script", lambda: self.edit("(setvar \"USERI1\" 1)", "(setvar \"USERI1\" 2)"),
             "Пользовательский скрипт изменен, требуется перепубликация: " + source, None),
            ("version", lambda: self.settings("2018"),
             "Настройки публикации изменены, требуется перепубликация: " + source,
             lambda copy: self.assertEqual("AC1032", copy.dxfversion)),
        )
        for name, change, line, check in steps:
            with self.subTest(name):
                copied = os.stat(self.path("project", "out", "EDIT", "plan.dxf")).st_mtime_ns
                change()
                status = self.cli("status", self.path("project", "p.dv1"))
                self.assertEqual(3, status.returncode, status.stdout + status.stderr)
                self.assertEqual([line, "Файлы изменились, требуется перепубликация"], status.stdout.splitlines())
                run = self.cli("publish", self.path("project", "p.dv1"))
                self.assertEqual(0, run.returncode, run.stdout + run.stderr)
                self.assertIn("[?] " + line + "\n", run.stdout)
                self.assertIn("[?] Файл опубликован: " + source + "\n", run.stdout)
                self.assertGreater(os.stat(self.path("project", "out", "EDIT", "plan.dxf")).st_mtime_ns, copied)
                if check:
                    check(self.copy())
                status = self.cli("status", self.path("project", "p.dv1"))
                self.assertEqual(0, status.returncode, status.stdout)

        # Nothing changed: nothing is published and the project file is not written again.
        with open(self.path("project", "p.dv1"), "rb") as stream:
            before = stream.read()
        run = self.cli("publish", self.path("project", "p.dv1"))
        self.assertEqual(0, run.returncode, run.stdout + run.stderr)
        self.assertIn("[?] Файл не нуждается в публикации: " + source + "\n", run.stdout)
        self.assertNotIn("Файл опубликован", run.stdout)
        with open(self.path("project", "p.dv1"), "rb") as stream:
            self.assertEqual(before, stream.read())


if __name__ == "__main__":
    unittest.main()
