"""Command texts made only of (command "..." ...) calls, for when the LISP interpreter is not
installed beside the server: every other form is reported and skipped."""

import re

from .diagnostics import complain

_TOKEN = re.compile(r'\s*(?:(\()|(\))|"((?:[^"\\]|\\.)*)"|([^\s()"]+))', re.S)


def _unescape(text):
    return re.sub(r"\\(.)", lambda m: {"n": "\n", "t": "\t", "r": "\r"}.get(m.group(1), m.group(1)), text)


class CommandForms:
    def __init__(self, host):
        self.host = host

    def run(self, text):
        tokens = []
        position = 0
        while position < len(text):
            match = _TOKEN.match(text, position)
            if match is None or match.end() == position:
                break
            position = match.end()
            if match.group(1):
                tokens.append("(")
            elif match.group(2):
                tokens.append(")")
            elif match.group(3) is not None:
                tokens.append(("str", _unescape(match.group(3))))
            elif match.group(4):
                tokens.append(("sym", match.group(4)))
        index = 0
        while index < len(tokens):
            if tokens[index] != "(":
                index += 1
                continue
            end = index + 1
            depth = 1
            while end < len(tokens) and depth:
                depth += {"(": 1, ")": -1}.get(tokens[end], 0) if isinstance(tokens[end], str) else 0
                end += 1
            form = tokens[index + 1 : end - 1]
            index = end
            if form and form[0] == ("sym", "command") and all(isinstance(t, tuple) and t[0] == "str" for t in form[1:]):
                self.host.command([t[1] for t in form[1:]])
            elif form:
                head = form[0][1] if isinstance(form[0], tuple) else "("
                complain(f"; ошибка: неизвестная функция: {head.upper()}")
