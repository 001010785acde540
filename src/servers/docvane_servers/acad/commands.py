"""The command line of one drawing: command texts run by the LISP interpreter, whose `command`
calls land here."""

import datetime
import os

from docvane_servers.lisp import Interpreter

from . import references
from .diagnostics import complain
from .version import VERSION
from .drawing import MODEL, DrawingError
from .limits import memory_message, out_of_memory
from .pdf_export import export_layouts
from .saving import save_as

# System variables a script may read; the writable ones keep what scripts and members set.
_WRITABLE = {"BACKGROUNDPLOT", "CMDECHO", "FILEDIA", "CMDDIA", "EXPERT", "OSMODE", "PROXYNOTICE"} | {
    f"USER{kind}{n}" for kind in "IRS" for n in range(1, 6)
}
_DEFAULTS = {"BACKGROUNDPLOT": 2, "CMDECHO": 1, "FILEDIA": 1, "CMDDIA": 1, "EXPERT": 0, "OSMODE": 0,
             "PROXYNOTICE": 1}


class CommandLine:
    """Runs command texts against one drawing. Every failure is an error line; nothing raises."""

    def __init__(self, drawing, check_escape=None):
        self.drawing = drawing
        self.check_escape = check_escape or (lambda: None)
        self.interpreter = Interpreter(self)

    def run(self, text):
        """Text as typed at the command line: forms run as they complete."""
        self.interpreter.feed(text)

    # --- the interpreter's host ----------------------------------------------------------------

    def error(self, message):
        complain(message)

    def layoutlist(self):
        return self.drawing.layout_names()[1:]

    def file_folder(self):
        """Where a script's relative file names are taken from: the drawing's folder."""
        return self.drawing.folder

    def file_allowed(self, path):
        """Whether a script may open or a command write this file (an absolute path): only inside the
        folders the client named; a client that named none keeps no such rule (as the program itself)."""
        folders = self.drawing.script_folders
        if folders is None or "*" in folders:
            return True
        target = os.path.realpath(path)
        for folder in folders:
            root = os.path.realpath(folder)
            if target == root or target.startswith(root.rstrip("/") + "/"):
                return True
        return False

    def getvar(self, name):
        key = str(name).upper()
        drawing = self.drawing
        computed = {
            "DWGNAME": os.path.basename(drawing.path),
            "DWGPREFIX": drawing.folder + "/",
            "CTAB": drawing.current_layout,
            "TILEMODE": 1 if drawing.current_layout == MODEL else 0,
            "ACADVER": VERSION,
            "DBMOD": 1 if drawing.modified else 0,
            "CDATE": float(datetime.datetime.now().strftime("%Y%m%d.%H%M%S")),
        }
        if key in computed:
            return computed[key]
        if key in drawing.variables:
            return drawing.variables[key]
        if key in _DEFAULTS:
            return _DEFAULTS[key]
        # Most other variables are saved with the drawing.
        return _plain(drawing.doc.header.get("$" + key))

    def setvar(self, name, value):
        key = str(name).upper()
        if key == "CTAB":
            self._run_guarded(lambda: self.drawing.set_current_layout(str(value)))
            return value
        if key not in _WRITABLE:
            raise ValueError(f"Неизвестная или доступная только для чтения системная переменная: {name}")
        self.drawing.variables[key] = value
        return value

    def command(self, args):
        """One (command ...) call; returns None as the real function does."""
        words = ["" if arg is None else str(arg) for arg in args]
        if not words:
            return None  # the empty call only cancels a pending command
        name = words[0].upper().lstrip("_.")
        handler = _COMMANDS.get(name)
        if handler is None:
            complain(f'Неизвестная команда "{words[0]}".  Для вызова справки нажмите F1.')
            return None
        with self.drawing.lock:
            self._run_guarded(lambda: handler(self, words[1:]))
        return None

    def _run_guarded(self, action):
        try:
            action()
        except DrawingError as error:
            complain(str(error))
        except Exception as error:  # a command that breaks must not end the server
            if out_of_memory(error):
                complain(memory_message(self.drawing.path))
            else:
                complain(f"Ошибка выполнения команды: {type(error).__name__}: {error}")


def _plain(value):
    if value is None or isinstance(value, (int, float, str)):
        return value
    try:
        return tuple(float(coordinate) for coordinate in value)
    except (TypeError, ValueError):
        return None


def _option(words, index):
    return words[index].upper() if index < len(words) else ""


def _word(words, index):
    return words[index] if index < len(words) else ""


def _layout(line, words):
    drawing = line.drawing
    if _option(words, 0) in ("_S", "S", "_SET", "SET"):
        drawing.set_current_layout(_word(words, 1))
    else:
        raise DrawingError(f"Неизвестный параметр команды LAYOUT: {_word(words, 0)}")


def _export(line, words):
    drawing = line.drawing
    if _option(words, 0) not in ("_P", "P", "_PDF", "PDF"):
        raise DrawingError(f"Неизвестный формат экспорта: {_word(words, 0)}")
    which = _option(words, 1)
    if which in ("_A", "A"):
        path = _word(words, 2)
        names = drawing.layout_names()[1:]
    elif which in ("_C", "C"):
        # "_N": no page setup change; the path follows.
        path = _word(words, 3) if _option(words, 2) in ("_N", "N", "_Y", "Y") else _word(words, 2)
        names = [drawing.current_layout]
    else:
        raise DrawingError(f"Неизвестный параметр экспорта: {_word(words, 1)}")
    if not path:
        raise DrawingError("Не задан файл для экспорта")
    export_layouts(drawing, names, _target(line, path), line.check_escape)


def _target(line, path):
    """The file a command writes: a relative name is taken in the drawing's folder."""
    if not path:
        return path
    full = os.path.abspath(path if os.path.isabs(path) else os.path.join(line.drawing.folder, path))
    if not line.file_allowed(full):
        raise DrawingError(f"Запись файла запрещена (вне папки проекта и папок результатов): {full}")
    return full


def _save_as(line, words):
    drawing = line.drawing
    save_as(drawing, _word(words, 0), _target(line, _word(words, 1)))


def _purge(line, words):
    drawing = line.drawing
    if _option(words, 0) not in ("_B", "B"):
        raise DrawingError(f"Очистка поддерживает только блоки: {_word(words, 0)}")
    pattern = _word(words, 1) or "*"
    if pattern != "*":
        raise DrawingError(f"Очистка поддерживает только все блоки (*): {pattern}")
    drawing.purge_unused_blocks()


def _xref(line, words):
    drawing = line.drawing
    option = _option(words, 0)
    if option in ("_T", "T"):
        if _option(words, 2) not in ("_F", "F"):
            raise DrawingError(f"Поддерживается только полный тип пути: {_word(words, 2)}")
        references.make_paths_full(drawing)
    elif option in ("_B", "B"):
        references.bind_all(drawing)
    else:
        raise DrawingError(f"Неизвестный параметр команды -XREF: {_word(words, 0)}")


def _undo(line, words):
    drawing = line.drawing
    if _word(words, 0) != "1":
        raise DrawingError(f"Поддерживается только отмена одной группы: {_word(words, 0)}")
    if not drawing.undo():
        complain("Нечего отменять")


_COMMANDS = {
    "LAYOUT": _layout,
    "-LAYOUT": _layout,
    "-EXPORT": _export,
    "SAVEAS": _save_as,
    "PURGE": _purge,
    "-PURGE": _purge,
    "-XREF": _xref,
    "UNDO": _undo,
}
