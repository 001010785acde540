"""Failing forms: the error lines, what survives them, and scripts that try to run forever."""

import contextlib
import io
import time
import unittest

from lisp_support import STATEMENT_END, make

STACK_LINE = "Hard error occurred *** internal stack limit reached (simulated)"


class ErrorLineTest(unittest.TestCase):
    def test_each_failure_gives_its_customary_line_and_the_next_form_runs(self):
        for form, line in [
            ("(foo 1)", "; error: no function definition: FOO"),
            ('(+ 1 "a")', '; error: bad argument type: numberp: "a"'),
            ("(strcat 1)", "; error: bad argument type: stringp 1"),
            ("(itoa 1.5)", "; error: bad argument type: fixnump: 1.5"),
            ("(car 1)", "; error: bad argument type: consp 1"),
            ("(length '(1 . 2))", "; error: bad list: (1 . 2)"),
            ("(setq 1 2)", "; error: bad argument type: symbolp 1"),
            ("(/ 1 0)", "; error: divide by zero"),
            ("(car)", "; error: too few arguments"),
            ("(car '(1) '(2))", "; error: too many arguments"),
            ("(progn (defun two (a b) a) (two 1))", "; error: too few arguments"),
            ("(setq a)", "; error: too few arguments"),
            ("(if)", "; error: too few arguments"),
            ("(sqrt -1)", "; error: function undefined for argument: -1"),
            ("(exit)", "; error: quit / exit abort"),
            ("((+ 1 2))", "; error: bad function: 3"),
            ("(progn (setq notfn 5) (notfn))", "; error: bad function: 5"),
            ('(substr "abc" 0)', "; error: bad argument value: positive 0"),
            ("(command (list 'a))", "; error: bad argument type: 2D/3D point: (A)"),
            ("(command car)", "; error: invalid argument to command: #<SUBR"),
        ]:
            with self.subTest(form=form):
                interpreter, host = make()
                interpreter.run('(princ "<") %s (princ ">")' % form)
                self.assertEqual(len(host.errors), 1)
                self.assertTrue(host.errors[0].startswith(line), host.errors)
                self.assertEqual(host.text, "<>")

    def test_error_handler_sees_the_failing_functions_variables_and_they_are_restored_after(self):
        interpreter, host = make(variables={"CMDECHO": 1})
        interpreter.run(
            """
            (setq saved "global")
            (defun *error* (msg) (setvar "CMDECHO" saved) (princ (strcat "[" msg "]")))
            (defun job (/ saved)
              (setq saved (getvar "CMDECHO"))
              (setvar "CMDECHO" 0)
              (undefined-call))
            (job)
            (princ saved)
            """
        )
        self.assertEqual(host.errors, [])
        self.assertEqual(host.text, "[no function definition: UNDEFINED-CALL]global")
        self.assertEqual(host.variables["CMDECHO"], 1)

    def test_failing_handler_and_caught_errors(self):
        interpreter, host = make()
        interpreter.run(
            """
            (defun *error* (msg) (princ "handler ") (car 1))
            (vl-catch-all-apply 'car '(2))
            (princ "caught ")
            (/ 1 0)
            (princ "next")
            """
        )
        # vl-catch-all-apply keeps the handler out; a handler that fails is reported, then its cause.
        self.assertEqual(host.text, "caught handler next")
        self.assertEqual(host.errors, ["; error: bad argument type: consp 1", "; error: divide by zero"])

    def test_host_faults_fail_the_form_not_the_interpreter(self):
        class BrokenHost:
            def __init__(self):
                self.errors = []

            def command(self, args):
                raise RuntimeError("engine fault")

            def getvar(self, name):
                raise KeyError(name)

            def setvar(self, name, value):
                raise ValueError("refused")

            def error(self, line):
                self.errors.append(line)

        from docvane_servers.lisp import Interpreter

        host = BrokenHost()
        interpreter = Interpreter(host)
        printed = io.StringIO()
        with contextlib.redirect_stdout(printed):
            interpreter.run('(command "_.LAYOUT") (getvar "CTAB") (setvar "X" 1) (layoutlist) (princ "on stdout")')
            interpreter.feed("_.ZOOM\n")
            interpreter.feed(b"(princ)")
        self.assertEqual(
            host.errors,
            [
                "; error: engine fault",
                "; error: 'CTAB'",
                "; error: refused",
                "; error: layoutlist: this program keeps no layouts",
                "; error: engine fault",
                "; error: bad argument type: stringp bytes",
            ],
        )
        # A host without its own output prints to standard output.
        self.assertEqual(printed.getvalue(), "on stdout")


class BoundsTest(unittest.TestCase):
    def test_endless_loops_stop_at_the_step_budget(self):
        loops = ["(while T nil)", "(while T)", "(repeat 2000000000)", "(defun f () (f)) (while T (setq x 1))"]
        for loop in loops:
            with self.subTest(loop=loop):
                interpreter, host = make(max_steps=20_000)
                started = time.monotonic()
                interpreter.run(loop + ' (princ "after")')
                self.assertLess(time.monotonic() - started, 5)
                self.assertEqual(len(host.errors), 1)
                self.assertIn("step limit", host.errors[0])
                # The rest of that call is dropped; the next call has a fresh budget.
                self.assertEqual(host.text, "")
                interpreter.run('(princ "next call")')
                self.assertEqual(host.text, "next call")

    def test_a_typed_command_that_runs_away_stops_the_rest_of_its_text(self):
        interpreter, host = make(max_steps=10_000)
        interpreter.feed("(defun c:spin () (while T))\nspin\n(princ 1)\n_.REGEN\n")
        self.assertEqual(len(host.errors), 1)
        self.assertIn("step limit", host.errors[0])
        self.assertEqual((host.text, host.commands), ("", []))

    def test_the_budget_is_per_call(self):
        interpreter, host = make(max_steps=5_000)
        for _ in range(3):
            interpreter.feed("(setq i 0) (repeat 500 (setq i (1+ i))) (princ i)" + STATEMENT_END)
        self.assertEqual((host.text, host.errors), ("500500500", []))

    def test_structures_that_double_are_stopped(self):
        for script, fragment in [
            ('(setq s "x") (repeat 40 (setq s (strcat s s)))', "string too long"),
            ("(setq l '(1)) (repeat 40 (setq l (append l l)))", "step limit"),
            (
                "(setq l '(1)) (repeat 40 (setq l (vl-string->list (vl-list->string (append l l)))))",
                "step limit",
            ),
        ]:
            with self.subTest(script=script):
                interpreter, host = make(max_steps=200_000)
                interpreter.run(script + ' (princ "end")')
                self.assertEqual(len(host.errors), 1, host.errors)
                self.assertIn(fragment, host.errors[0])

    def test_work_inside_functions_counts_against_the_budget(self):
        setup = (
            '(setq s "a" l nil l2 nil) (repeat 19 (setq s (strcat s s)))'
            " (repeat 20000 (setq l (cons 1 l) l2 (cons 1 l2)))"
        )
        for loop in [
            '(while T (vl-string-search "b" s))',
            '(while T (wcmatch s "*b"))',
            "(while T (nth 19999 l))",
            "(while T (last l))",
            "(while T (equal l l2))",
            "(while T (member 2 l))",
            "(while T (strcase s))",
            "(while T (princ s))",
            '(while T (command "_.LAYOUT" "_S" s))',
        ]:
            with self.subTest(loop=loop):
                interpreter, host = make(max_steps=300_000)
                started = time.monotonic()
                interpreter.run(setup + loop)
                self.assertLess(time.monotonic() - started, 30)
                self.assertEqual(len(host.errors), 1)
                self.assertIn("step limit", host.errors[0])
                handed_over = len(host.text) + sum(len(word) for args in host.commands for word in args)
                self.assertLess(handed_over, 10_000_000)

    def test_wildcards_that_would_backtrack_for_ever_answer(self):
        interpreter, host = make()
        interpreter.run(
            '(setq s "a") (repeat 12 (setq s (strcat s s))) (princ (wcmatch s "*a*a*a*a*a*a*b,~*a"))'
        )
        self.assertEqual((host.text, host.errors), ("nil", []))

    def test_recursion_bombs_end_with_the_stack_line_and_leave_a_usable_interpreter(self):
        for bomb in [
            "(defun f (n) (f (1+ n))) (f 0)",
            "(defun f (n) (+ 1 (f n))) (f 0)",
            "(defun f (l) (mapcar 'f (list l))) (f 1)",
            "(defun f (x) (vl-sort '(1 2) (function (lambda (a b) (f a))))) (f 1)",
            "(setq x 1) (repeat 100000 (setq x (list 'progn x))) (eval x)",
        ]:
            with self.subTest(bomb=bomb):
                interpreter, host = make()
                interpreter.run("(setq g 'global) (defun shadow (g) %s) (shadow 'local) (princ g)" % bomb)
                self.assertIn(STACK_LINE, host.errors)
                self.assertEqual(host.text, "GLOBAL")
                interpreter.run("(defun fact (n) (if (< n 2) 1 (* n (fact (1- n))))) (princ (fact 10))")
                self.assertEqual(host.text, "GLOBAL3628800")

    def test_deep_but_bounded_recursion_works(self):
        interpreter, host = make()
        interpreter.run("(defun count (n) (if (= n 0) 0 (1+ (count (1- n))))) (princ (count 500))")
        self.assertEqual((host.text, host.errors), ("500", []))

    def test_deep_data_prints_and_compares_without_python_recursion(self):
        interpreter, host = make()
        interpreter.run(
            "(setq a nil b nil) (repeat 100000 (setq a (list a) b (list b)))"
            " (princ (equal a b)) (princ (strlen (vl-prin1-to-string a)))"
        )
        self.assertEqual((host.text, host.errors), ("T" + str(100000 * 2 + 3), []))


if __name__ == "__main__":
    unittest.main()
