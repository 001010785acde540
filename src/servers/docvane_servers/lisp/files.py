"""Text files for scripts that keep their own notes: open, read-line, write-line, close, findfile."""

import os

from . import checks
from .registry import builtin
from .values import LispError

MAX_OPEN_FILES = 16


class LispFile:
    """What (open ...) returns."""

    __slots__ = ("name", "handle")
    lisp_type = "FILE"

    def __init__(self, name, handle):
        self.name = name
        self.handle = handle

    def printed(self):
        return '#<file "%s">' % self.name


@builtin("open", 2, 3)
def _open(ev, args):
    name = checks.string(args[0])
    mode = checks.string(args[1]).lower()
    if mode not in ("r", "w", "a"):
        raise LispError("bad argument value: mode %s" % checks.describe(args[1]))
    table = ev.open_files
    table[:] = [file for file in table if file.handle is not None]
    if len(table) >= MAX_OPEN_FILES:
        raise LispError("too many open files")
    try:
        handle = open(name, mode, encoding="utf-8", errors="replace", newline="")
    except OSError:
        return None
    file = LispFile(name, handle)
    table.append(file)
    return file


def _file(value):
    if type(value) is not LispFile:
        raise checks.bad_type("streamp", value)
    if value.handle is None:
        raise LispError("file is closed: %s" % value.name)
    return value.handle


@builtin("close", 1, 1)
def _close(ev, args):
    handle = _file(args[0])
    args[0].handle = None
    try:
        handle.close()
    except OSError as failure:
        raise LispError("file error: %s" % failure)
    return None


@builtin("read-line", 0, 1)
def _read_line(ev, args):
    if not args or args[0] is None:
        return None
    handle = _file(args[0])
    try:
        line = handle.readline(ev.max_string + 1)
    except (OSError, ValueError) as failure:
        raise LispError("file error: %s" % failure)
    if not line:
        return None
    ev.charge_text(line)
    return line.rstrip("\r\n")


def write_text(ev, file, text):
    """Writes printed text to a file given as the last argument of a printing function."""
    handle = _file(file)
    ev.charge(len(text) // 16)
    try:
        handle.write(text)
    except (OSError, ValueError) as failure:
        raise LispError("file error: %s" % failure)


@builtin("findfile", 1, 1)
def _findfile(ev, args):
    name = checks.string(args[0])
    if not name:
        return None
    candidates = [name]
    if not os.path.isabs(name):
        try:
            prefix = ev.host.getvar("DWGPREFIX")
        except Exception:  # noqa: BLE001 - without the drawing's folder only the working one is searched
            prefix = None
        if isinstance(prefix, str) and prefix:
            candidates.insert(0, os.path.join(prefix, name))
    for candidate in candidates:
        if os.path.exists(candidate):
            return os.path.abspath(candidate)
    return None
