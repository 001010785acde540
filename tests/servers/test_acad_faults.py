"""`docvane-cli publish` on drawings and scripts that go wrong, through the drawing-program server beside
the command line: what the run's log says, and what it leaves in the output folders."""

import os
import stat
import unittest
from xml.sax.saxutils import escape

from acad_support import RUNNABLE, CliCase, send, two_sheet_drawing  # first: the servers' path
from test_acad_commands import StandInCase

import ezdxf
from docvane_servers.acad import saving
from docvane_servers.acad.drawing import decode_property_text, encode_property_text
from docvane_servers.dispatch import DispatchError
from docvane_servers.lisp.values import intern


def xml_text(text):
    # A line break must survive the XML reader: CR and LF go in as character references.
    return escape(text).replace("\r", "&#13;").replace("\n", "&#10;").replace("\t", "&#9;")


def project_xml(files, fields=(), script=""):
    entries = "".join(f"<fileDoc><fileRelativePath>{name}</fileRelativePath></fileDoc>" for name in files)
    field_xml = "".join(f"<fieldDoc><name>{xml_text(k)}</name><value>{xml_text(v)}</value></fieldDoc>"
                        for k, v in fields)
    return (
        "<docvane><pdfFile><fileRelativePath>.\\out\\Комплект.pdf</fileRelativePath></pdfFile>"
        "<editDir><dirRelativePath>.\\out\\EDIT</dirRelativePath></editDir>"
        "<pdfDir><dirRelativePath>.\\out\\PDF</dirRelativePath></pdfDir>"
        f"<fileDocs>{entries}</fileDocs><fieldDocs>{field_xml}</fieldDocs>"
        "<propertyDoc><autocad><general><fileFormat>2013</fileFormat>"
        f"<lispScript>{xml_text(script)}</lispScript></general></autocad></propertyDoc></docvane>")


def duplicate_handle_drawing(path):
    """Two lines sharing one handle, as drawings saved by some other programs have them."""
    doc = ezdxf.new("R2010")
    first = doc.modelspace().add_line((0, 0), (100, 100))
    second = doc.modelspace().add_line((0, 100), (100, 0))
    doc.saveas(path)
    with open(path, encoding="utf-8") as stream:
        text = stream.read()
    text = text.replace(f"LINE\n  5\n{second.dxf.handle}\n", f"LINE\n  5\n{first.dxf.handle}\n", 1)
    with open(path, "w", encoding="utf-8") as stream:
        stream.write(text)


@unittest.skipUnless(RUNNABLE, "docvane-cli with the drawing server beside it is not built")
class DrawingFaultsTest(CliCase):
    def publish(self, files, fields=(), script="", umask=0o022):
        self.write("project/p.dv1", project_xml(files, fields, script))
        result = self.cli("publish", self.path("project", "p.dv1"), "--full", umask=umask)
        return result.returncode, result.stdout

    def lines(self, output, prefix):
        return [line for line in output.splitlines() if line.startswith(prefix)]

    def test_field_values_with_control_characters_read_back_equal_and_outputs_follow_the_umask(self):
        two_sheet_drawing(self.path("project", "src", "plan.dxf"))
        fields = (("Адрес", "г. Москва,\r\nул. Тверская, д. 1"),
                  ("Символы", 'таб\tкавычки "x" <&> ^каретка^ ^J'),
                  ("Поле", "  пробелы по краям  "))
        code, output = self.publish([".\\src\\plan.dxf"], fields, umask=0o002)
        self.assertEqual(0, code, output)
        self.assertIn("[+] Публикация окончена.", output)
        copy_path = self.path("project", "out", "EDIT", "plan.dxf")
        copy = ezdxf.readfile(copy_path)  # a strict reader opens it
        found = {decode_property_text(k): decode_property_text(v) for k, v in copy.header.custom_vars.properties}
        self.assertEqual(dict(fields), found)
        with open(copy_path, encoding="utf-8") as stream:
            self.assertIn("г. Москва,^M^Jул. Тверская", stream.read())
        for output_file in (copy_path, self.path("project", "out", "PDF", "plan.pdf")):
            self.assertEqual(0o664, stat.S_IMODE(os.stat(output_file).st_mode), output_file)

    def test_duplicate_handles_are_repaired_with_a_warning_naming_the_drawing(self):
        source = self.path("project", "src", "other.dxf")
        duplicate_handle_drawing(source)
        code, output = self.publish([".\\src\\other.dxf"])
        self.assertEqual(3, code, output)
        warnings = self.lines(output, "[!] Чертеж " + source + " поврежден и восстановлен при открытии")
        self.assertEqual(1, len(warnings), output)
        self.assertIn("повторный дескриптор", warnings[0])
        self.assertEqual([], self.lines(output, "[X]"))
        copy = ezdxf.readfile(self.path("project", "out", "EDIT", "other.dxf"))
        handles = [line.dxf.handle for line in copy.modelspace().query("LINE")]
        self.assertEqual(2, len(set(handles)), "a line was lost or shares its handle")
        self.assertTrue(os.path.isfile(self.path("project", "out", "PDF", "other.pdf")))

    def test_unreadable_drawings_end_the_run_with_the_reason(self):
        whole = self.path("whole.dxf")
        two_sheet_drawing(whole)
        with open(whole, "rb") as stream:
            data = stream.read()
        cases = {
            "half.dxf": (data[: len(data) // 2], "файл обрывается"),
            "empty.dxf": (b"", "файл пуст"),
            "garbage.dxf": (bytes(range(256)) * 20, "это не файл DXF"),
        }
        for name, (content, reason) in cases.items():
            with self.subTest(name=name):
                source = self.path("project", "src", name)
                with open(source, "wb") as stream:
                    stream.write(content)
                code, output = self.publish([".\\src\\" + name])
                self.assertEqual(2, code, output)
                opening = [line for line in self.lines(output, "[X]") if "Не могу открыть" in line]
                self.assertEqual(1, len(opening), output)
                self.assertTrue(opening[0].startswith(
                    f"[X] Не могу открыть файл: {source} (Не могу прочитать чертеж {source}: {reason}"), opening[0])
                self.assertNotIn("Временный файл не найден", output)
                self.assertNotIn("[+]", output)

    def test_a_step_that_writes_nothing_names_the_programs_reason(self):
        two_sheet_drawing(self.path("project", "src", "plan.dxf"))
        self.settings(file_format="2099")
        code, output = self.publish([".\\src\\plan.dxf"])
        self.assertEqual(2, code, output)
        errors = self.lines(output, "[X] Временный файл не найден: ")
        self.assertEqual(1, len(errors), output)
        self.assertTrue(errors[0].endswith(".dxf (Неизвестная версия формата: 2099)"), errors[0])

    def test_script_errors_are_warning_lines_with_the_scripts_message(self):
        two_sheet_drawing(self.path("project", "src", "plan.dxf"))
        script = '(undefined-function 1)\n(setq n 0)\n(while t (setq n (1+ n)))\n(setvar "USERI1" 7)'
        code, output = self.publish([".\\src\\plan.dxf"], script=script)
        self.assertEqual(3, code, output)
        warnings = self.lines(output, "[!] Ошибка в пользовательском скрипте: ")
        self.assertEqual(2, len(warnings), output)
        self.assertIn("; error: no function definition: UNDEFINED-FUNCTION", warnings[0])
        self.assertIn("step limit", warnings[1])
        self.assertTrue(os.path.isfile(self.path("project", "out", "EDIT", "plan.dxf")))

    def test_script_files_stay_in_the_project_and_output_folders_unless_trusted(self):
        two_sheet_drawing(self.path("project", "src", "plan.dxf"))
        outside = self.path("elsewhere")
        os.makedirs(outside)
        with open(os.path.join(outside, "secret.txt"), "w", encoding="utf-8") as stream:
            stream.write("secret\n")
        inside = self.path("project", "notes.txt")
        script = (f'(progn (setq f (open "{inside}" "w")) (write-line "inside" f) (close f))\n'
                  f'(progn (setq g (open "{outside}/written.txt" "w")) (write-line "outside" g) (close g))\n'
                  f'(progn (setq h (open "{outside}/secret.txt" "r")) (princ (read-line h)))\n'
                  f'(open "../../elsewhere/link.txt" "w")\n'
                  f'(command "_.SAVEAS" "2018" "{outside}/copy.dxf")')
        code, output = self.publish([".\\src\\plan.dxf"], script=script)
        self.assertEqual(3, code, output)
        warnings = self.lines(output, "[!] Ошибка в пользовательском скрипте: ")
        self.assertEqual(4, len(warnings), output)
        for warning in warnings[:3]:
            self.assertIn("доступ к файлу запрещен", warning)
        self.assertIn("Запись файла запрещена", warnings[3])
        self.assertEqual(["secret.txt"], os.listdir(outside))
        with open(inside, encoding="utf-8") as stream:
            self.assertEqual("inside\n", stream.read())

        self.settings(trusted=True)
        code, output = self.publish([".\\src\\plan.dxf"], script=script.split("\n")[1])
        self.assertEqual(0, code, output)
        with open(os.path.join(outside, "written.txt"), encoding="utf-8") as stream:
            self.assertEqual("outside\n", stream.read())


class ServerSideTest(StandInCase):
    """The same rules at the stand-in's own members, without a client."""

    def setUp(self):
        super().setUp()
        self.source = self.path("src/plan.dxf")
        os.makedirs(os.path.dirname(self.source))
        two_sheet_drawing(self.source)

    def test_property_texts_use_the_caret_form_both_ways(self):
        every = "".join(chr(code) for code in range(32)) + "^ ^J ^@ конец"
        cases = [("a\r\nb", "a^M^Jb"), ("\t", "^I"), ("^", "^ "), ("x^Jy", "x^ Jy"), (every, None)]
        for text, stored in cases:
            with self.subTest(text=text):
                encoded = encode_property_text(text)
                if stored is not None:
                    self.assertEqual(stored, encoded)
                self.assertFalse(any(ord(char) < 32 for char in encoded))
                self.assertEqual(text, decode_property_text(encoded))
        # Foreign files may hold a caret before other characters: kept as it stands.
        self.assertEqual("^a^", decode_property_text("^a^"))

    def test_how_the_ends_of_files_are_judged(self):
        with open(self.source, "rb") as stream:
            data = stream.read()
        cases = {
            # Padding old writers leave after the end marker: a sound file, nothing to say.
            "padded.dxf": (data + b"\x1a\x00\x00", ""),
            # The end marker alone is missing: repaired, with a warning.
            "no-eof.dxf": (data[: data.rindex(b"EOF")].rstrip()[:-1].rstrip() + b"\n", "нет метки конца файла EOF"),
        }
        for name, (content, said) in cases.items():
            with self.subTest(name=name):
                path = os.path.join(self.folder, name)
                with open(path, "wb") as stream:
                    stream.write(content)
                document = self.app.get_Documents().m_Open(path, 1)
                taken = document.m_TakeMessages()
                self.assertIn(said, taken)
                self.assertEqual(said == "", taken == "", taken)

    def test_a_copy_that_does_not_read_back_is_not_saved(self):
        document = self.app.get_Documents().m_Open(self.source, 1)
        target = os.path.join(self.folder, "copy.dxf")
        real = saving._as_release
        saving._as_release = lambda doc, release: b"  0\nSECTION\n  2\nHEADER\nno group code\n"
        self.addCleanup(setattr, saving, "_as_release", real)
        send(document, f'(command "_.SAVEAS" "2018" "{target}")')
        self.assertEqual([], [name for name in os.listdir(self.folder) if name != "src"])
        messages = document.m_TakeMessages().split("\n")
        self.assertEqual(1, len(messages))
        self.assertTrue(messages[0].startswith("Записанный чертеж не читается: " + target), messages[0])
        self.assertEqual("", document.m_TakeMessages())

    def test_messages_are_bounded_and_taken_once(self):
        document = self.app.get_Documents().m_Open(self.source, 1)
        self.assertEqual("", document.m_TakeMessages())
        send(document, "(repeat 60 (vl-catch-all-apply 'undefined-function nil) (command \"_.NOSUCH\"))")
        lines = document.m_TakeMessages().split("\n")
        self.assertEqual(51, len(lines))
        self.assertEqual("… и еще сообщений: 10", lines[-1])
        self.assertIn("NOSUCH", lines[0])

    def test_script_folders_confine_files_and_written_outputs(self):
        document = self.app.get_Documents().m_Open(self.source, 1)
        outside = os.path.join(self.folder, "outside.txt")
        with open(outside, "w", encoding="utf-8") as stream:
            stream.write("x\n")
        with self.assertRaises(DispatchError):
            document.put_ScriptFolders("relative/folder")
        document.put_ScriptFolders(os.path.dirname(self.source) + "\n")
        self.assertEqual(os.path.dirname(self.source), document.get_ScriptFolders())
        send(document, f'(setq found (findfile "{outside}")) (open "{outside}" "r") (setq mine (open "notes.txt" "w"))'
                       ' (close mine)')
        messages = document.m_TakeMessages().split("\n")
        self.assertEqual(1, len(messages), messages)
        self.assertIn("доступ к файлу запрещен", messages[0])
        self.assertTrue(os.path.isfile(os.path.join(os.path.dirname(self.source), "notes.txt")))
        self.assertIsNone(document.command_line.interpreter._ev.values.get(intern("FOUND")))
        # A link inside the folder that leads out of it is outside too.
        os.symlink(outside, os.path.join(os.path.dirname(self.source), "link.txt"))
        send(document, '(open "link.txt" "a")')
        self.assertIn("доступ к файлу запрещен", document.m_TakeMessages())
        document.put_ScriptFolders("*")
        send(document, f'(close (open "{outside}" "a"))')
        self.assertEqual("", document.m_TakeMessages())


if __name__ == "__main__":
    unittest.main()
