"""Reading LISP text: escapes, comments, symbols, and forms that arrive in pieces."""

import unittest

from lisp_support import STATEMENT_END, evaluate, make


class ReaderTest(unittest.TestCase):
    def test_string_escapes(self):
        for literal, expected in [
            (r'"a\"b"', 'a"b'),
            (r'"c:\\dir\\f"', "c:\\dir\\f"),
            (r'"1\n2\r3\t4"', "1\n2\r3\t4"),
            (r'"\e[0m"', "\x1b[0m"),
            (r'"\101\0612"', "A12"),
            (r'"\q"', "q"),
            ('"line\nbreak"', "line\nbreak"),
            ('";|not a comment|;"', ";|not a comment|;"),
        ]:
            with self.subTest(literal=literal):
                interpreter, host = make()
                interpreter.run("(princ %s)" % literal)
                self.assertEqual((host.text, host.errors), (expected, []))

    def test_comments_symbols_and_quotes(self):
        for text, expected in [
            ("(+ 1 ; two\n 2)", "3"),
            ("(+ 1 ;| a ) block\n over lines |; 2)", "3"),
            ("(setq MixedCase 4) mixedcase", "4"),
            ("(Car (LIST 'abc))", "ABC"),
            ("'(a 'b)", "(A (QUOTE B))"),
            ("(quote nil)", "nil"),
            ("(list 'NIL 't)", "(nil T)"),
            ("(setq Лист 2) лист", "2"),
            ("(length '(1.5 .5 1. -2 +3))", "5"),
            ("(car '(a.b))", "A.B"),
        ]:
            with self.subTest(text=text):
                interpreter, host = make()
                interpreter.run("(prin1 (progn %s))" % text)
                self.assertEqual((host.text, host.errors), (expected, []))

    def test_malformed_text_reports_and_goes_on(self):
        for text, error in [
            ("(princ 1)) (princ 2)", "; error: extra right paren on input"),
            ("(princ '(1 . )) (princ 2)", "; error: bad dotted pair on input"),
            ("(princ '(1 . 2 3)) (princ 2)", "; error: bad dotted pair on input"),
        ]:
            with self.subTest(text=text):
                interpreter, host = make()
                interpreter.run(text)
                self.assertIn(error, host.errors)
                self.assertTrue(host.text.endswith("2"), host.text)

    def test_a_script_that_ends_inside_a_form_is_an_error_but_earlier_forms_ran(self):
        interpreter, host = make()
        interpreter.run('(princ "done") (princ (strcat "x"')
        self.assertEqual(host.text, "done")
        self.assertEqual(host.errors, ["; error: malformed list on input"])
        self.assertFalse(interpreter.pending)

    def test_deep_nesting_reads_and_prints_without_python_recursion(self):
        depth = 50_000
        printed, errors = evaluate("'" + "(" * depth + ")" * depth)
        self.assertEqual(errors, [])
        self.assertEqual(printed, "(" * (depth - 1) + "nil" + ")" * (depth - 1))


class PartialFeedTest(unittest.TestCase):
    def test_a_form_split_anywhere_runs_once_complete(self):
        text = '(setq s (strcat "a\\"b" ;| note |; "\\\\c"))(princ s)\r\n'
        for cut in range(1, len(text)):
            with self.subTest(cut=cut):
                interpreter, host = make()
                interpreter.feed(text[:cut])
                interpreter.feed(text[cut:])
                self.assertEqual((host.text, host.errors), ('a"b\\c', []))
                self.assertFalse(interpreter.pending)

    def test_unfinished_form_waits_and_swallows_the_cancel(self):
        interpreter, host = make()
        interpreter.feed("(defun add3 (x)" + STATEMENT_END)
        self.assertTrue(interpreter.pending)
        self.assertEqual(host.commands, [])
        interpreter.feed("(+ x 3))" + STATEMENT_END)
        self.assertFalse(interpreter.pending)
        interpreter.feed("(princ (add3 4))" + STATEMENT_END)
        self.assertEqual(host.text, "7")
        # The cancel inside the unfinished definition became part of its body; those after it ran.
        self.assertEqual(host.commands, [[], [], []])

    def test_cancel_drops_the_unfinished_form(self):
        interpreter, host = make()
        interpreter.feed('(princ "lost"')
        interpreter.cancel()
        interpreter.feed('(princ "kept")\n')
        self.assertEqual((host.text, host.errors), ("kept", []))

    def test_bare_words_are_one_command_per_line_and_values_fill_prompts(self):
        interpreter, host = make()
        interpreter.feed("(setq n \"Лист 1\")\n_.LAYOUT _S !n\n!n\n")
        interpreter.feed('_.LAYOUT _S (strcat "Лист " "2")\r_.ZOOM "_E"\n')
        interpreter.feed('(defun c:mark () (princ "marked")) mark\nMARK _.REGEN\n')
        self.assertEqual(
            host.commands,
            [
                ["_.LAYOUT", "_S", "Лист 1"],
                ["_.LAYOUT", "_S", "Лист 2"],
                ["_.ZOOM", "_E"],
                ["_.REGEN"],
            ],
        )
        self.assertEqual(host.text, '"Лист 1"\nmarkedmarked')

    def test_pending_input_is_bounded(self):
        from docvane_servers.lisp import Interpreter
        from lisp_support import RecordingHost

        host = RecordingHost()
        interpreter = Interpreter(host, max_pending=100)
        interpreter.feed("(princ " + '"' + "x" * 200)
        self.assertFalse(interpreter.pending)
        self.assertEqual(len(host.errors), 1)
        interpreter.feed("(princ 1)\n")
        self.assertEqual(host.text, "1")


if __name__ == "__main__":
    unittest.main()
