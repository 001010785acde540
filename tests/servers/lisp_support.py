"""Shared pieces of the LISP interpreter tests: a host that records what it is given, and the way the
publishing client cuts a script into the texts it sends to the drawing program."""

import os
import sys

_SERVERS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "src", "servers")
if os.path.isdir(_SERVERS) and os.path.abspath(_SERVERS) not in map(os.path.abspath, sys.path):
    sys.path.insert(0, os.path.abspath(_SERVERS))

from docvane_servers.lisp import Interpreter, LispError  # noqa: E402

STATEMENT_END = "\r(command)\r\n"


class RecordingHost:
    """Keeps commands, errors and output; holds system variables in a dictionary."""

    def __init__(self, variables=None, read_only=(), layouts=()):
        self.layouts = list(layouts)
        self.commands = []
        self.errors = []
        self.printed = []
        self.variables = dict(variables or {})
        self.read_only = set(read_only)

    def command(self, args):
        self.commands.append(list(args))

    def getvar(self, name):
        return self.variables.get(name)

    def setvar(self, name, value):
        if name in self.read_only or name not in self.variables:
            raise LispError('AutoCAD variable setting rejected: "%s"' % name)
        self.variables[name] = value

    def error(self, line):
        self.errors.append(line)

    def layoutlist(self):
        return self.layouts

    def output(self, text):
        self.printed.append(text)

    @property
    def text(self):
        return "".join(self.printed)


def make(max_steps=1_000_000, **host_args):
    host = RecordingHost(**host_args)
    return Interpreter(host, max_steps=max_steps), host


def evaluate(expression, **host_args):
    """The readable printed form of an expression's value and the error lines of evaluating it."""
    interpreter, host = make(**host_args)
    interpreter.run("(prin1 %s)" % expression)
    return host.text, host.errors


def quoted(text):
    """A LISP string literal as the client writes one: backslash and double quote escaped."""
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'


def client_statements(script):
    """The statements the publishing client sends for a script: comments removed, blanks outside
    strings collapsed, one top-level expression each (tokens of two characters or less dropped)."""
    text = script.replace("\r\n", "\n").replace("\r", "\n")
    statements = []
    buffer = []
    in_string = blank = False
    depth = 0
    i = 0
    while i < len(text):
        c = text[i]
        if in_string:
            buffer.append(c)
            if c == '"' and not (i >= 1 and text[i - 1] == "\\" and not (i >= 2 and text[i - 2] == "\\")):
                in_string = False
            i += 1
            continue
        if c == '"':
            buffer.append(c)
            in_string, blank = True, False
            i += 1
            continue
        if c == ";":
            if i + 1 >= len(text):
                break
            if text[i + 1] == "|":
                end = text.find("|;", i + 2)
                nxt = -1 if end < 0 else end + 2
            else:
                end = text.find("\n", i + 1)
                nxt = -1 if end < 0 else end + 1
            if nxt < 0:
                break
            i = nxt
            continue
        if c in " \n\t":
            if not blank:
                buffer.append(" ")
            blank = True
        else:
            blank = False
            buffer.append(c)
        depth += 1 if c == "(" else -1 if c == ")" else 0
        if depth == 0:
            if len(buffer) > 2:
                statements.append("".join(buffer))
            buffer = []
        i += 1
    if len(buffer) > 2:
        statements.append("".join(buffer))
    return statements


def send_script(interpreter, script):
    """Feeds a script the way the client sends it: one statement per call, each closed by a cancel."""
    for statement in client_statements(script):
        interpreter.feed(statement + STATEMENT_END)
