"""Text files for scripts that keep their own notes: open, read-line, write-line, close, findfile.

A host may confine them: file_folder() gives the folder relative names are taken from, and
file_allowed(path) says whether a file (an absolute path) may be opened; a refused file is an error
of the script, never a quiet nil."""

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


def _host_folder(ev):
    folder = getattr(ev.host, "file_folder", None)
    if folder is None:
        return None
    try:
        found = folder()
    except Exception:  # noqa: BLE001 - without the host's folder names stay as given
        return None
    return found if isinstance(found, str) and found else None


def _full_name(ev, name):
    if os.path.isabs(name):
        return name
    folder = _host_folder(ev)
    return os.path.join(folder, name) if folder else name


def allowed(ev, path):
    check = getattr(ev.host, "file_allowed", None)
    if check is None:
        return True
    try:
        return bool(check(os.path.abspath(path)))
    except Exception:  # noqa: BLE001 - a host that cannot decide refuses
        return False


def _refuse(path):
    raise LispError("доступ к файлу запрещен (вне папки проекта и папок результатов): %s" % path)


@builtin("open", 2, 3)
def _open(ev, args):
    name = checks.string(args[0])
    mode = checks.string(args[1]).lower()
    if mode not in ("r", "w", "a"):
        raise LispError("bad argument value: mode %s" % checks.describe(args[1]))
    name = _full_name(ev, name)
    if not allowed(ev, name):
        _refuse(name)
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
        folder = _host_folder(ev)
        if folder:
            candidates = [os.path.join(folder, name)]
        try:
            prefix = ev.host.getvar("DWGPREFIX")
        except Exception:  # noqa: BLE001 - without the drawing's folder only the working one is searched
            prefix = None
        if isinstance(prefix, str) and prefix:
            candidates.insert(0, os.path.join(prefix, name))
    for candidate in candidates:
        # A file the script may not open is not found either: its existence is not told.
        if os.path.exists(candidate) and allowed(ev, candidate):
            return os.path.abspath(candidate)
    return None
