#!/usr/bin/python3
"""Times the drawing-program stand-in's LISP interpreter and prints the figures: evaluation steps per
second, command texts per second as publishing sends them, a user script of a few hundred lines, and
how long a runaway script holds the command line before the step budget stops it.
Not a test: run it on demand and record the figures.

    bench/lisp_bench.py"""

import os
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "src", "servers"))

from docvane_servers.lisp import Interpreter  # noqa: E402


class QuietHost:
    def __init__(self):
        self.commands = 0
        self.errors = []

    def command(self, args):
        self.commands += 1

    def getvar(self, name):
        return {"DWGNAME": "plan.dxf", "DWGPREFIX": "/tmp/", "CTAB": "Model"}.get(name)

    def setvar(self, name, value):
        pass

    def error(self, line):
        self.errors.append(line)

    def output(self, text):
        pass


def timed(action, repeat=1):
    started = time.perf_counter()
    for _ in range(repeat):
        action()
    return (time.perf_counter() - started) / repeat


def main():
    host = QuietHost()
    interpreter = Interpreter(host)

    loop = "(setq i 0) (while (< i 100000) (setq i (1+ i)))"
    seconds = timed(lambda: interpreter.run(loop), 3)
    # Each turn evaluates the test, its two arguments, setq, 1+ and its argument: 6 steps.
    print("steps per second:            %10.0f" % (600_000 / seconds))

    texts = [
        '(command "_.LAYOUT" "_S" "Лист 1")\r(command)\r\n',
        '(command "_.-EXPORT" "_P" "_C" "_N" "/tmp/out dir/Лист 1.pdf")\r(command)\r\n',
        '(command "_.SAVEAS" "2018" "/tmp/out dir/plan.dxf")\r(command)\r\n',
        '(command "_.undo" "1")\r(command)\r\n',
    ]
    seconds = timed(lambda: [interpreter.feed(text) for text in texts], 2_000) / len(texts)
    print("command text, microseconds:  %10.1f" % (seconds * 1e6))

    script = "\n".join(
        '(defun label%d (n / s) (setq s (strcat "Л." (itoa n) " " (getvar "DWGNAME")))'
        " (if (wcmatch s \"*.dxf\") (strcase s) s))\n(setq r%d (mapcar 'label%d '(1 2 3 4 5)))" % (i, i, i)
        for i in range(150)
    )
    seconds = timed(lambda: interpreter.run(script), 10)
    print("user script of %d lines, ms: %8.2f" % (script.count("\n") + 1, seconds * 1e3))

    seconds = timed(lambda: interpreter.run("(while T nil)"))
    print("runaway script stopped, s:   %10.2f" % seconds)
    seconds = timed(lambda: interpreter.run("(defun f (n) (+ 1 (f n))) (f 0)"))
    print("recursion bomb stopped, s:   %10.3f" % seconds)
    return 0


if __name__ == "__main__":
    sys.exit(main())
