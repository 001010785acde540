"""Functions that reach the drawing program hosting the interpreter: commands, system variables and
the command-line output."""

import sys

from . import checks
from .files import write_text
from .printer import prin1_text, princ_text
from .registry import builtin
from .values import QUIET, Cons, LispError, T, i32, make_list


def _call_host(method, *args):
    """Calls a host method; whatever it raises fails the current form, never the interpreter."""
    try:
        return method(*args)
    except LispError:
        raise
    except Exception as failure:  # noqa: BLE001 - a host fault becomes a LISP error line
        raise LispError(str(failure) or type(failure).__name__)


def from_host(value):
    """A host value (None, bool, int, float, str, or a sequence of them) as a LISP value."""
    if value is None or value is False:
        return None
    if value is True:
        return T
    if type(value) is int:
        return i32(value) if -0x80000000 <= value <= 0x7FFFFFFF else float(value)
    if isinstance(value, float):
        return float(value)
    if isinstance(value, str):
        return value
    if isinstance(value, (list, tuple)):
        return make_list([from_host(item) for item in value])
    raise LispError("unsupported value from the host: %r" % (value,))


def to_host(value):
    """A LISP value for the host: numbers and strings as they are, nil as None, a point as a tuple."""
    if value is None or type(value) in (int, float, str):
        return value
    if value is T:
        return True
    if type(value) is Cons:
        return tuple(checks.point(value))
    raise checks.bad_type("setvar:", value)


def _number_text(value):
    if type(value) is int:
        return str(value)
    return "%.15g" % value


def command_text(value):
    """An argument of (command ...) as it would be typed: nil is a bare Enter, a point is x,y[,z]."""
    if value is None:
        return ""
    kind = type(value)
    if kind is str:
        return value
    if kind is int or kind is float:
        return _number_text(value)
    if kind is Cons:
        return ",".join(_number_text(coordinate) for coordinate in checks.point(value))
    if value is T:
        return "T"
    raise LispError("invalid argument to command: %s" % checks.describe(value))


def _send_command(ev, args):
    texts = [command_text(value) for value in args]
    ev.charge(len(texts) + sum(len(text) for text in texts) // 16)
    _call_host(ev.host.command, texts)


@builtin("command")
def _command(ev, args):
    _send_command(ev, args)
    return None


@builtin("vl-cmdf")
def _cmdf(ev, args):
    _send_command(ev, args)
    return T


builtin("command-s")(_cmdf)


@builtin("getvar", 1, 1)
def _getvar(ev, args):
    name = checks.string(args[0])
    return from_host(_call_host(ev.host.getvar, name.upper()))


@builtin("setvar", 2, 2)
def _setvar(ev, args):
    name = checks.string(args[0])
    _call_host(ev.host.setvar, name.upper(), to_host(args[1]))
    return args[1]


@builtin("layoutlist", 0, 0)
def _layoutlist(ev, args):
    listing = getattr(ev.host, "layoutlist", None)
    if listing is None:
        raise LispError("layoutlist: this program keeps no layouts")
    names = _call_host(listing)
    return make_list([checks.string(name) for name in names])


@builtin("vl-load-com", 0, 0)
def _load_com(ev, args):
    return None


def output(ev, text):
    # Printing is the one effect a loop can repeat without building anything: it pays per character.
    ev.charge(len(text) // 16)
    write = getattr(ev.host, "output", None)
    if write is None:
        sys.stdout.write(text)
        sys.stdout.flush()
    else:
        _call_host(write, text)


def _print_to(ev, args, text):
    """Prints to the file given as the second argument, or to the command line."""
    if len(args) == 2 and args[1] is not None:
        write_text(ev, args[1], text)
    else:
        output(ev, text)
    return args[0]


@builtin("princ", 0, 2)
def _princ(ev, args):
    return _print_to(ev, args, princ_text(args[0], ev.max_string)) if args else QUIET


@builtin("prin1", 0, 2)
def _prin1(ev, args):
    return _print_to(ev, args, prin1_text(args[0], ev.max_string)) if args else QUIET


@builtin("print", 0, 2)
def _print(ev, args):
    return _print_to(ev, args, "\n" + prin1_text(args[0], ev.max_string) + " ") if args else QUIET


@builtin("write-line", 1, 2)
def _write_line(ev, args):
    return _print_to(ev, [checks.string(args[0])] + args[1:], args[0] + "\n")


@builtin("terpri", 0, 1)
def _terpri(ev, args):
    _print_to(ev, [None] + args, "\n")
    return None


@builtin("prompt", 1, 1)
def _prompt(ev, args):
    output(ev, checks.string(args[0]))
    return None


@builtin("alert", 1, 1)
def _alert(ev, args):
    output(ev, checks.string(args[0]) + "\n")
    return None


def sysvar_number(ev, name, default):
    """A numeric system variable of the host, or default when the host has none."""
    try:
        value = ev.host.getvar(name)
    except Exception:  # noqa: BLE001 - a missing variable takes its usual value
        return default
    return value if type(value) is int else default

