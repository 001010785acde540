"""Evaluation of the functions scripts use: each expression against the value the command line gives."""

import os
import re
import unittest

from lisp_support import evaluate, make

from docvane_servers.lisp.registry import BUILTINS

DOC = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "docs", "lisp-scripts.md")

# (expression, printed value as prin1 writes it)
CASES = {
    "numbers": [
        ("(+ 1 2 3)", "6"),
        ("(+ 1 2.5)", "3.5"),
        ("(+)", "0"),
        ("(- 10 4 1)", "5"),
        ("(- 5)", "-5"),
        ("(* 2 3 4)", "24"),
        ("(* 2 1.5)", "3.0"),
        ("(/ 7 2)", "3"),
        ("(/ -7 2)", "-3"),
        ("(/ 7 2.0)", "3.5"),
        ("(/ 100 5 2)", "10"),
        ("(rem 7 3)", "1"),
        ("(rem -7 3)", "-1"),
        ("(rem 7.5 2)", "1.5"),
        ("(+ 2147483647 1)", "-2147483648"),
        ("(* 65536 65536)", "0"),
        ("(1+ 41)", "42"),
        ("(1- 0.5)", "-0.5"),
        ("(abs -3)", "3"),
        ("(min 3 1 2)", "1"),
        ("(max 1 2.0)", "2.0"),
        ("(fix 3.9)", "3"),
        ("(fix -3.9)", "-3"),
        ("(float 3)", "3.0"),
        ("(sqrt 16)", "4.0"),
        ("(expt 2 10)", "1024"),
        ("(expt 2 -1)", "0"),
        ("(expt 2.0 0.5)", "1.41421"),
        ("(fix (* 1000 (sin (/ pi 2))))", "1000"),
        ("(cos 0)", "1.0"),
        ("(atan 1 1)", "0.785398"),
        ("pi", "3.14159"),
        ("(gcd 12 18)", "6"),
        ("(~ 5)", "-6"),
        ("(logand 12 10)", "8"),
        ("(logior 12 10)", "14"),
        ("(lsh 1 4)", "16"),
        ("(boole 6 12 10)", "6"),
        ("1e7", "1.0e+007"),
        ("0.00001", "1.0e-005"),
        ("99999999999", "1.0e+011"),
        ("-.5", "-0.5"),
    ],
    "comparison": [
        ("(= 1 1.0)", "T"),
        ("(= 1 1 2)", "nil"),
        ("(= \"a\" \"a\")", "T"),
        ("(/= 1 2 1)", "T"),
        ("(< 1 2 3)", "T"),
        ("(< 1 3 2)", "nil"),
        ("(> \"b\" \"a\")", "T"),
        ("(<= 2 2 3)", "T"),
        ("(>= 1 2)", "nil"),
        ("(eq 'a 'A)", "T"),
        ("(eq '(1) '(1))", "nil"),
        ("(equal '(1 (2 \"x\")) (list 1 (list 2 \"x\")))", "T"),
        ("(equal 1.0 1.05 0.1)", "T"),
        ("(equal 1.0 1.2 0.1)", "nil"),
        ("(zerop 0.0)", "T"),
        ("(minusp -1)", "T"),
        ("(numberp \"1\")", "nil"),
        ("(listp nil)", "T"),
        ("(listp 1)", "nil"),
        ("(atom '(1))", "nil"),
        ("(stringp \"s\")", "T"),
        ("(null nil)", "T"),
        ("(not 0)", "nil"),
        ("(boundp 'never-set)", "nil"),
        ("(boundp 'pi)", "T"),
        ("(type 1)", "INT"),
        ("(type 1.0)", "REAL"),
        ("(type \"\")", "STR"),
        ("(type 'a)", "SYM"),
        ("(type '(1))", "LIST"),
        ("(type car)", "SUBR"),
        ("(type (lambda (x) x))", "USUBR"),
        ("(type nil)", "nil"),
    ],
    "lists": [
        ("(list 1 \"a\" 'b)", '(1 "a" B)'),
        ("(cons 1 '(2))", "(1 2)"),
        ("(cons 1 2)", "(1 . 2)"),
        ("'(1 . (2 3))", "(1 2 3)"),
        ("(car '((1 2) 3))", "(1 2)"),
        ("(cdr '(1 2 3))", "(2 3)"),
        ("(cadr '(1 2 3))", "2"),
        ("(caddr '(1 2 3))", "3"),
        ("(cddr '(1 2 3))", "(3)"),
        ("(caar '((1 2) 3))", "1"),
        ("(cadddr '(1 2 3 4))", "4"),
        ("(car nil)", "nil"),
        ("(nth 2 '(a b c))", "C"),
        ("(nth 5 '(a b c))", "nil"),
        ("(length '(1 2 3))", "3"),
        ("(append '(1) nil '(2 3) '((4)))", "(1 2 3 (4))"),
        ("(reverse '(1 2 3))", "(3 2 1)"),
        ("(last '(1 2 3))", "3"),
        ("(member 2 '(1 2 3))", "(2 3)"),
        ("(member \"b\" '(\"a\" \"b\"))", '("b")'),
        ("(assoc \"k\" '((\"j\" . 1) (\"k\" . 2)))", '("k" . 2)'),
        ("(cdr (assoc 8 '((0 . \"LINE\") (8 . \"0\"))))", '"0"'),
        ("(subst 'q 'b '(a b (c b) b))", "(A Q (C B) Q)"),
        ("(vl-remove 2 '(1 2 3 2))", "(1 3)"),
        ("(vl-position 'c '(a b c))", "2"),
        ("(vl-remove-if 'minusp '(1 -2 3))", "(1 3)"),
        ("(vl-remove-if-not 'minusp '(1 -2 3))", "(-2)"),
        ("(vl-member-if 'minusp '(1 -2 3))", "(-2 3)"),
        ("(vl-some 'minusp '(1 -2))", "T"),
        ("(vl-every 'numberp '(1 2))", "T"),
        ("(vl-sort '(3 1 2) '<)", "(1 2 3)"),
        ("(vl-sort '(\"b\" \"c\" \"a\") (function >))", '("c" "b" "a")'),
        ("(vl-sort-i '(30 10 20) '<)", "(1 2 0)"),
        ("(vl-list* 1 2 '(3))", "(1 2 3)"),
        ("(vl-list-length '(1 . 2))", "nil"),
        ("(mapcar '+ '(1 2 3) '(10 20))", "(11 22)"),
        ("(mapcar (function (lambda (x) (* x x))) '(1 2 3))", "(1 4 9)"),
        ("(apply 'strcat '(\"a\" \"b\"))", '"ab"'),
        ("(apply '(lambda (a b) (- a b)) '(5 3))", "2"),
        ("(acad_strlsort '(\"b\" \"A\" \"c\"))", '("A" "b" "c")'),
    ],
    "strings": [
        ('(strcat "a" "" "bc")', '"abc"'),
        ("(strcat)", '""'),
        ('(strlen "абв")', "3"),
        ('(substr "Layout12" 7)', '"12"'),
        ('(substr "abcdef" 2 3)', '"bcd"'),
        ('(substr "abc" 5)', '""'),
        ('(strcase "Лист a")', '"ЛИСТ A"'),
        ('(strcase "ABC" T)', '"abc"'),
        ('(vl-string-search "ou" "Layout")', "3"),
        ('(vl-string-search "ou" "Layout" 4)', "nil"),
        ('(vl-string-subst "2" "1" "a1b1")', '"a2b1"'),
        ('(vl-string-translate "\\\\" "/" "c:\\\\a\\\\b")', '"c:/a/b"'),
        ('(vl-string-trim " " "  x  ")', '"x"'),
        ('(vl-string-right-trim "0" "1.500")', '"1.5"'),
        ('(vl-string-position (ascii ".") "a.b.c" 0 T)', "3"),
        ('(vl-string->list "AB")', "(65 66)"),
        ("(vl-list->string '(72 105))", '"Hi"'),
        ("(itoa -12)", '"-12"'),
        ('(atoi "42abc")', "42"),
        ('(atoi "abc")', "0"),
        ('(atof "2.5e1x")', "25.0"),
        ("(chr 65)", '"A"'),
        ('(ascii "A")', "65"),
        ('(ascii "")', "0"),
        ("(vl-princ-to-string '(1 \"a\" b))", '"(1 a B)"'),
        ("(vl-prin1-to-string \"q\\\"\")", '"\\"q\\\\\\"\\""'),
        ('(read "(1 . 2)")', "(1 . 2)"),
        ('(eval (read "(+ 1 2)"))', "3"),
        ('(vl-filename-base "/p/Чертёж.v1.dxf")', '"Чертёж.v1"'),
        ('(vl-filename-extension "c:\\\\d\\\\a.dwg")', '".dwg"'),
        ('(vl-filename-directory "/p/q/a.dxf")', '"/p/q"'),
        ('(wcmatch "Layout1" "Lay*")', "T"),
        ('(wcmatch "Layout1" "Layout#")', "T"),
        ('(wcmatch "LayoutA" "Layout#")', "nil"),
        ('(wcmatch "ab" "x*,a?")', "T"),
        ('(wcmatch "Model" "~Lay*")', "T"),
        ('(wcmatch "B2" "[A-C]#")', "T"),
        ('(wcmatch "D2" "[~A-C]#")', "T"),
        ('(wcmatch "a,b" "a`,b")', "T"),
        ('(wcmatch "a*b" "a`*b")', "T"),
        ('(wcmatch "axb" "a`*b")', "nil"),
        ('(wcmatch "A-1" "@.#")', "T"),
        ('(wcmatch "" "*")', "T"),
        ('(wcmatch "abcabd" "*ab?")', "T"),
        ('(wcmatch "лист" "Л*")', "nil"),
    ],
    "units": [
        ("(rtos 1.5 2 3)", '"1.500"'),
        ("(rtos 2.0 2 0)", '"2"'),
        ("(rtos -0.00001 2 2)", '"0.00"'),
        ("(rtos 1234.5 1 2)", '"1.23E+03"'),
        ("(rtos 17.5 3 2)", '"1\'-5.50\\""'),
        ("(rtos 17.5 4 2)", '"1\'-5 1/2\\""'),
        ("(rtos 17.25 5 3)", '"17 1/4"'),
        ("(rtos 3.14159)", '"3.1416"'),
        ('(distof "2.5")', "2.5"),
        ('(distof "17 1/2")', "17.5"),
        ("(distof \"1'-5 1/2\\\"\")", "17.5"),
        ('(distof "abc")', "nil"),
        ("(angtos (/ pi 4) 0 2)", '"45.00"'),
        ("(angtos (/ pi 4) 1 4)", "\"45d0'0\\\"\""),
        ("(angtos pi 2 0)", '"200g"'),
        ("(angtos 1.0 3 3)", '"1.000r"'),
        ("(angtos (* 0.75 pi) 4 2)", "\"N 45d0' W\""),
    ],
    "control": [
        ("(if nil 1 2)", "2"),
        ("(if T 1)", "1"),
        ("(if nil 1)", "nil"),
        ("(cond ((= 1 2) 'a) ((= 1 1) 'b 'c) (T 'd))", "C"),
        ("(cond ((+ 1 2)))", "3"),
        ("(cond (nil 1))", "nil"),
        ("(progn 1 2 3)", "3"),
        ("(and 1 nil (car nil))", "nil"),
        ("(or nil 2)", "T"),
        ("(progn (setq i 0 n 0) (while (< i 5) (setq n (+ n i) i (1+ i))) n)", "10"),
        ("(progn (setq n 0) (repeat 4 (setq n (+ n 2))) n)", "8"),
        ("(progn (setq n 0) (foreach x '(1 2 3) (setq n (+ n x))) n)", "6"),
        ("(progn (setq x 'outer) (foreach x '(1 2) x) x)", "OUTER"),
        ("(progn (defun sq (x) (* x x)) (sq 7))", "49"),
        ("(defun named () 1)", "NAMED"),
        ("(progn (setq v 1) (defun f (/ v) (setq v 2)) (f) v)", "1"),
        ("(progn (setq depth 3) (defun see () depth) (defun shadow (depth) (see)) (shadow 9))", "9"),
        ("(progn (defun fact (n) (if (< n 2) 1 (* n (fact (1- n))))) (fact 12))", "479001600"),
        ("((lambda (a b) (+ a b)) 1 2)", "3"),
        ("(progn (defun-q twice (x) (* x 2)) (twice 4))", "8"),
        ("(progn (setq inc '((x) (+ x 1))) (inc 1))", "2"),
        ("(progn (set (read \"dyn\") 5) dyn)", "5"),
        ("(vl-symbol-value 'pi)", "3.14159"),
        ("(vl-symbol-name 'abc)", '"ABC"'),
        ("(vl-catch-all-error-message (vl-catch-all-apply '/ '(1 0)))", '"divide by zero"'),
        ("(vl-catch-all-error-p (vl-catch-all-apply '+ '(1 2)))", "nil"),
        ("(vl-catch-all-apply '+ '(1 2))", "3"),
        ("(progn (vl-load-com) 1)", "1"),
        ("(progn (setq a 1 b 2) (list a b))", "(1 2)"),
        ("(quote (a . b))", "(A . B)"),
    ],
}


class EvaluationTest(unittest.TestCase):
    def test_values_match_the_command_line(self):
        for group, cases in CASES.items():
            for expression, expected in cases:
                with self.subTest(group=group, expression=expression):
                    printed, errors = evaluate(expression)
                    self.assertEqual(errors, [])
                    self.assertEqual(printed, expected)

    def test_unit_functions_follow_the_host_settings(self):
        variables = {"LUNITS": 2, "LUPREC": 2, "DIMZIN": 8, "AUNITS": 3, "AUPREC": 2}
        for expression, expected in [
            ("(rtos 1.5)", '"1.5"'),
            ("(rtos 2.0)", '"2"'),
            ("(rtos 1.456)", '"1.46"'),
            ("(angtos pi)", '"3.14r"'),
        ]:
            with self.subTest(expression=expression):
                self.assertEqual(evaluate(expression, variables=variables), (expected, []))

    def test_printing_functions_write_what_they_promise(self):
        interpreter, host = make()
        interpreter.run(
            '(princ "a\\tb") (prin1 "a\\tb") (print 1.0) (terpri) (prompt "п") (princ \'(1.5 "x" nil))'
            " (princ (princ))"
        )
        self.assertEqual(host.text, 'a\tb"a\\tb"\n1.0 \nп(1.5 x nil)')
        self.assertEqual(host.errors, [])


class NamespaceTest(unittest.TestCase):
    def test_each_interpreter_keeps_its_own_definitions(self):
        first, first_host = make()
        second, second_host = make()
        first.run("(defun car (x) 'mine) (setq shared 1)")
        second.run("(prin1 (list (car '(1 2)) shared))")
        first.run("(prin1 (list (car '(1 2)) shared))")
        self.assertEqual(second_host.text, "(1 nil)")
        self.assertEqual(first_host.text, "(MINE 1)")


class ReferencePageTest(unittest.TestCase):
    def test_the_page_lists_exactly_the_functions_there_are(self):
        with open(DOC, encoding="utf-8") as page:
            text = page.read()
        section = text[text.index("## Functions") : text.index("## Bounds")]
        # System variables are written in capitals; everything else in backticks is a function.
        named = {name for name in re.findall(r"`([^`\s(),\[]+)`", section) if not name.isupper()}
        named -= {"pi", "*error*"}
        defined = {name.lower() for name in BUILTINS}
        accessors = {name for name in defined if re.fullmatch(r"c[ad]{1,4}r", name)}
        self.assertEqual(sorted(named - defined), [])
        self.assertEqual(sorted(defined - named - accessors), [])


if __name__ == "__main__":
    unittest.main()
