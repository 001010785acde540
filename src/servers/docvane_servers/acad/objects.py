"""The objects the drawing program exposes: application, open drawings and their layouts, blocks
and drawing properties."""

import importlib
import os
import threading

from docvane_servers.dispatch import BUSY, OMITTED, DispatchError, DispatchObject

from .command_queue import CommandQueue
from .diagnostics import complain
from .version import VERSION

# The drawing engine takes most of a second to load; the server reports ready without it and loads it
# meanwhile, so the first drawing rarely waits.
_ENGINE_MODULES = ("drawing", "limits", "references", "saving", "commands", "pdf_export")


def _engine(name):
    return importlib.import_module(f"{__package__}.{name}")


def preload_engine():
    for name in _ENGINE_MODULES:
        _engine(name)


PROGRAM_NAME = "AutoCAD"
ESCAPE = "(command)"
SHORT_COMMAND_SECONDS = 0.05


def _given(value, default):
    return default if value is None or value is OMITTED else value


def _fail(error):
    # The framework writes the failed call's line to standard error.
    raise DispatchError(str(error)) from error


class Application(DispatchObject):
    def __init__(self, context, full_name):
        self.context = context
        self.full_name = full_name
        self.commands = CommandQueue()
        self.documents = []  # DocumentObject, in opening order
        self.documents_object = Documents(self)
        self.visible = False
        threading.Thread(target=preload_engine, name="engine-preload", daemon=True).start()

    def get_Name(self):
        return PROGRAM_NAME

    def get_FullName(self):
        return self.full_name

    def get_Path(self):
        return os.path.dirname(self.full_name)

    def get_Version(self):
        return VERSION

    def get_Visible(self):
        return self.visible

    def put_Visible(self, value):
        self.visible = bool(value)

    def get_Application(self):
        return self

    def get_Documents(self):
        return self.documents_object

    def get_ActiveDocument(self):
        if not self.documents:
            raise DispatchError("Нет открытых чертежей")
        return self.documents[-1]

    def m_GetAcadState(self):
        return AcadState(self)

    def m_Quit(self):
        self.commands.stop()
        quit_request = getattr(self.context, "request_quit", None)
        if quit_request is not None:
            quit_request()

    def require_idle(self):
        # Calls that change a drawing while a command still runs are refused, as the real program does.
        if not self.commands.quiescent:
            raise DispatchError("Программа занята выполнением команды", BUSY)


class AcadState(DispatchObject):
    def __init__(self, application):
        self.application = application

    def get_IsQuiescent(self):
        return self.application.commands.quiescent


class Documents(DispatchObject):
    def __init__(self, application):
        self.application = application

    def get_Count(self):
        return len(self.application.documents)

    def m_Item(self, index):
        documents = self.application.documents
        if isinstance(index, str):
            for document in documents:
                if os.path.basename(document.drawing.path).lower() == index.lower():
                    return document
            raise DispatchError(f"Чертеж не открыт: {index}")
        if not isinstance(index, int) or isinstance(index, bool) or not 0 <= index < len(documents):
            raise DispatchError(f"Нет чертежа с номером {index}")
        return documents[index]

    def m_Open(self, path, read_only=OMITTED, password=OMITTED):
        self.application.require_idle()
        drawing_module = _engine("drawing")
        limits = _engine("limits")
        path = str(path)
        try:
            limits.check_file(path)
            drawing = drawing_module.open_drawing(path, bool(_given(read_only, False)))
            limits.check_drawing_cost(drawing.doc, drawing.path)
        except drawing_module.DrawingError as error:
            _fail(error)
        except (MemoryError, SystemError) as error:
            if not limits.out_of_memory(error):
                raise
            raise DispatchError(limits.memory_message(path)) from None
        document = DocumentObject(self.application, drawing)
        self.application.documents.append(document)
        return document

    def m_Add(self, template=OMITTED):
        raise DispatchError("Создание новых чертежей не поддерживается")


class DocumentObject(DispatchObject):
    def __init__(self, application, drawing):
        self.application = application
        self.drawing = drawing
        self.budget = _engine("limits").WorkBudget(application.commands.check_escape, drawing.path)
        self.command_line = _engine("commands").CommandLine(drawing, self.budget.check)
        self.closed = False

    def _open_drawing(self):
        if self.closed:
            raise DispatchError("Чертеж закрыт")
        return self.drawing

    def _changing(self):
        self.application.require_idle()
        return self._open_drawing()

    def get_Name(self):
        return os.path.basename(self.drawing.path)

    def get_FullName(self):
        return self.drawing.path

    def get_Path(self):
        return self.drawing.folder

    def get_ReadOnly(self):
        return self.drawing.read_only

    def get_Saved(self):
        return not self.drawing.modified

    def get_Application(self):
        return self.application

    def m_Close(self, save=OMITTED, file_name=OMITTED):
        drawing = self._changing()
        if _given(save, 0):
            target = str(_given(file_name, drawing.path))
            if drawing.read_only and target == drawing.path:
                complain(f"Чертеж открыт только для чтения и не сохранен: {drawing.path}")
            elif drawing.modified or target != drawing.path:
                saving = _engine("saving")
                try:
                    saving.save_file(drawing, target)
                except saving.DrawingError as error:
                    _fail(error)
        self.closed = True
        self.application.documents.remove(self)

    def m_SendCommand(self, text):
        self._open_drawing()
        text = str(text)
        commands = self.application.commands
        if text.strip() == ESCAPE:
            commands.press_escape()
        line = self.command_line
        budget = self.budget
        # The command thread edits the drawing under its lock; members that change the drawing are
        # refused until the command line is quiescent again.
        commands.submit(lambda: budget.run(lambda: line.run(text)), self.drawing.messages)
        # A short command is over before the call returns, so the caller's first look at the state
        # finds the program idle instead of waiting a poll interval for it; a long one goes on alone.
        commands.wait_idle(SHORT_COMMAND_SECONDS)

    def m_SetVariable(self, name, value):
        drawing = self._open_drawing()
        key = str(name).upper()
        if key == "CTAB":
            try:
                drawing.set_current_layout(str(value))
            except _engine("drawing").DrawingError as error:
                _fail(error)
        else:
            drawing.variables[key] = value

    def m_GetVariable(self, name):
        return self.command_line.getvar(name)

    def m_TakeMessages(self):
        """What opening the drawing and the commands since the last call reported, one per line."""
        return self.drawing.messages.take()

    def get_ScriptFolders(self):
        folders = self.drawing.script_folders
        return "" if folders is None else "\n".join(folders)

    def put_ScriptFolders(self, value):
        """The folders the user's script may open files in, one absolute path per line; "*" lets it
        open files anywhere, an empty text nowhere."""
        self._open_drawing()
        folders = [line.rstrip("\r") for line in str(value).split("\n") if line.strip()]
        if any(folder != "*" and not os.path.isabs(folder) for folder in folders):
            raise DispatchError("Папки сценария должны быть заданы полными путями")
        self.drawing.script_folders = folders

    def get_SummaryInfo(self):
        return SummaryInfo(self)

    def get_Layouts(self):
        return Layouts(self)

    def get_Blocks(self):
        return Blocks(self)

    def get_ActiveLayout(self):
        return Layout(self, self._open_drawing().current_layout)

    def m_StartUndoMark(self):
        drawing = self._changing()
        with drawing.lock:
            drawing.start_undo_mark()

    def m_EndUndoMark(self):
        self._open_drawing()

    def m_HandleToObject(self, handle):
        drawing = self._open_drawing()
        entity = drawing.block_by_handle(handle)
        if entity is None:
            raise DispatchError(f"Объект с дескриптором {handle} не найден")
        if entity.dxftype() == "BLOCK_RECORD":
            return Block(self, entity.dxf.handle)
        return Entity(entity)


class Entity(DispatchObject):
    def __init__(self, entity):
        self.entity = entity

    def get_Handle(self):
        return self.entity.dxf.handle

    def get_ObjectName(self):
        return "AcDb" + self.entity.dxftype().title()


class SummaryInfo(DispatchObject):
    def __init__(self, document):
        self.document = document

    def _edit(self, action, key, value, quiet=True):
        drawing = self.document._changing()
        with drawing.lock:
            try:
                action(str(key), "" if value is None else str(value))
            except _engine("drawing").DrawingError as error:
                raise DispatchError(str(error), quiet=quiet) from error

    def m_AddCustomInfo(self, key, value):
        # Clients add first and set afterwards: an existing property is an expected refusal.
        self._edit(self.document.drawing.add_custom_property, key, value, quiet=True)

    def m_SetCustomByKey(self, key, value):
        self._edit(self.document.drawing.set_custom_property, key, value)

    def m_GetCustomByKey(self, key):
        try:
            return self.document._open_drawing().custom_property(str(key))
        except _engine("drawing").DrawingError as error:
            raise DispatchError(str(error)) from error

    def m_RemoveCustomByKey(self, key):
        drawing = self.document._changing()
        custom = drawing.doc.header.custom_vars
        stored = _engine("drawing").encode_property_text(str(key))
        if not custom.has_tag(stored):
            raise DispatchError(f"Свойство не найдено: {key}")
        custom.remove(stored)
        drawing.modified = True

    def m_NumCustomInfo(self):
        return len(self.document._open_drawing().doc.header.custom_vars.properties)


class Layouts(DispatchObject):
    def __init__(self, document):
        self.document = document

    def get_Count(self):
        return len(self.document._open_drawing().layout_names())

    def m_Item(self, index):
        names = self.document._open_drawing().layout_names()
        if isinstance(index, str):
            for name in names:
                if name.lower() == index.lower():
                    return Layout(self.document, name)
            raise DispatchError(f"Лист не найден: {index}")
        if not isinstance(index, int) or isinstance(index, bool) or not 0 <= index < len(names):
            raise DispatchError(f"Нет листа с номером {index}")
        return Layout(self.document, names[index])


class Layout(DispatchObject):
    def __init__(self, document, name):
        self.document = document
        self.name = name

    def get_Name(self):
        return self.name

    def get_TabOrder(self):
        try:
            return self.document._open_drawing().tab_order(self.name)
        except _engine("drawing").DrawingError as error:
            raise DispatchError(str(error)) from error

    def get_ModelType(self):
        return self.name == _engine("drawing").MODEL

    def m_Delete(self):
        drawing = self.document._changing()
        with drawing.lock:
            try:
                drawing.delete_layout(self.name)
            except _engine("drawing").DrawingError as error:
                raise DispatchError(str(error)) from error


class Blocks(DispatchObject):
    def __init__(self, document):
        self.document = document

    def get_Count(self):
        return len(self.document._open_drawing().block_records())

    def m_Item(self, index):
        records = self.document._open_drawing().block_records()
        if isinstance(index, str):
            for record in records:
                if record.dxf.name.lower() == index.lower():
                    return Block(self.document, record.dxf.handle)
            raise DispatchError(f"Блок не найден: {index}")
        if not isinstance(index, int) or isinstance(index, bool) or not 0 <= index < len(records):
            raise DispatchError(f"Нет блока с номером {index}")
        return Block(self.document, records[index].dxf.handle)


class Block(DispatchObject):
    """A block definition, found again by its handle each time: binding and undo replace content
    but keep handles."""

    def __init__(self, document, handle):
        self.document = document
        self.handle = handle

    def _layout(self):
        drawing = self.document._open_drawing()
        record = drawing.block_by_handle(self.handle)
        layout = drawing.doc.blocks.get(record.dxf.name) if record is not None else None
        if layout is None:
            raise DispatchError(f"Блок с дескриптором {self.handle} удален")
        return layout

    def get_Name(self):
        return self._layout().name

    def get_Handle(self):
        return self.handle

    def get_ObjectName(self):
        return "AcDbBlockTableRecord"

    def get_IsXRef(self):
        return _engine("references").is_reference(self._layout())

    def get_IsLayout(self):
        return self._layout().is_any_layout

    def get_Count(self):
        return len(self._layout())

    def get_Path(self):
        layout = self._layout()
        if not _engine("references").is_reference(layout):
            raise DispatchError(f"Блок {layout.name} не является внешней ссылкой")
        return _engine("references").stored_path(layout)

    def put_Path(self, value):
        self.document._changing()
        layout = self._layout()
        if not _engine("references").is_reference(layout):
            raise DispatchError(f"Блок {layout.name} не является внешней ссылкой")
        _engine("references").set_stored_path(layout, str(value))
        self.document.drawing.modified = True


__all__ = ["Application", "preload_engine"]
