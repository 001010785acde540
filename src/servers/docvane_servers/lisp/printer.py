"""Printed forms of values as princ (raw) and prin1 (readable) write them."""

import math

from .values import Builtin, CaughtError, Cons, LispError, Symbol, UserFunction


def format_real(value):
    """Six significant digits, always with a decimal point, exponents in three digits."""
    if math.isnan(value):
        return "-1.#IND"
    if math.isinf(value):
        return "1.#INF" if value > 0 else "-1.#INF"
    text = "%.6g" % value
    if "e" in text:
        mantissa, exponent = text.split("e")
        if "." not in mantissa:
            mantissa += ".0"
        sign = exponent[0]
        return "%se%s%03d" % (mantissa, sign, int(exponent[1:]))
    if "." not in text and "n" not in text:
        text += ".0"
    return text


_ESCAPES = {'"': '\\"', "\\": "\\\\", "\n": "\\n", "\r": "\\r", "\t": "\\t", "\x1b": "\\e"}


def quote_string(text):
    parts = ['"']
    for ch in text:
        escaped = _ESCAPES.get(ch)
        if escaped is not None:
            parts.append(escaped)
        elif ord(ch) < 32:
            parts.append("\\%03o" % ord(ch))
        else:
            parts.append(ch)
    parts.append('"')
    return "".join(parts)


def _atom_text(value, readable):
    kind = type(value)
    if value is None:
        return "nil"
    if kind is str:
        return quote_string(value) if readable else value
    if kind is int:
        return str(value)
    if kind is float:
        return format_real(value)
    if kind is Symbol:
        return value.name
    if kind is Builtin:
        return "#<SUBR @%012x %s>" % (id(value), value.name)
    if kind is UserFunction:
        return "#<USUBR @%012x %s>" % (id(value), value.name or "-lambda-")
    if kind is CaughtError:
        return "#<%%catch-all-apply-error%% %s>" % quote_string(value.message)
    printed = getattr(value, "printed", None)
    return printed() if printed is not None else "#<%s>" % kind.__name__


def to_text(value, readable, limit=None):
    """The printed form; without recursion so that any nesting depth prints. Raises LispError when the
    text would pass `limit` characters."""
    parts = []
    size = 0
    # Each stack entry is either a value still to print or a literal piece of text.
    stack = [value]
    while stack:
        item = stack.pop()
        if type(item) is _Text:
            piece = item.text
        elif type(item) is Cons:
            piece = "("
            pending = [_CLOSE]
            rest = item
            elements = []
            while type(rest) is Cons:
                elements.append(rest.car)
                rest = rest.cdr
            if rest is not None:
                pending.append(rest)
                pending.append(_DOT)
            for index in range(len(elements) - 1, -1, -1):
                pending.append(elements[index])
                if index > 0:
                    pending.append(_SPACE)
            stack.extend(pending)
        else:
            piece = _atom_text(item, readable)
        parts.append(piece)
        size += len(piece)
        if limit is not None and size > limit:
            raise LispError("string too long")
    return "".join(parts)


class _Text:
    __slots__ = ("text",)

    def __init__(self, text):
        self.text = text


_CLOSE = _Text(")")
_DOT = _Text(" . ")
_SPACE = _Text(" ")


def princ_text(value, limit=None):
    return to_text(value, False, limit)


def prin1_text(value, limit=None):
    return to_text(value, True, limit)
