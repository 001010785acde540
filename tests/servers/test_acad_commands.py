"""The drawing-program stand-in driven as the publishing client drives it: members and command texts
against drawings made here, results checked with ezdxf and poppler."""

import hashlib
import os
import shutil
import tempfile
import threading
import unittest
from contextlib import redirect_stderr
from io import StringIO

from acad_support import (
    A3_LANDSCAPE,
    A4_PORTRAIT,
    make_application,
    pdf_pages,
    pdf_text,
    send,
    two_sheet_drawing,
)

import ezdxf

from docvane_servers.dispatch import DispatchError
from docvane_servers.acad.saving import legacy_properties


def digest(path):
    with open(path, "rb") as stream:
        return hashlib.sha256(stream.read()).hexdigest()


class StandInCase(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="acad-test-")
        self.addCleanup(shutil.rmtree, self.folder, True)
        self.app = make_application()
        self.addCleanup(self.app.commands.stop)
        self.errors = StringIO()
        redirect = redirect_stderr(self.errors)
        redirect.__enter__()
        self.addCleanup(redirect.__exit__, None, None, None)

    def path(self, name):
        return os.path.join(self.folder, name)

    def open(self, path):
        return self.app.get_Documents().m_Open(path, 1)

    def sheet_names(self, document):
        layouts = document.get_Layouts()
        names = [None] * (layouts.get_Count() - 1)
        for i in range(layouts.get_Count()):
            item = layouts.m_Item(i)
            if item.get_TabOrder() > 0:
                names[item.get_TabOrder() - 1] = item.get_Name()
        return names


class ExportTest(StandInCase):
    def test_all_sheets_one_page_each_in_tab_order_at_paper_size(self):
        source = two_sheet_drawing(self.path("two.dxf"))
        document = self.open(source)
        self.assertEqual(["Общий вид", "Разрез"], self.sheet_names(document))
        send(document, '(command "_.LAYOUT" "_S" "")')
        send(document, f'(command "_.-EXPORT" "_P" "_A" "{self.path("all.pdf")}")')

        self.assertEqual([A3_LANDSCAPE, A4_PORTRAIT], pdf_pages(self.path("all.pdf")))
        first = pdf_text(self.path("all.pdf"), 1)
        # The viewport shows the model: its text is on the first sheet, found as text.
        self.assertIn("Первый лист", first)
        self.assertIn("Модельный текст", first)
        second = pdf_text(self.path("all.pdf"), 2)
        self.assertIn("Второй лист", second)
        self.assertNotIn("Модельный текст", second)

    def test_current_sheet_after_layout_switch(self):
        document = self.open(two_sheet_drawing(self.path("two.dxf")))
        for name, size, text in (("Разрез", A4_PORTRAIT, "Второй лист"), ("Общий вид", A3_LANDSCAPE, "Первый лист")):
            out = self.path(f"{name}.pdf")
            send(document, f'(command "_.LAYOUT" "_S" "{name}")')
            send(document, f'(command "_.-EXPORT" "_P" "_C" "_N" "{out}")')
            self.assertEqual([size], pdf_pages(out))
            self.assertIn(text, pdf_text(out))

    def test_unknown_sheet_keeps_current_and_reports(self):
        document = self.open(two_sheet_drawing(self.path("two.dxf")))
        send(document, '(command "_.LAYOUT" "_S" "Разрез")')
        send(document, '(command "_.LAYOUT" "_S" "Нет такого")')
        self.assertIn("Нет такого", self.errors.getvalue())
        send(document, f'(command "_.-EXPORT" "_P" "_C" "_N" "{self.path("c.pdf")}")')
        self.assertIn("Второй лист", pdf_text(self.path("c.pdf")))

    def test_rotated_plot_turns_the_page(self):
        doc = ezdxf.new("R2018")
        layout = doc.layouts.get("Layout1")
        layout.page_setup(size=(297, 210), margins=(0, 0, 0, 0), rotation=1)
        layout.add_text("Повернутый", dxfattribs={"height": 5}).set_placement((20, 20))
        doc.saveas(self.path("rot.dxf"))
        document = self.open(self.path("rot.dxf"))
        send(document, f'(command "_.-EXPORT" "_P" "_A" "{self.path("rot.pdf")}")')
        self.assertEqual([(595, 842)], pdf_pages(self.path("rot.pdf")))
        self.assertIn("Повернутый", pdf_text(self.path("rot.pdf")))

    def test_untouched_sheet_and_model_show_the_whole_model(self):
        doc = ezdxf.new("R2018")
        doc.modelspace().add_text("Только модель", dxfattribs={"height": 500}).set_placement((90000, 40000))
        doc.modelspace().add_line((0, 0), (100000, 50000))
        doc.saveas(self.path("model.dxf"))
        document = self.open(self.path("model.dxf"))
        send(document, f'(command "_.-EXPORT" "_P" "_A" "{self.path("sheet.pdf")}")')
        send(document, '(command "_.LAYOUT" "_S" "Model")')
        send(document, f'(command "_.-EXPORT" "_P" "_C" "_N" "{self.path("model.pdf")}")')
        for name in ("sheet.pdf", "model.pdf"):
            self.assertEqual([A3_LANDSCAPE], pdf_pages(self.path(name)))
            self.assertIn("Только модель", pdf_text(self.path(name)))

    def test_export_into_missing_folder_writes_nothing_and_reports(self):
        document = self.open(two_sheet_drawing(self.path("two.dxf")))
        target = self.path("absent/x.pdf")
        send(document, f'(command "_.-EXPORT" "_P" "_A" "{target}")')
        self.assertFalse(os.path.exists(target))
        self.assertIn("absent", self.errors.getvalue())


class SaveTest(StandInCase):
    def test_each_release_reads_back_with_content_and_properties(self):
        source = two_sheet_drawing(self.path("two.dxf"))
        before = digest(source)
        document = self.open(source)
        summary = document.get_SummaryInfo()
        # The client's pair: create, then set; an existing property refuses creation.
        summary.m_AddCustomInfo("Шифр", "черновик")
        summary.m_SetCustomByKey("Шифр", "АР-01")
        with self.assertRaises(DispatchError):
            summary.m_AddCustomInfo("Шифр", "другое")
        summary.m_SetCustomByKey("Шифр", "АР-02")
        with self.assertRaises(DispatchError):
            summary.m_SetCustomByKey("Нет", "x")

        expected = {"2000": "AC1015", "2004": "AC1018", "2007": "AC1021", "2010": "AC1024",
                    "2013": "AC1027", "2018": "AC1032"}
        for release, version in expected.items():
            with self.subTest(release=release):
                target = self.path(f"copy{release}.dxf")
                send(document, f'(command "_.SAVEAS" "{release}" "{target}")')
                copy = ezdxf.readfile(target)
                self.assertEqual(version, copy.dxfversion)
                if release == "2000":  # that release keeps them in the property record
                    self.assertEqual({"Шифр": "АР-02"}, legacy_properties(copy))
                else:
                    self.assertEqual("АР-02", copy.header.custom_vars.get("Шифр"))
                self.assertEqual(["Model", "Общий вид", "Разрез"], list(copy.layouts.names_in_taborder()))
                texts = [e.dxf.text for e in copy.modelspace().query("TEXT")]
                self.assertEqual(["Модельный текст"], texts)
        self.assertEqual(before, digest(source), "the source drawing was written")

    def test_unknown_release_and_dwg_target_write_nothing(self):
        document = self.open(two_sheet_drawing(self.path("two.dxf")))
        send(document, f'(command "_.SAVEAS" "1999" "{self.path("bad.dxf")}")')
        send(document, f'(command "_.SAVEAS" "2018" "{self.path("copy.dwg")}")')
        self.assertEqual(["two.dxf"], sorted(os.listdir(self.folder)))
        self.assertIn("1999", self.errors.getvalue())
        self.assertIn("DWG", self.errors.getvalue())

    def test_dwg_source_is_refused(self):
        with open(self.path("plan.dwg"), "wb") as stream:
            stream.write(b"AC1032\0\0\0")
        with self.assertRaises(DispatchError) as refused:
            self.open(self.path("plan.dwg"))
        self.assertIn("DWG", str(refused.exception))
        self.assertEqual(0, self.app.get_Documents().get_Count())

    def test_damaged_sources(self):
        source = two_sheet_drawing(self.path("two.dxf"))
        with open(source, encoding="utf-8") as stream:
            text = stream.read()
        cases = {
            "no-end.dxf": (text.replace("  0\nEOF\n", ""), True),
            # Cut short: repaired or refused, but reported either way.
            "half.dxf": (text[: len(text) // 2], None),
            "garbage.dxf": ("это не чертеж\n", False),
        }
        for name, (content, opens) in cases.items():
            with self.subTest(name=name):
                with open(self.path(name), "w", encoding="utf-8") as stream:
                    stream.write(content)
                if opens:
                    document = self.open(self.path(name))
                    self.assertEqual(["Общий вид", "Разрез"], self.sheet_names(document))
                elif opens is None:
                    try:
                        self.open(self.path(name))
                        reported = self.errors.getvalue()
                    except DispatchError as error:
                        reported = str(error)
                    self.assertIn(name, reported)
                else:
                    with self.assertRaises(DispatchError) as refused:
                        self.open(self.path(name))
                    self.assertIn(name, str(refused.exception))

    def test_close_discards_and_leaves_the_source(self):
        source = two_sheet_drawing(self.path("two.dxf"))
        before = digest(source)
        document = self.open(source)
        document.get_SummaryInfo().m_AddCustomInfo("k", "v")
        documents = self.app.get_Documents()
        self.assertEqual(1, documents.get_Count())
        document.m_Close(1)  # read-only: saving is refused, closing is not
        self.assertEqual(0, documents.get_Count())
        self.assertEqual(before, digest(source))
        with self.assertRaises(DispatchError):
            documents.m_Item(0)


class PerSheetCopyTest(StandInCase):
    def test_delete_other_sheets_save_and_undo_brings_them_back(self):
        document = self.open(two_sheet_drawing(self.path("two.dxf")))
        names = self.sheet_names(document)
        for keep in names:
            document.m_StartUndoMark()
            layouts = document.get_Layouts()
            for j in range(len(names), 0, -1):
                item = layouts.m_Item(j)
                if item.get_Name() != keep:
                    item.m_Delete()
            target = self.path(f"{keep}.dxf")
            send(document, f'(command "_.SAVEAS" "2013" "{target}")')
            document.m_EndUndoMark()
            send(document, '(command "_.undo" "1")')
            self.assertEqual(["Model", keep], list(ezdxf.readfile(target).layouts.names_in_taborder()))
            self.assertEqual(names, self.sheet_names(document))

    def test_model_cannot_be_deleted(self):
        document = self.open(two_sheet_drawing(self.path("two.dxf")))
        with self.assertRaises(DispatchError):
            document.get_Layouts().m_Item(0).m_Delete()


class BlocksTest(StandInCase):
    def make_referencing(self, with_file=True):
        """A host drawing with a used block, an unused one, an unused one nested in it, and two
        references: one to a drawing one folder up, one to a drawing that does not exist."""
        base = ezdxf.new("R2018")
        base.layers.add("Оси", color=1)
        part = base.blocks.new("Деталь")
        part.add_circle((0, 0), 3)
        base.modelspace().add_blockref("Деталь", (5, 5))
        base.modelspace().add_text("Подложка", dxfattribs={"height": 2, "layer": "Оси"}).set_placement((0, 0))
        if with_file:
            base.saveas(self.path("base.dxf"))

        os.makedirs(self.path("plans"))
        host = ezdxf.new("R2018")
        used = host.blocks.new("Штамп")
        used.add_line((0, 0), (10, 0))
        inner = host.blocks.new("Внутренний")
        inner.add_line((0, 0), (1, 1))
        outer = host.blocks.new("Лишний")
        outer.add_blockref("Внутренний", (0, 0))
        msp = host.modelspace()
        msp.add_blockref("Штамп", (0, 0))
        host.add_xref_def("..\\base.dxf", "base")
        msp.add_blockref("base", (100, 0))
        host.add_xref_def("gone/missing.dxf", "missing")
        msp.add_blockref("missing", (200, 0))
        layout = host.layouts.get("Layout1")
        layout.page_setup(size=(420, 297), margins=(0, 0, 0, 0))
        layout.add_viewport(center=(210, 148), size=(400, 280), view_center_point=(100, 0), view_height=100)
        path = self.path("plans/host.dxf")
        host.saveas(path)
        return path

    def blocks(self, document):
        collection = document.get_Blocks()
        return {collection.m_Item(i).get_Name(): collection.m_Item(i) for i in range(collection.get_Count())}

    def test_purge_removes_unused_blocks_one_level_per_run(self):
        document = self.open(self.make_referencing())
        send(document, '(command "_.PURGE" "_B" "*" "_N")')
        after_one = set(self.blocks(document))
        self.assertNotIn("Лишний", after_one)
        self.assertIn("Внутренний", after_one)  # was used by the removed block
        send(document, '(command "_.PURGE" "_B" "*" "_N")')
        after_two = set(self.blocks(document))
        self.assertNotIn("Внутренний", after_two)
        self.assertTrue({"Штамп", "base", "missing", "*Model_Space"} <= after_two)

    def test_bind_imports_found_reference_and_keeps_handles(self):
        document = self.open(self.make_referencing())
        blocks = self.blocks(document)
        self.assertTrue(blocks["base"].get_IsXRef())
        self.assertFalse(blocks["Штамп"].get_IsXRef())
        self.assertEqual("..\\base.dxf", blocks["base"].get_Path())
        handles = {name: blocks[name].get_Handle() for name in ("base", "missing")}

        send(document, '(command "_.-XREF" "_T" "*" "_F")')
        self.assertEqual(self.path("base.dxf"), document.m_HandleToObject(handles["base"]).get_Path())
        send(document, '(command "_.-XREF" "_B" "*")')

        bound = document.m_HandleToObject(handles["base"])
        self.assertFalse(bound.get_IsXRef())
        with self.assertRaises(DispatchError):
            bound.get_Path()
        still = document.m_HandleToObject(handles["missing"])
        self.assertTrue(still.get_IsXRef())
        still.put_Path("./Refs/missing.dxf")
        self.assertIn("missing", self.errors.getvalue())

        target = self.path("out.dxf")
        send(document, f'(command "_.SAVEAS" "2018" "{target}")')
        copy = ezdxf.readfile(target)
        base = copy.blocks.get("base")
        self.assertFalse(base.block.is_xref)
        kinds = sorted(e.dxftype() for e in base)
        self.assertEqual(["INSERT", "TEXT"], kinds)
        nested = [e.dxf.name for e in base.query("INSERT")][0]
        self.assertEqual(["CIRCLE"], [e.dxftype() for e in copy.blocks.get(nested)])
        self.assertIn("Оси", copy.layers)
        self.assertEqual("./Refs/missing.dxf", copy.blocks.get("missing").block.dxf.xref_path)
        self.assertTrue(copy.blocks.get("missing").block.is_xref)
        # The bound content is drawn: its text is in the PDF.
        send(document, f'(command "_.-EXPORT" "_P" "_A" "{self.path("b.pdf")}")')
        self.assertIn("Подложка", pdf_text(self.path("b.pdf")))

    def test_export_shows_references_without_binding_them(self):
        document = self.open(self.make_referencing())
        send(document, f'(command "_.-EXPORT" "_P" "_A" "{self.path("shown.pdf")}")')
        self.assertIn("Подложка", pdf_text(self.path("shown.pdf")))
        self.assertTrue(self.blocks(document)["base"].get_IsXRef())
        self.assertEqual([], [e for e in document.drawing.doc.blocks.get("base")])

    def test_reference_found_beside_the_drawing_by_name(self):
        path = self.make_referencing()
        shutil.move(self.path("base.dxf"), self.path("plans/base.dxf"))
        document = self.open(path)
        handle = self.blocks(document)["base"].get_Handle()
        send(document, '(command "_.-XREF" "_B" "*")')
        self.assertFalse(document.m_HandleToObject(handle).get_IsXRef())

    def test_unknown_handle_fails(self):
        document = self.open(self.make_referencing())
        with self.assertRaises(DispatchError):
            document.m_HandleToObject("FFFFFF")


class ScriptTest(StandInCase):
    def test_user_script_exports_each_sheet_and_survives_its_errors(self):
        document = self.open(two_sheet_drawing(self.path("two.dxf")))
        script = (
            '(defun sheet-pdf (name) (strcat (getvar "DWGPREFIX") "лист-" name ".pdf"))\n'
            "(nosuch-function 1)\n"
            '(foreach name (layoutlist)\n'
            '  (command "_.LAYOUT" "_S" name)\n'
            '  (command "_.-EXPORT" "_P" "_C" "_N" (sheet-pdf name)))\n'
            '(setvar "USERS1" (strcat (getvar "DWGNAME") ":" (itoa (length (layoutlist)))))\n'
            "_.NOSUCH\n"
        )
        send(document, script)
        self.assertEqual([A3_LANDSCAPE], pdf_pages(self.path("лист-Общий вид.pdf")))
        self.assertEqual([A4_PORTRAIT], pdf_pages(self.path("лист-Разрез.pdf")))
        self.assertEqual("two.dxf:2", document.m_GetVariable("USERS1"))
        self.assertEqual("Разрез", document.m_GetVariable("CTAB"))
        errors = self.errors.getvalue()
        self.assertIn("NOSUCH-FUNCTION", errors.upper())
        self.assertIn('"_.NOSUCH"', errors)

    def test_a_form_split_over_two_texts_runs_once_complete(self):
        document = self.open(two_sheet_drawing(self.path("two.dxf")))
        document.m_SendCommand('(command "_.LAYOUT" "_S"\r\n')
        self.assertTrue(self.app.commands.wait_idle(10))
        self.assertEqual("Model", document.m_GetVariable("CTAB"))
        send(document, '"Разрез")')
        self.assertEqual("Разрез", document.m_GetVariable("CTAB"))

    def test_drawing_variables_from_the_header(self):
        # Number formatting follows the drawing's own zero suppression, as in the program.
        for suppression, expected in ((0, "2.50"), (8, "2.5")):
            with self.subTest(suppression=suppression):
                path = self.path(f"z{suppression}.dxf")
                doc = ezdxf.new("R2018")
                doc.header["$DIMZIN"] = suppression
                doc.saveas(path)
                document = self.open(path)
                send(document, '(setvar "USERS2" (rtos 2.5 2 2))')
                self.assertEqual(expected, document.m_GetVariable("USERS2"))
                self.assertEqual(suppression, document.m_GetVariable("DIMZIN"))


class CommandLineTest(StandInCase):
    def test_busy_while_a_command_runs_and_changes_refused(self):
        document = self.open(two_sheet_drawing(self.path("two.dxf")))
        state = self.app.m_GetAcadState()
        self.assertTrue(state.get_IsQuiescent())
        gate = threading.Event()
        self.app.commands.submit(gate.wait)  # a long command ahead of the export
        document.m_SendCommand(f'(command "_.-EXPORT" "_P" "_A" "{self.path("a.pdf")}")\r(command)\r\n')
        self.assertFalse(state.get_IsQuiescent())
        with self.assertRaises(DispatchError):
            document.get_Layouts().m_Item(1).m_Delete()
        self.assertFalse(os.path.exists(self.path("a.pdf")))
        gate.set()
        self.assertTrue(self.app.commands.wait_idle(60))
        self.assertTrue(state.get_IsQuiescent())
        self.assertEqual(2, len(pdf_pages(self.path("a.pdf"))))

    def test_escape_interrupts_a_long_export(self):
        doc = ezdxf.new("R2018")
        for i in range(20000):
            doc.modelspace().add_circle((i % 200, i // 200), 0.4)
        sheet = doc.layouts.get("Layout1")
        sheet.page_setup(size=(420, 297), margins=(0, 0, 0, 0))
        sheet.add_viewport(center=(210, 148), size=(400, 280), view_center_point=(100, 50), view_height=120)
        doc.saveas(self.path("big.dxf"))
        document = self.open(self.path("big.dxf"))
        target = self.path("big.pdf")
        document.m_SendCommand(f'(command "_.-EXPORT" "_P" "_A" "{target}") (command "_.LAYOUT" "_S" "Layout1")\r\n')
        state = self.app.m_GetAcadState()
        self.assertFalse(state.get_IsQuiescent())
        document.m_SendCommand("(command)\r\n")
        self.assertTrue(self.app.commands.wait_idle(10), "the export did not give way")
        self.assertIn("*Прервано*", self.errors.getvalue())
        self.assertEqual(["big.dxf"], os.listdir(self.folder), "a partial PDF was left")
        # The rest of the interrupted text was dropped; the next text runs normally.
        self.assertEqual("Model", document.m_GetVariable("CTAB"))
        send(document, '(command "_.LAYOUT" "_S" "Layout1")')
        self.assertEqual("Layout1", document.m_GetVariable("CTAB"))

    def test_unknown_command_reports_and_the_rest_runs(self):
        document = self.open(two_sheet_drawing(self.path("two.dxf")))
        send(document, f'(command "_.NOSUCH" "x")\n(command "_.-EXPORT" "_P" "_A" "{self.path("a.pdf")}")')
        self.assertIn("_.NOSUCH", self.errors.getvalue())
        self.assertTrue(os.path.exists(self.path("a.pdf")))

    def test_system_variables_seen_by_scripts(self):
        document = self.open(two_sheet_drawing(self.path("two.dxf")))
        host = document.command_line  # what the interpreter's getvar and setvar reach
        self.assertEqual("two.dxf", host.getvar("dwgname"))
        self.assertEqual(self.folder + "/", host.getvar("DWGPREFIX"))
        self.assertEqual("Model", host.getvar("CTAB"))
        host.setvar("CTAB", "Разрез")
        self.assertEqual("Разрез", host.getvar("CTAB"))
        self.assertEqual(0, host.getvar("TILEMODE"))
        document.m_SetVariable("BACKGROUNDPLOT", 0)
        self.assertEqual(0, host.getvar("BACKGROUNDPLOT"))
        host.setvar("USERS1", "метка")
        self.assertEqual("метка", document.m_GetVariable("users1"))
        with self.assertRaises(ValueError):
            host.setvar("DWGNAME", "other.dxf")
        self.assertIsNone(host.getvar("NOSUCHVAR"))

    def test_application_members(self):
        self.assertEqual("AutoCAD", self.app.get_Name())
        self.assertEqual("/opt/docvane/docvane-acad-server", self.app.get_FullName())
        self.assertIs(self.app, self.app.get_Application())
        self.app.m_Quit()
        self.assertTrue(self.app.context.quit_requested)


if __name__ == "__main__":
    unittest.main()
