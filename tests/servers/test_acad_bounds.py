"""What a drawing may cost the drawing-program stand-in, what a killed server leaves behind, and the
fields a drawing's text shows: in process through the objects the client calls, as a server process,
and through `docvane-cli publish` end to end."""

import contextlib
import glob
import io
import os
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time
import unittest
from unittest import mock
from xml.sax.saxutils import escape

from acad_support import CliCase, make_application, pdf_text, send

import ezdxf
from ezdxf.entities.acad_table import AcadTableBlockContent
from ezdxf.entities.dxfentity import DXFTagStorage
from ezdxf.lldxf.extendedtags import ExtendedTags
from ezdxf.lldxf.tagger import internal_tag_compiler

from docvane_servers.client import Client, RemoteError
from docvane_servers.dispatch import DispatchError
from docvane_servers.server import remove_ended_servers
from test_acad_publish import CLI, RUNNABLE, project_xml

HERE = os.path.dirname(os.path.abspath(__file__))
SERVER = os.path.normpath(os.path.join(HERE, "..", "..", "src", "servers", "docvane-acad-server"))


def array_insert(path, rows, columns):
    doc = ezdxf.new("R2018")
    doc.blocks.new("Ячейка").add_line((0, 0), (1, 1))
    insert = doc.modelspace().add_blockref("Ячейка", (0, 0))
    insert.dxf.row_count, insert.dxf.column_count = rows, columns
    insert.dxf.row_spacing = insert.dxf.column_spacing = 2
    doc.saveas(path)
    return path


def self_inserting(path):
    """Block A inserts B, which inserts A again."""
    doc = ezdxf.new("R2018")
    doc.blocks.new("A").add_blockref("B", (1, 0))
    doc.blocks.new("B").add_blockref("A", (0, 1))
    doc.modelspace().add_blockref("A", (0, 0))
    doc.saveas(path)
    return path


def nested(path, depth):
    doc = ezdxf.new("R2018")
    for level in range(depth):
        block = doc.blocks.new(f"L{level}")
        block.add_line((0, 0), (1, 0))
        if level:
            block.add_blockref(f"L{level - 1}", (0, 1))
    doc.modelspace().add_blockref(f"L{depth - 1}", (0, 0))
    doc.saveas(path)
    return path


def many_viewports(path, lines, viewports):
    """A sheet whose viewports each show a model of lines."""
    doc = ezdxf.new("R2018")
    for index in range(lines):
        doc.modelspace().add_line((index, 0), (index, 1))
    sheet = doc.layouts.get("Layout1")
    for index in range(viewports):
        sheet.add_viewport(center=(index, 0), size=(1, 1), view_center_point=(0, 0), view_height=1)
    doc.saveas(path)
    return path


def many_lines(path, count):
    """A release-12 DXF of count lines, written directly (ezdxf would take long to make it)."""
    with open(path, "w", encoding="ascii") as out:
        out.write("0\nSECTION\n2\nENTITIES\n")
        for index in range(count):
            out.write(f"0\nLINE\n8\n0\n10\n{index}\n20\n0\n30\n0\n11\n{index}\n21\n10\n31\n0\n")
        out.write("0\nENDSEC\n0\nEOF\n")
    return path


class StandInCase(unittest.TestCase):
    """The stand-in's objects in process, with a scratch folder for the drawings."""

    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="acad-bounds-")
        self.addCleanup(shutil.rmtree, self.folder, True)
        self.application = make_application()

    def path(self, name):
        return os.path.join(self.folder, name)

    def open(self, path):
        return self.application.get_Documents().m_Open(path, 1)

    def export(self, document, target):
        """Exports the document to a PDF; returns what the command wrote to the command line."""
        errors = io.StringIO()
        with contextlib.redirect_stderr(errors):
            send(document, f'(command "_.-EXPORT" "_P" "_C" "_N" "{target}")')
        return errors.getvalue()


class BoundedDrawingsTest(StandInCase):
    def test_drawings_past_a_bound_are_refused_on_opening_with_the_reason(self):
        cases = [
            ("array insert", array_insert(self.path("array.dxf"), 30000, 30000), {}, "слишком сложен"),
            ("self-inserting block", self_inserting(self.path("self.dxf")), {}, 'Блок "A" вставляет сам себя (A -> B -> A)'),
            ("deep nesting", nested(self.path("deep.dxf"), 6), {"DOCVANE_ACAD_MAX_NESTING": "4"}, "Вложенность блоков"),
            ("viewports", many_viewports(self.path("views.dxf"), 100, 50), {"DOCVANE_ACAD_MAX_ENTITIES": "4000"},
             "более 4000 объектов"),
            ("many records", many_lines(self.path("records.dxf"), 2000), {"DOCVANE_ACAD_MAX_ENTITIES": "1000"},
             "в файле более 1000 объектов"),
            ("large file", many_lines(self.path("large.dxf"), 2000), {"DOCVANE_ACAD_MAX_FILE_MB": "0.05"}, "слишком велик"),
        ]
        for name, path, environment, reason in cases:
            with self.subTest(name), mock.patch.dict(os.environ, environment):
                with self.assertRaises(DispatchError) as raised:
                    self.open(path)
                self.assertIn(reason, str(raised.exception))
                self.assertIn(path, str(raised.exception))
        self.assertEqual(0, self.application.get_Documents().get_Count())
        # Within the bounds the same kinds of drawing open.
        self.open(array_insert(self.path("small-array.dxf"), 10, 10))
        self.open(nested(self.path("shallow.dxf"), 4))

    def test_references_that_close_a_circle_are_drawn_once_and_not_bound_again(self):
        for name, other, height in (("b", "c", 0), ("c", "b", 40)):
            doc = ezdxf.new("R2018")
            doc.add_xref_def(other + ".dxf", other)
            doc.modelspace().add_blockref(other, (0, 0))
            doc.modelspace().add_text(f"Лист {name}", dxfattribs={"height": 3}).set_placement((0, height))
            doc.saveas(self.path(name + ".dxf"))
        top = ezdxf.new("R2018")
        top.add_xref_def("b.dxf", "b")
        top.modelspace().add_blockref("b", (0, 0))
        top.saveas(self.path("a.dxf"))
        document = self.open(self.path("a.dxf"))
        self.assertEqual("", self.export(document, self.path("a.pdf")))
        shown = [line.strip() for line in pdf_text(self.path("a.pdf")).splitlines() if line.strip()]
        self.assertEqual(["Лист b", "Лист c"], sorted(shown))
        errors = io.StringIO()
        with contextlib.redirect_stderr(errors):
            send(document, '(command "_.-XREF" "_B" "*")')
        self.assertIn("замыкает круг ссылок и не внедрена: " + self.path("b.dxf"), errors.getvalue())

    def test_the_time_bound_ends_a_long_export(self):  # Escape ends one: the Ctrl+C case of docvane-cli
        with mock.patch.dict(os.environ, {"DOCVANE_ACAD_MAX_SECONDS": "0.2"}):
            document = self.open(array_insert(self.path("busy.dxf"), 300, 300))
            errors = self.export(document, self.path("timed.pdf"))
        self.assertIn("превышен предел времени 0.2 с", errors)
        self.assertFalse(os.path.exists(self.path("timed.pdf")))


def tagged(cls, doc, text):
    entity = cls.load(ExtendedTags(internal_tag_compiler(text)), doc)
    doc.entitydb.add(entity)
    return entity


def field_object(doc, code, cached, children=()):
    links = "".join(f"360\n{child.dxf.handle}\n" for child in children)
    field = tagged(DXFTagStorage, doc, f"0\nFIELD\n100\nAcDbField\n1\n{'_text' if children else 'AcVar'}\n"
                   f"2\n{code}\n90\n{len(children)}\n{links}97\n0\n91\n1\n92\n0\n94\n59\n95\n2\n96\n0\n300\n\n"
                   f"93\n0\n301\n{cached}\n98\n{len(cached)}\n")
    doc.objects.add_object(field)
    for child in children:  # a field owns the fields it is made of, as the program writes them
        child.dxf.owner = field.dxf.handle
    return field


def fields_drawing(path):
    """Field codes in a text, a paragraph text (backslash doubled), an attribute and a table cell; a
    text evaluated by FIELD objects showing an old value; a code naming a property nobody writes."""
    doc = ezdxf.new("R2018", setup=True)
    msp = doc.modelspace()
    msp.add_text("ТЕКСТ %<\\AcVar CustomDP.Объект>%", dxfattribs={"height": 4}).set_placement((0, 0))
    msp.add_mtext("АБЗАЦ %<\\\\AcVar CustomDP.Адрес>% КОНЕЦ", dxfattribs={"char_height": 4}).set_location((0, 40))
    msp.add_text("НЕТ %<\\AcVar CustomDP.Неизвестное>%", dxfattribs={"height": 4}).set_placement((0, 80))
    msp.add_text('ФОРМАТ %<\\AcVar CustomDP.объект \\f "%tc1">%', dxfattribs={"height": 4}).set_placement((0, 240))
    doc.blocks.new("Штамп").add_attdef("ШИФР", (0, 0), dxfattribs={"height": 4})
    stamp = msp.add_blockref("Штамп", (0, 120))
    stamp.add_attrib("ШИФР", 'АТРИБУТ %<\\AcVar CustomDP.Шифр \\f "%tc1">%', (0, 120), dxfattribs={"height": 4})

    def table(y, shown, tags):
        """A one-cell table at height y whose block shows the text; tags follow its AcDbTable subclass."""
        cell = doc.blocks.new_anonymous_block(type_char="T")
        cell.add_mtext(shown, dxfattribs={"char_height": 4}).set_location((0, 0))
        entity = tagged(AcadTableBlockContent, doc, "0\nACAD_TABLE\n100\nAcDbEntity\n8\n0\n100\nAcDbBlockReference\n"
                        f"2\n{cell.name}\n10\n0\n20\n{y}\n30\n0\n100\nAcDbTable\n" + tags)
        msp.add_entity(entity)
        return entity

    table(160, "ЯЧЕЙКА %<\\\\AcVar CustomDP.Шифр>%", "1\n%<\\AcVar CustomDP.Шифр>%\n")
    # A cell whose field the program evaluated: the cell points at its FIELD, the block shows the cache.
    cell_child = field_object(doc, "\\AcVar CustomDP.Шифр", "старое")
    cell_field = field_object(doc, "ТАБЛИЦА %<\\_FldIdx 0>%", "ТАБЛИЦА старое", [cell_child])
    cell_field.dxf.owner = table(280, "ТАБЛИЦА старое", f"1\nТАБЛИЦА старое\n344\n{cell_field.dxf.handle}\n").dxf.handle
    evaluated = msp.add_text("ПОЛЕ старое", dxfattribs={"height": 4})
    evaluated.set_placement((0, 200))
    child = field_object(doc, "\\AcVar CustomDP.Объект", "старое")
    parent = field_object(doc, "ПОЛЕ %<\\_FldIdx 0>%", "ПОЛЕ старое", [child])
    dictionary = evaluated.new_extension_dict()
    fields = doc.objects.add_dictionary(owner=dictionary.dictionary.dxf.handle)
    dictionary["ACAD_FIELD"] = fields
    fields["TEXT"] = parent
    parent.dxf.owner = fields.dxf.handle
    doc.saveas(path)
    return path


FIELD_VALUES = (
    ("Объект", 'Дом "на углу" <&> 5^2'),
    ("Адрес", "ул. Ленина, 1\r\nкорп. {2} \\P"),
    ("Шифр", "2026-АР"),
)


class FieldsTest(StandInCase):
    def test_printed_text_shows_the_values_and_the_copy_keeps_the_fields(self):
        document = self.open(fields_drawing(self.path("fields.dxf")))
        summary = document.get_SummaryInfo()
        for name, value in FIELD_VALUES:
            summary.m_AddCustomInfo(name, value)
        pdf = self.path("fields.pdf")
        self.export(document, pdf)
        lines = [" ".join(line.split()) for line in pdf_text(pdf).splitlines() if line.strip()]
        for expected in ('ТЕКСТ Дом "на углу" <&> 5^2', "АБЗАЦ ул. Ленина, 1", "корп. {2} \\P КОНЕЦ",
                         "АТРИБУТ 2026-АР", "ЯЧЕЙКА 2026-АР", 'ПОЛЕ Дом "на углу" <&> 5^2', "НЕТ ####",
                         'ФОРМАТ ДОМ "НА УГЛУ" <&> 5^2', "ТАБЛИЦА 2026-АР"):
            self.assertIn(expected, lines)
        self.assertNotIn("AcVar", pdf_text(pdf))

        # Line breaks in stored properties are the saving's business; the copy's fields are checked here.
        summary.m_SetCustomByKey("Адрес", "ул. Ленина, 1")
        copy = self.path("copy.dxf")
        send(document, f'(command "_.SAVEAS" "2018" "{copy}")')
        saved = ezdxf.readfile(copy)
        texts = {entity.dxf.text.split()[0]: entity.dxf.text for entity in saved.modelspace().query("TEXT")}
        self.assertEqual("ТЕКСТ %<\\AcVar CustomDP.Объект>%", texts["ТЕКСТ"])
        self.assertEqual('ПОЛЕ Дом "на углу" <&> 5^ 2', texts["ПОЛЕ"])
        caches = sorted(tag.value for field in saved.objects.query("FIELD")
                        for tag in field.xtags.get_subclass("AcDbField") if tag.code == 301)
        self.assertEqual(["2026-АР", 'Дом "на углу" <&> 5^2', 'ПОЛЕ Дом "на углу" <&> 5^ 2', "ТАБЛИЦА 2026-АР"],
                         caches)
        self.assertIn("%<\\\\AcVar CustomDP.Адрес>%", saved.modelspace().query("MTEXT")[0].text)


def start_server(runtime, environment=None):
    read_end, write_end = os.pipe()
    env = dict(os.environ, DOCVANE_RUNTIME_DIR=runtime, DOCVANE_READY_FD=str(write_end), **(environment or {}))
    process = subprocess.Popen([SERVER], env=env, pass_fds=(write_end,), stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    os.close(write_end)
    ready = os.read(read_end, 1)
    os.close(read_end)
    return process, ready == b"1"


def ended_process():
    process = subprocess.Popen(["true"])
    process.wait()
    return process.pid


class ServerTracesTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="acad-traces-")
        self.addCleanup(shutil.rmtree, self.folder, True)
        self.runtime = os.path.join(self.folder, "run")
        os.makedirs(os.path.join(self.runtime, "running"), mode=0o700)
        os.chmod(self.runtime, 0o700)

    def leave_traces(self, pid):
        """What a server killed with SIGKILL leaves: its entry and its socket without listener."""
        address = os.path.join(self.runtime, f"AutoCAD.Application-{pid}.sock")
        listener = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        listener.bind(address)
        listener.close()
        entry = os.path.join(self.runtime, "running", f"{pid}-0.entry")
        with open(entry, "w", encoding="utf-8") as out:
            out.write("AutoCAD\n" + address + "\n")
        return entry, address

    def test_entries_and_sockets_of_ended_processes_go_others_stay(self):
        dead = self.leave_traces(ended_process())
        alive = self.leave_traces(os.getpid())
        foreign = os.path.join(self.runtime, "notes-1.sock")  # not a socket: never removed
        with open(foreign, "w", encoding="utf-8") as out:
            out.write("x")
        removed = remove_ended_servers(self.runtime)
        self.assertEqual(sorted(dead), sorted(removed))
        for path in alive + (foreign,):
            self.assertTrue(os.path.exists(path), path)

    def test_the_memory_bound_is_the_servers_own_not_its_helpers(self):
        program = (
            "import subprocess, sys\n"
            f"sys.path.insert(0, {os.path.join(HERE, '..', '..', 'src', 'servers')!r})\n"
            "from docvane_servers.acad import limits\n"
            "assert limits.apply_memory_limit()\n"
            "ask = ['sh', '-c', 'ulimit -v']\n"
            "print(subprocess.run(ask, capture_output=True, text=True).stdout.strip())\n"
            "print(subprocess.run(ask, capture_output=True, text=True,"
            " preexec_fn=limits.release_memory_limit).stdout.strip())\n")
        environment = dict(os.environ, DOCVANE_ACAD_MEMORY_MB="1500")
        inherited = subprocess.run(["sh", "-c", "ulimit -v"], capture_output=True, text=True).stdout.strip()
        result = subprocess.run([sys.executable, "-c", program], env=environment, capture_output=True, text=True)
        self.assertEqual([str(1500 * 1024), inherited], result.stdout.split(), result.stderr)

    def test_a_failure_counts_as_the_memory_bound_only_when_the_process_reached_it(self):
        # A C routine whose allocation fails under the cap may end in a SystemError instead of a
        # MemoryError; the cap is set in a child, as a server sets it on itself.
        program = (
            "import resource, sys\n"
            f"sys.path.insert(0, {os.path.join(HERE, '..', '..', 'src', 'servers')!r})\n"
            "from docvane_servers.acad import limits\n"
            "peak = limits._address_space_peak()\n"
            "before = [limits.out_of_memory(e) for e in (MemoryError(), SystemError(), ValueError())]\n"
            "hard = resource.getrlimit(resource.RLIMIT_AS)[1]\n"
            "resource.setrlimit(resource.RLIMIT_AS, (int(peak * float(sys.argv[1])), hard))\n"
            "after = [limits.out_of_memory(e) for e in (MemoryError(), SystemError(), ValueError())]\n"
            "print(before, after)\n")
        cases = [("1.02", "[True, False, False] [True, True, False]"),   # the cap is all but reached
                 ("10", "[True, False, False] [True, False, False]")]   # far from it: a real fault
        for factor, expected in cases:
            with self.subTest(factor=factor):
                result = subprocess.run([sys.executable, "-c", program, factor], capture_output=True, text=True)
                self.assertEqual(result.stdout.strip(), expected, result.stderr)

    def test_a_drawing_too_large_for_the_memory_bound_fails_its_open_by_name(self):
        source = many_lines(os.path.join(self.folder, "huge.dxf"), 300_000)
        process, ready = start_server(self.runtime, {"DOCVANE_ACAD_MEMORY_MB": "400"})
        self.addCleanup(process.wait)
        self.addCleanup(process.kill)
        self.assertTrue(ready)
        entry = glob.glob(os.path.join(self.runtime, "running", "*.entry"))[0]
        with open(entry, encoding="utf-8") as stream:
            address = stream.read().splitlines()[1]
        client = Client(address, timeout=120)
        self.addCleanup(client.close)
        documents = client.root.get("Documents")
        with self.assertRaises(RemoteError) as raised:
            documents.call("Open", source, 1)
        self.assertIn("Недостаточно памяти для обработки чертежа (предел 400 МБ)", str(raised.exception))
        # The server goes on: a drawing that fits opens.
        small = array_insert(os.path.join(self.folder, "small.dxf"), 2, 2)
        self.assertEqual("small.dxf", documents.call("Open", small, 1).get("Name"))


@unittest.skipUnless(RUNNABLE, "docvane-cli with the drawing server beside it is not built")
class PublishBoundedDrawingTest(CliCase):
    def project(self, drawing, fields=(("Шифр", "1"),), release="2000"):
        drawing(self.path("project", "src", "drawing.dxf"))
        self.write("project/p.dv1", project_xml([".\\src\\drawing.dxf"], list(fields), False, release))

    def publish(self, exit_status):
        result = self.cli("publish", self.path("project", "p.dv1"), "--full")
        self.assertEqual(exit_status, result.returncode, result.stdout + result.stderr)
        if exit_status == 2:
            self.assertIn("[X] Публикация окончена.", result.stdout)
        return result

    def start_long_export(self, arguments=(), **options):
        """A run of a drawing within the bounds but minutes of drawing (the model is fitted and drawn insert
        by insert), returned once its export has begun."""
        self.project(lambda path: array_insert(path, 700, 700))
        cli = subprocess.Popen([CLI, "publish", self.path("project", "p.dv1"), "--full", *arguments],
                               env=self.environment,
                               stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, **options)
        self.addCleanup(lambda: cli.poll() is not None or cli.kill())
        # The export writes through a temporary file in the temporary folder from its first page on.
        while not glob.glob(self.path("tmp", "**", ".docvane-*"), recursive=True):
            self.assertIsNone(cli.poll(), "the run ended before the export")
            time.sleep(0.01)
        return cli

    def server_entries(self):
        return glob.glob(self.path("run", "running", "*.entry"))

    def test_refused_folders_and_registries_are_named_in_the_error_line(self):
        self.project(lambda path: array_insert(path, 1, 1))
        registry = self.path("config", "classes.conf")

        def open_registry():
            self.write("config/classes.conf", "AutoCAD.Application=/bin/true\n")
            os.chmod(registry, 0o646)

        cases = [
            (lambda: os.chmod(self.path("run"), 0o775), lambda: os.chmod(self.path("run"), 0o700),
             f"[X] Папка для связи с программами не используется: {self.path('run')} "
             "(в папку могут писать другие пользователи)"),
            (open_registry, lambda: os.remove(registry),
             f"[X] Реестр классов не используется: {registry} (в него могут писать другие пользователи)"),
        ]
        for prepare, undo, line in cases:
            with self.subTest(line):
                prepare()
                result = self.publish(2)
                undo()
                self.assertIn(line, result.stdout)
                self.assertNotIn("Процесс AutoCAD завершился", result.stdout)

    def test_a_drawing_past_its_bound_ends_the_run_with_an_error_line(self):
        self.project(lambda path: array_insert(path, 30000, 30000))
        result = self.publish(2)
        self.assertIn("слишком сложен", result.stderr + result.stdout)
        self.assertEqual([], self.server_entries(), "a server is left")

    def test_ctrl_c_during_a_long_export_ends_the_run(self):
        cli = self.start_long_export(start_new_session=True)
        os.killpg(cli.pid, signal.SIGINT)  # Ctrl+C reaches the terminal's whole process group
        output, _ = cli.communicate(timeout=120)
        self.assertIn("[!] Отмена публикации...", output)
        self.assertIn("*Прервано*", output)
        # Fitting the model to the page once walked every expanded insert without looking at Escape.
        self.assertNotIn("не прервал команду после отмены", output)
        self.assertNotIn("Файл опубликован", output)
        self.assertFalse(os.path.exists(self.path("project", "out", "PDF", "drawing.pdf")))
        self.assertEqual([], self.server_entries(), "a server is left")

    def test_a_server_killed_in_one_run_leaves_nothing_after_the_next(self):
        # One file at a time: the run a killed server ends (several at once try the file again).
        cli = self.start_long_export(("--jobs", "1"))
        entries = self.server_entries()
        self.assertEqual(1, len(entries))
        os.kill(int(os.path.basename(entries[0]).split("-")[0]), signal.SIGKILL)
        cli.communicate(timeout=120)
        traces = entries + glob.glob(self.path("run", "*.sock"))
        self.assertEqual(2, len(traces), "the killed server left no socket and entry to clean")
        self.assertTrue(all(os.path.exists(path) for path in traces))

        self.project(lambda path: array_insert(path, 1, 1))
        self.publish(0)
        self.assertEqual([], glob.glob(self.path("run", "running", "*")) + glob.glob(self.path("run", "*.sock")))

    def test_the_projects_fields_reach_the_printed_drawing(self):
        self.project(fields_drawing, [(name, escape(value)) for name, value in FIELD_VALUES if "\n" not in value],
                     release="2018")
        self.publish(0)
        text = " ".join(pdf_text(self.path("project", "out", "PDF", "drawing.pdf")).split())
        for expected in ('ТЕКСТ Дом "на углу" <&> 5^2', "АТРИБУТ 2026-АР", "ЯЧЕЙКА 2026-АР",
                         'ПОЛЕ Дом "на углу" <&> 5^2', "АБЗАЦ #### КОНЕЦ", "НЕТ ####", "ТАБЛИЦА 2026-АР"):
            self.assertIn(expected, text)
        copy = ezdxf.readfile(self.path("project", "out", "EDIT", "drawing.dxf"))
        self.assertIn("ТЕКСТ %<\\AcVar CustomDP.Объект>%", [e.dxf.text for e in copy.modelspace().query("TEXT")])


if __name__ == "__main__":
    unittest.main()
