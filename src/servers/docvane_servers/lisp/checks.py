"""Argument checks that fail with the customary "bad argument type" messages."""

from .printer import prin1_text
from .values import Cons, LispError, Symbol

_DESCRIBE_LIMIT = 200


def describe(value):
    """The readable form of a value for an error message, cut short for huge values."""
    try:
        return prin1_text(value, _DESCRIBE_LIMIT)
    except LispError:
        return prin1_text(value, None)[:_DESCRIBE_LIMIT] if type(value) is str else "(...)"


def bad_type(check, value):
    return LispError("bad argument type: %s %s" % (check, describe(value)))


def number(value):
    if type(value) is int or type(value) is float:
        return value
    raise bad_type("numberp:", value)


def integer(value):
    if type(value) is int:
        return value
    raise bad_type("fixnump:", value)


def string(value):
    if type(value) is str:
        return value
    raise bad_type("stringp", value)


def symbol(value):
    if type(value) is Symbol:
        return value
    raise bad_type("symbolp", value)


def cons(value):
    if type(value) is Cons:
        return value
    raise bad_type("consp", value)


def to_list(value):
    """A proper LISP list as a Python list."""
    items = []
    rest = value
    while type(rest) is Cons:
        items.append(rest.car)
        rest = rest.cdr
    if rest is not None:
        if not items:
            raise bad_type("listp", value)
        raise LispError("bad list: %s" % describe(value))
    return items


def point(value):
    """A point: a list of two or three numbers, as floats."""
    try:
        coords = to_list(value)
    except LispError:
        coords = []
    if len(coords) in (2, 3) and all(type(c) is int or type(c) is float for c in coords):
        return [float(c) for c in coords]
    raise bad_type("2D/3D point:", value)
