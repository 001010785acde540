"""Reads LISP text into values, one top-level item at a time, without recursion.

`read_item` tells the caller whether the text from a position holds a complete item, so that the
command line can keep an unfinished form until the rest of it arrives."""

import re

from .values import QUOTE, Cons, intern, make_list

_INTEGER = re.compile(r"[+-]?\d+\Z")
_REAL = re.compile(r"[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?\Z")
_DELIMITERS = frozenset(" \t\r\n\f\v()'\";")
_LINE_ENDS = "\r\n"
_LINE_END = re.compile(r"[\r\n]")
_SIMPLE_ESCAPES = {"n": "\n", "r": "\r", "t": "\t", "e": "\x1b"}

# What read_item found.
EOF = "eof"  # nothing but blanks and comments up to the end
INCOMPLETE = "incomplete"  # an item starts at `end` but the text stops before it is finished
ITEM = "item"  # value, raw token text for atoms (None for lists and quoted items)
LINE_END = "line-end"  # a CR or LF between items (command-line mode only)
ERROR = "error"  # a malformed item, skipped up to its end; value is the message
BANG = "bang"  # "!" followed by an item (command-line mode only): print its value


class Result:
    __slots__ = ("kind", "value", "end", "raw")

    def __init__(self, kind, end, value=None, raw=None):
        self.kind = kind
        self.end = end
        self.value = value
        self.raw = raw


def atom_from_token(token):
    if _INTEGER.match(token):
        number = int(token)
        # Integers beyond 32 bits are read as reals, as the command line does.
        if -0x80000000 <= number <= 0x7FFFFFFF:
            return number
        return float(number)
    if _REAL.match(token):
        return float(token)
    if token.upper() == "NIL":
        return None
    return intern(token)


def _skip_blanks(text, pos, stop_at_line_end):
    """Position of the next item, or -1 when a block comment is left open."""
    size = len(text)
    while pos < size:
        ch = text[pos]
        if ch in _LINE_ENDS and stop_at_line_end:
            return pos
        if ch.isspace():
            pos += 1
        elif ch == ";":
            if pos + 1 < size and text[pos + 1] == "|":
                close = text.find("|;", pos + 2)
                if close < 0:
                    return -1
                pos = close + 2
            else:
                end = _LINE_END.search(text, pos)
                pos = end.start() if end else size
        else:
            return pos
    return pos


def _read_string(text, pos):
    """(value, end) of the string whose opening quote is at pos, or None when it is unfinished."""
    parts = []
    size = len(text)
    pos += 1
    while pos < size:
        ch = text[pos]
        if ch == '"':
            return "".join(parts), pos + 1
        if ch != "\\":
            parts.append(ch)
            pos += 1
            continue
        if pos + 1 >= size:
            return None
        nxt = text[pos + 1]
        if nxt in "01234567":
            digits = nxt
            pos += 2
            while pos < size and len(digits) < 3 and text[pos] in "01234567":
                digits += text[pos]
                pos += 1
            parts.append(chr(int(digits, 8)))
            continue
        parts.append(_SIMPLE_ESCAPES.get(nxt, nxt))
        pos += 2
    return None


def _token_end(text, pos):
    size = len(text)
    while pos < size and text[pos] not in _DELIMITERS:
        pos += 1
    return pos


class _ListFrame:
    __slots__ = ("items", "tail", "dotted", "has_tail")

    def __init__(self):
        self.items = []
        self.tail = None
        self.dotted = False
        self.has_tail = False


_QUOTE_MARK = object()


def read_item(text, pos, command_line=False):
    """The next top-level item of text from pos."""
    start = _skip_blanks(text, pos, command_line)
    if start < 0:
        return Result(INCOMPLETE, pos)
    if start >= len(text):
        return Result(EOF, start)
    if command_line:
        if text[start] in _LINE_ENDS:
            return Result(LINE_END, start + 1)
        if text[start] == "!":
            inner = read_item(text, start + 1)
            if inner.kind == ITEM:
                return Result(BANG, inner.end, inner.value)
            if inner.kind == INCOMPLETE:
                return Result(INCOMPLETE, start)
            if inner.kind == EOF:
                return Result(ERROR, inner.end, "malformed input: !")
            return inner
        if text[start] == ")":
            return Result(ERROR, start + 1, "extra right paren on input")

    stack = []
    error = None
    pos = start
    while True:
        pos = _skip_blanks(text, pos, False)
        if pos < 0 or pos >= len(text):
            return Result(INCOMPLETE, start)
        ch = text[pos]
        raw = None
        if ch == "(":
            stack.append(_ListFrame())
            pos += 1
            continue
        if ch == "'":
            stack.append(_QUOTE_MARK)
            pos += 1
            continue
        if ch == ")":
            pos += 1
            if not stack:
                return Result(ERROR, pos, "extra right paren on input")
            frame = stack.pop()
            if frame is _QUOTE_MARK:
                error = error or "malformed list on input"
                # The quote mark consumed nothing; the paren closes the list around it.
                while stack and stack[-1] is _QUOTE_MARK:
                    stack.pop()
                if not stack:
                    return Result(ERROR, pos, error)
                frame = stack.pop()
            if frame.dotted and not frame.has_tail:
                error = error or "bad dotted pair on input"
            value = make_list(frame.items, frame.tail)
        elif ch == '"':
            read = _read_string(text, pos)
            if read is None:
                return Result(INCOMPLETE, start)
            value, pos = read
        else:
            end = _token_end(text, pos)
            raw = text[pos:end]
            pos = end
            top = stack[-1] if stack else None
            if raw == "." and type(top) is _ListFrame:
                if top.dotted or not top.items:
                    error = error or "bad dotted pair on input"
                top.dotted = True
                continue
            value = atom_from_token(raw)
        # Hand the finished value to whatever waits for it.
        while stack and stack[-1] is _QUOTE_MARK:
            stack.pop()
            value = Cons(QUOTE, Cons(value, None))
            raw = None
        if not stack:
            if error is not None:
                return Result(ERROR, pos, error)
            return Result(ITEM, pos, value, raw)
        frame = stack[-1]
        if frame.dotted:
            if frame.has_tail:
                error = error or "bad dotted pair on input"
            frame.tail = value
            frame.has_tail = True
        else:
            frame.items.append(value)
