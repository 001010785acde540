"""An open document: opening a private copy, PDF export, saving copies, closing."""
import os
import shutil
import tempfile

import uno

from ..dispatch import OMITTED, DispatchError, DispatchObject
from .fields import Fields, Sections, Shapes
from .macros import VBProject
from .office import call_bounded, property_values
from .properties import CustomDocumentProperties, PropertyStore
from .layout import layout_call, used_page_styles
from .tables import Tables

FORMAT_PDF = 17
# Save formats a client names, with the office's filter and the file name extension it stands for.
SAVE_FILTERS = {
    0: "MS Word 97",  # Word 97-2003 document
    12: "MS Word 2007 XML",
    16: "MS Word 2007 XML",  # the default document format
    17: "writer_pdf_Export",
}
MACRO_ENABLED_FILTER = "MS Word 2007 XML VBA"
# Macros of an opened document run without asking (a headless office could not ask anyway).
ALWAYS_EXECUTE_NO_WARN = 4


def open_document(office, path, password=""):
    """Loads a private copy of the file at path, so the source can never change: (model, the copy's
    folder), or None when the file cannot be opened (missing, corrupt, protected by a password that was not given)."""
    if not os.path.isfile(path):
        return None
    folder = tempfile.mkdtemp(prefix="doc-", dir=office.work_folder)
    copy = os.path.join(folder, os.path.basename(path))
    try:
        shutil.copyfile(path, copy)
    except OSError:
        shutil.rmtree(folder, ignore_errors=True)
        return None
    arguments = dict(Hidden=True, ReadOnly=False, MacroExecutionMode=ALWAYS_EXECUTE_NO_WARN, RepairPackage=False,
                     UpdateDocMode=0)
    if password:
        arguments["Password"] = password
    try:
        model = office.desktop().loadComponentFromURL(uno.systemPathToFileUrl(copy), "_blank", 0,
                                                      property_values(**arguments))
    except Exception as error:  # noqa: BLE001 - every failure of the office to load means "cannot be opened"
        office.log("LibreOffice не открыл %s: %s" % (path, getattr(error, "Message", error)))
        model = None
    if model is None or not hasattr(model, "getText") or not _loaded_as_its_kind(model, path):
        if model is not None:
            _close_model(model)
        shutil.rmtree(folder, ignore_errors=True)
        return None
    return model, folder


# The office reads almost anything as plain text; a file named as a word-processor document that
# only loads that way is damaged, and publishing its bytes as text would hide that.
WORD_EXTENSIONS = (".doc", ".docx", ".docm", ".dot", ".dotx", ".dotm")
WORD_FILTER_MARKS = ("Word", "Office Open XML Text", "Rich Text")


def _loaded_as_its_kind(model, path):
    if not path.lower().endswith(WORD_EXTENSIONS):
        return True
    filter_name = next((arg.Value for arg in model.getArgs() if arg.Name == "FilterName"), "")
    return any(mark in filter_name for mark in WORD_FILTER_MARKS)


CLOSE_WAIT_SECONDS = 10.0


def _close_model(model):
    def close():
        try:
            model.close(True)
        except Exception:  # noqa: BLE001 - a model whose office went away is closed already
            pass

    call_bounded(close, CLOSE_WAIT_SECONDS)


def _target_url(path):
    if not isinstance(path, str) or not path:
        raise DispatchError("Не задано имя файла")
    return uno.systemPathToFileUrl(os.path.abspath(path))


class View(DispatchObject):
    PRINT_LAYOUT = 3

    def __init__(self):
        self.type = self.PRINT_LAYOUT

    def get_Type(self):
        return self.type

    def put_Type(self, value):
        # A headless office lays every document out in pages already: the type is remembered only.
        self.type = value


class Window(DispatchObject):
    def __init__(self, document):
        self.document = document
        self.view = View()

    def get_View(self):
        return self.view

    def get_Document(self):
        return self.document


class Document(DispatchObject):
    def __init__(self, application, opened, path):
        self.application = application
        self.model, self._folder = opened
        self.path = path
        self.window = Window(self)
        self.forms_design = False
        self._tables = None
        self._properties = None
        self._page_styles = None
        self._fields_pending = False

    @property
    def office(self):
        return self.application.office

    def get_FullName(self):
        return self.path

    def get_Name(self):
        return os.path.basename(self.path)

    def get_ActiveWindow(self):
        return self.window

    def m_ToggleFormsDesign(self):
        self.forms_design = not self.forms_design
        try:
            layout_call(self.office, self.model, "FormsDesign", self.forms_design)
        except DispatchError:  # a document without forms has nothing to switch
            pass

    def get_CustomDocumentProperties(self, *index):
        if self._properties is None:
            self._properties = PropertyStore(self.model)
        properties = CustomDocumentProperties(self._properties)
        return properties.m_Item(*index) if index else properties

    def get_Fields(self):
        return Fields(self)

    def get_Shapes(self):
        return Shapes(self)

    def get_Sections(self):
        return Sections(self)

    def get_Tables(self):
        # Rows are laid out once per open document: reading them costs one office call each.
        if self._tables is None:
            self.settle()
            self._tables = Tables(self.office, self.model)
        return self._tables

    def page_styles(self):
        """The page styles the pages use, in page order (read once: walking the pages takes long)."""
        if self._page_styles is None:
            self.settle()
            self._page_styles = used_page_styles(self.office, self.model)
        return self._page_styles

    def fields_changed(self):
        self._fields_pending = True
        self._tables = None
        self._page_styles = None

    def settle(self):
        """Has the office compute the fields updated since the last time, before anything reads the
        document's text or layout."""
        if self._fields_pending:
            self._fields_pending = False
            layout_call(self.office, self.model, "RefreshFields")

    def get_VBProject(self):
        return VBProject(self.model)

    def m_ExportAsFixedFormat(self, OutputFileName, ExportFormat, OpenAfterExport=OMITTED, *rest):
        if ExportFormat != FORMAT_PDF:
            raise DispatchError("Формат %r не поддерживается" % (ExportFormat,))
        self._store(OutputFileName, SAVE_FILTERS[FORMAT_PDF])

    def m_SaveAs2(self, FileName, FileFormat=OMITTED, LockComments=OMITTED, Password=OMITTED,
                  AddToRecentFiles=OMITTED, WritePassword=OMITTED, ReadOnlyRecommended=OMITTED,
                  EmbedTrueTypeFonts=OMITTED, SaveNativePictureFormat=OMITTED, *rest):
        file_format = 16 if FileFormat is OMITTED else FileFormat
        if file_format not in SAVE_FILTERS:
            raise DispatchError("Формат %r не поддерживается" % (file_format,))
        layout_call(self.office, self.model, "SaveSettings", bool(EmbedTrueTypeFonts), bool(ReadOnlyRecommended))
        extra = {}
        if isinstance(Password, str) and Password:
            extra["Password"] = Password
        filter_name = SAVE_FILTERS[file_format]
        if filter_name == SAVE_FILTERS[16] and isinstance(FileName, str) and FileName.lower().endswith(".docm"):
            # A copy named as a macro-enabled document is written as one.
            filter_name = MACRO_ENABLED_FILTER
        self._store(FileName, filter_name, **extra)

    def _store(self, path, filter_name, **extra):
        url = _target_url(path)
        self.settle()
        try:
            self.model.storeToURL(url, property_values(FilterName=filter_name, Overwrite=True, **extra))
        except Exception as error:  # noqa: BLE001 - the office's own failure becomes the call's
            raise DispatchError("Не могу записать %s: %s" % (path, getattr(error, "Message", error)))

    def m_Close(self, SaveChanges=OMITTED, OriginalFormat=OMITTED, RouteDocument=OMITTED):
        # Changes are never written back: the model is a private copy of the source.
        self.discard()

    def changed_by_macro(self):
        """A macro may have changed anything: answers are read from the office again."""
        self._tables = None
        self._page_styles = None
        if self._properties is not None:
            self._properties.forget()

    def discard(self):
        self.application.documents.forget(self)
        if self.model is not None:
            if self.office.bound_document is self.model:
                self.office.bound_document = None
            _close_model(self.model)
            self.model = None
            shutil.rmtree(self._folder, ignore_errors=True)
