"""Macros of a document: Basic modules in VBA compatibility mode, and running them by name.

The office runs the common subset of VBA only from a Basic module that starts with
"Option VBASupport 1"; a module added here always starts with that line.
"""
import re

from ..dispatch import DispatchError, DispatchObject

LIBRARY = "Standard"
STANDARD_MODULE = 1
VBA_SUPPORT = "Option VBASupport 1\n"


def _library(model):
    libraries = model.getPropertyValue("BasicLibraries")
    if not libraries.hasByName(LIBRARY):
        libraries.createLibrary(LIBRARY)
    libraries.loadLibrary(LIBRARY)
    return libraries.getByName(LIBRARY)


class CodeModule(DispatchObject):
    def __init__(self, model, name):
        self._model = model
        self._name = name

    def get_Name(self):
        return self._name

    def m_AddFromString(self, code):
        if not isinstance(code, str):
            raise DispatchError("Текст макроса не задан")
        library = _library(self._model)
        current = library.getByName(self._name)
        library.replaceByName(self._name, current + code.replace("\r\n", "\n") + "\n")

    def get_CountOfLines(self):
        return len(_library(self._model).getByName(self._name).splitlines())


class VBComponent(DispatchObject):
    def __init__(self, model, name):
        self._model = model
        self._name = name

    def get_Name(self):
        return self._name

    def get_CodeModule(self):
        return CodeModule(self._model, self._name)


class VBComponents(DispatchObject):
    def __init__(self, model):
        self._model = model

    def get_Count(self):
        return len(_library(self._model).getElementNames())

    def m_Add(self, kind):
        if kind != STANDARD_MODULE:
            raise DispatchError("Модули вида %r не поддерживаются" % (kind,))
        library = _library(self._model)
        number = 1
        while library.hasByName("Module%d" % number):
            number += 1
        name = "Module%d" % number
        library.insertByName(name, VBA_SUPPORT)
        return VBComponent(self._model, name)


class VBProject(DispatchObject):
    def __init__(self, model):
        self._model = model

    def get_VBComponents(self):
        return VBComponents(self._model)


def _module_of(library, macro):
    declaration = re.compile(r"^\s*(?:(?:public|private|static)\s+)*(?:sub|function)\s+%s\b" % re.escape(macro),
                             re.IGNORECASE | re.MULTILINE)
    for name in library.getElementNames():
        if declaration.search(library.getByName(name)):
            return name
    return None


# Runs the macro under an error handler: a headless office would otherwise swallow its run-time
# errors in a message nobody sees, and the call would look successful.
RUNNER_MODULE = "DocvaneRunner"
RUNNER = """Option VBASupport 1
Function DocvaneRunMacro() As String
    On Error GoTo failed
    %s
    DocvaneRunMacro = ""
    Exit Function
failed:
    DocvaneRunMacro = "ошибка " & Err & ": " & Error$
End Function
"""


def _run_guarded(model, library, macro):
    if library.hasByName(RUNNER_MODULE):
        library.removeByName(RUNNER_MODULE)
    library.insertByName(RUNNER_MODULE, RUNNER % macro)
    try:
        uri = "vnd.sun.star.script:%s.%s.DocvaneRunMacro?language=Basic&location=document" % (LIBRARY, RUNNER_MODULE)
        return model.getScriptProvider().getScript(uri).invoke((), (), ())[0]
    finally:
        library.removeByName(RUNNER_MODULE)


def run_macro(model, macro_name):
    """Runs a macro of the document by name ("Name", "Module.Name" or "Project.Module.Name"); a
    macro that is missing or that the office cannot run fails the call with the reason (the server
    writes it on its standard error)."""
    macro = macro_name.split(".")[-1].strip()
    try:
        library = _library(model)
        if not re.fullmatch(r"\w+", macro) or _module_of(library, macro) is None:
            raise DispatchError("нет такой процедуры")
        failure = _run_guarded(model, library, macro)
    except Exception as error:  # noqa: BLE001 - the office's own failure becomes the call's
        failure = (getattr(error, "Message", None) or str(error)).strip()
    if failure:
        raise DispatchError("Макрос %s не выполнен: %s" % (macro_name, failure.splitlines()[0]))
