"""What reaches the drawing program: command arguments, system variables, and scripts sent the way the
publishing client sends them."""

import os
import tempfile
import unittest

from lisp_support import client_statements, make, quoted, send_script

SHEET_NAMES = [
    "Лист 1",
    'Sheet "A"',
    "c:\\plans\\",
    'a\\"b',
    "x;y ;| z |;",
    "(paren) 'quote'",
    "two  spaces\ttab",
    "",
]


class CommandArgumentTest(unittest.TestCase):
    def test_client_command_texts_arrive_with_their_arguments_unchanged(self):
        interpreter, host = make()
        expected = []
        script = []
        for name in SHEET_NAMES:
            script.append("(command %s %s %s)" % (quoted("_.LAYOUT"), quoted("_S"), quoted(name)))
            expected += [["_.LAYOUT", "_S", name], []]
        path = "/tmp/out dir/Чертёж (1).pdf"
        script.append('(command "_.-EXPORT" "_P" "_A" %s)' % quoted(path))
        script.append('(command "_.SAVEAS" "2013" %s)' % quoted(path[:-3] + "dxf"))
        script.append('(command "_.PURGE" "_B" "*" "_N")')
        expected += [["_.-EXPORT", "_P", "_A", path], [], ["_.SAVEAS", "2013", path[:-3] + "dxf"], []]
        expected += [["_.PURGE", "_B", "*", "_N"], []]
        # The client sends each command text through its own script run.
        for text in script:
            send_script(interpreter, text)
        self.assertEqual(host.errors, [])
        self.assertEqual(host.commands, expected)
        self.assertFalse(interpreter.pending)

    def test_values_are_given_as_typed_at_the_command_line(self):
        interpreter, host = make()
        interpreter.run(
            "(command \"_.LINE\" '(0 0) (list 1.5 -2 3) \"\" nil 5 2.25 T)"
            " (princ (vl-cmdf \"_.REGEN\")) (princ (command)) (command-s \"_.ZOOM\" \"_E\")"
        )
        self.assertEqual(host.errors, [])
        self.assertEqual(
            host.commands,
            [["_.LINE", "0,0", "1.5,-2,3", "", "", "5", "2.25", "T"], ["_.REGEN"], [], ["_.ZOOM", "_E"]],
        )
        self.assertEqual(host.text, "Tnil")

    def test_arguments_are_evaluated_before_the_command_is_sent(self):
        interpreter, host = make()
        interpreter.run('(command "_.LAYOUT" "_S" (undefined-name)) (command "_.SAVEAS" (itoa 2018) "f.dxf")')
        self.assertEqual(host.errors, ["; error: no function definition: UNDEFINED-NAME"])
        self.assertEqual(host.commands, [["_.SAVEAS", "2018", "f.dxf"]])


class SystemVariableTest(unittest.TestCase):
    def test_variables_come_from_and_go_to_the_host(self):
        variables = {"CTAB": "Лист 1", "FILEDIA": 1, "VIEWCTR": (1.0, 2.5, 0.0), "TEXTSIZE": 2.5}
        interpreter, host = make(variables=variables, read_only={"DWGNAME"})
        interpreter.run(
            """
            (prin1 (list (getvar "ctab") (getvar "FILEDIA") (getvar "viewctr") (getvar "NOSUCH")))
            (prin1 (setvar "filedia" 0))
            (setvar "VIEWCTR" '(3 4))
            (setvar "TEXTSIZE" 3.5)
            (setvar "DWGNAME" "x.dxf")
            (princ "after")
            """
        )
        self.assertEqual(host.text, '("Лист 1" 1 (1.0 2.5 0.0) nil)0after')
        self.assertEqual(host.variables["FILEDIA"], 0)
        self.assertEqual(host.variables["VIEWCTR"], (3.0, 4.0))
        self.assertEqual(host.variables["TEXTSIZE"], 3.5)
        self.assertEqual(host.errors, ['; error: AutoCAD variable setting rejected: "DWGNAME"'])

    def test_bad_variable_arguments(self):
        interpreter, host = make(variables={"A": 1})
        interpreter.run("(getvar 'ctab) (setvar \"A\" car)")
        self.assertEqual(host.errors, ["; error: bad argument type: stringp CTAB", host.errors[1]])
        self.assertTrue(host.errors[1].startswith("; error: bad argument type: setvar: #<SUBR"))
        self.assertEqual(host.variables["A"], 1)


class FileTest(unittest.TestCase):
    def test_a_script_writes_and_reads_back_its_notes(self):
        with tempfile.TemporaryDirectory() as folder:
            interpreter, host = make(variables={"DWGPREFIX": folder + "/"})
            interpreter.run(
                """
                (setq f (open (strcat (getvar "DWGPREFIX") "notes.txt") "w"))
                (write-line "Лист 1" f) (princ 'sheet f) (terpri f) (prin1 "q\\"" f) (close f)
                (setq f (open (findfile "notes.txt") "a")) (write-line "" f) (write-line "end" f) (close f)
                (setq f (open (findfile "notes.txt") "r") lines nil)
                (while (setq line (read-line f)) (setq lines (cons line lines)))
                (close f)
                (prin1 (list (reverse lines) (type f) (open "/no/such/folder/x" "r") (findfile "absent.txt")))
                (read-line f)
                (open "x" "rw")
                """
            )
            with open(os.path.join(folder, "notes.txt"), encoding="utf-8") as written:
                self.assertEqual(written.read(), 'Лист 1\nSHEET\n"q\\""\nend\n')
        self.assertEqual(host.text, '(("Лист 1" "SHEET" "\\"q\\\\\\"\\"" "end") FILE nil nil)')
        self.assertEqual(len(host.errors), 2)
        self.assertTrue(host.errors[0].startswith("; error: file is closed"))
        self.assertTrue(host.errors[1].startswith("; error: bad argument value: mode"))

    def test_open_files_are_limited(self):
        with tempfile.TemporaryDirectory() as folder:
            interpreter, host = make()
            interpreter.run(
                "(setq n 0 all nil)"
                ' (repeat 40 (setq all (cons (open (strcat "%s/f" (itoa (setq n (1+ n)))) "w") all)))' % folder
            )
            self.assertEqual(host.errors, ["; error: too many open files"])
            interpreter.run(
                '(close (car all)) (setq all (cons (open "%s/again" "w") (cdr all)))'
                " (princ (length all)) (foreach f all (close f))" % folder
            )
            self.assertEqual((host.text, host.errors[1:]), ("16", []))


USER_SCRIPT = r"""
;|  Publishing preparations for every drawing.
    Written by the project's engineer. |;
(vl-load-com)
(setq old-echo (getvar "CMDECHO"))   ; keep to restore
(setvar "CMDECHO" 0)

(defun pad (text width / result)
  ;; left-pads text with zeros
  (setq result text)
  (while (< (strlen result) width) (setq result (strcat "0" result)))
  result)

(defun sheet-label (index name / label)
  (setq label (strcat "Л." (pad (itoa index) 3) " \"" (strcase name) "\""))
  label)

(defun *error* (msg)
  (setvar "CMDECHO" old-echo)
  (princ (strcat "\nОшибка: " msg)))

(setq sheets (layoutlist))
(setq index 0 labels nil)
(foreach name sheets
  (setq index (1+ index))
  (setq labels (cons (sheet-label index name) labels))
  (command "_.LAYOUT" "_S" name))
(setq labels (reverse labels))
(princ (apply 'strcat (mapcar '(lambda (l) (strcat l "\n")) labels)))
(cond ((wcmatch (getvar "DWGNAME") "*.dxf,*.DXF") (princ "DXF "))
      (T (princ "other ")))
(princ (rtos (* 2 (getvar "TEXTSIZE")) 2 2))
(command "_.LAYOUT" "_S" "")
(no-such-function 1 2)
(setvar "CMDECHO" old-echo)
(princ)
"""


class UserScriptTest(unittest.TestCase):
    def test_a_realistic_script_sent_statement_by_statement(self):
        statements = client_statements(USER_SCRIPT)
        self.assertEqual(len(statements), 17)
        interpreter, host = make(
            variables={"CMDECHO": 1, "DWGNAME": "Чертёж.dxf", "TEXTSIZE": 2.5},
            layouts=["план 1", "разрез; А-А", "c:\\tmp\\узел"],
        )
        send_script(interpreter, USER_SCRIPT)
        self.assertFalse(interpreter.pending)
        layouts = [args for args in host.commands if args]
        self.assertEqual(
            layouts,
            [
                ["_.LAYOUT", "_S", "план 1"],
                ["_.LAYOUT", "_S", "разрез; А-А"],
                ["_.LAYOUT", "_S", "c:\\tmp\\узел"],
                ["_.LAYOUT", "_S", ""],
            ],
        )
        self.assertEqual(len(host.commands) - len(layouts), len(statements))
        self.assertEqual(
            host.text,
            'Л.001 "ПЛАН 1"\nЛ.002 "РАЗРЕЗ; А-А"\nЛ.003 "C:\\TMP\\УЗЕЛ"\n'
            "DXF 5.00\nОшибка: no function definition: NO-SUCH-FUNCTION",
        )
        self.assertEqual(host.errors, [])
        self.assertEqual(host.variables["CMDECHO"], 1)


if __name__ == "__main__":
    unittest.main()
