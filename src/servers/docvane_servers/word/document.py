"""An open document: opening a private copy, PDF export, saving copies, closing."""
import os
import re
import shutil
import tempfile
import zipfile

import uno

from ..dispatch import OMITTED, DispatchError, DispatchObject
from .fields import Fields, Sections, Shapes
from .macros import VBProject
from .office import OfficeError, call_bounded, disk_full, property_values, space_message
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
# Documents' own code is never code (see Office._distrust_document_code): what runs is only the
# script the client adds and runs by name, and the office must not refuse that one because the
# document brought code of its own.
ALWAYS_EXECUTE_NO_WARN = 4


def open_document(office, path, password=""):
    """Loads a private copy of the file at path, so the source can never change: (model, the copy's
    folder, the model the office lays out), or None when the file cannot be opened (missing, corrupt,
    protected by a password that was not given). OfficeError when the office itself fails."""
    if not os.path.isfile(path):
        return None
    office.desktop()
    folder = tempfile.mkdtemp(prefix="doc-", dir=office.work_folder)
    copy = os.path.join(folder, os.path.basename(path))
    try:
        shutil.copyfile(path, copy)
    except OSError as error:
        shutil.rmtree(folder, ignore_errors=True)
        if disk_full(folder):
            raise OfficeError("Не могу скопировать документ: %s" % space_message(tempfile.gettempdir()))
        return None
    try:
        model = _load(office, copy, password, path)
    except OfficeError:
        shutil.rmtree(folder, ignore_errors=True)
        raise
    if model is None or not hasattr(model, "getText") or not _loaded_as_its_kind(model, path):
        if model is not None:
            _close_model(model)
        shutil.rmtree(folder, ignore_errors=True)
        return None
    try:
        layout = None if layout_call(office, model, "Comments", False) else _show(office, model)
    except Exception:
        _close_model(model)
        shutil.rmtree(folder, ignore_errors=True)
        raise
    return model, folder, layout


def _load(office, copy, password, source=None):
    """The document at copy, loaded without a view (None when the office cannot read it).

    A view of a document with comments makes the office lay the comments out beside the pages a
    moment later, and a headless office (without the dialog descriptions of its full installation)
    aborts there. So the model is loaded on its own, and a view is added only to a model without
    comments (see Document.layout_model)."""
    url = uno.systemPathToFileUrl(copy)
    try:
        detection = office.create("com.sun.star.document.TypeDetection")
        kind, descriptor = detection.queryTypeByDescriptor(property_values(URL=url), True)
        filter_name = next((item.Value for item in descriptor if item.Name == "FilterName"), "")
        if not filter_name and kind:
            filter_name = detection.getByName(kind)
            filter_name = next((item.Value for item in filter_name if item.Name == "PreferredFilter"), "")
        if not filter_name:
            return None
        model = office.create("com.sun.star.text.TextDocument")
        arguments = dict(URL=url, FilterName=filter_name, ReadOnly=False, MacroExecutionMode=ALWAYS_EXECUTE_NO_WARN,
                         RepairPackage=False, UpdateDocMode=0)
        if password:
            arguments["Password"] = password
        model.load(property_values(**arguments))
        return model
    except Exception as error:  # noqa: BLE001 - every failure of the office to load means "cannot be opened"
        if not office.alive() or office.ends_within(DEATH_WAIT_SECONDS if _bridge_gone(error) else 0):
            raise OfficeError(office.failure or "LibreOffice не работает")
        office.log("LibreOffice не открыл %s: %s" % (source or copy, getattr(error, "Message", error)))
        return None


# The bridge to a dying office goes down a moment before the process is seen to end.
DEATH_WAIT_SECONDS = 5.0


def _bridge_gone(error):
    return "disposed" in str(getattr(error, "Message", error)).lower() or type(error).__name__ == "DisposedException"


def _show(office, model):
    """Gives model a hidden view (page layout, view cursor, PDF export need one); returns model."""
    try:
        office.desktop().loadComponentFromURL("private:object", "_blank", 0,
                                             property_values(Model=model, Hidden=True))
    except Exception as error:  # noqa: BLE001 - the office's own failure becomes the member's
        if not office.alive():
            raise OfficeError(office.failure or "LibreOffice не работает")
        raise DispatchError("LibreOffice не показал документ: %s" % getattr(error, "Message", error))
    if model.getCurrentController() is None:
        raise DispatchError("LibreOffice не показал документ")
    return model


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
        # The office that opened the document: a replacement office knows nothing of it.
        self.office = application.office
        self.model, self._folder, self._layout = opened
        self.path = path
        self.window = Window(self)
        self.forms_design = False
        self._tables = None
        self._properties = None
        self._page_styles = None
        self._fields_pending = False

    def layout_model(self):
        """The model the office lays out (pages, rows, the PDF): the document itself, or for a
        document with comments a copy without them, made again after every change of the document.
        The comments stay in the document and in its saved copies; they are not printed (as the
        PDF of the office and a print without markup show the document)."""
        if self._layout is self.model:
            return self.model
        if self._layout is not None and not self.model.isModified():
            return self._layout
        filter_name = next((arg.Value for arg in self.model.getArgs() if arg.Name == "FilterName"), "")
        copy = os.path.join(self._folder, "layout", os.path.basename(self.path))
        os.makedirs(os.path.dirname(copy), exist_ok=True)
        self._drop_layout()
        try:
            self.model.storeToURL(uno.systemPathToFileUrl(copy), property_values(FilterName=filter_name,
                                                                                Overwrite=True))
            layout = _load(self.office, copy, "")
        except OfficeError:
            raise
        except Exception as error:  # noqa: BLE001 - the office's own failure becomes the member's
            raise DispatchError("LibreOffice не подготовил документ к печати: %s"
                                % self._reason(copy, error))
        if layout is None:
            raise DispatchError("LibreOffice не подготовил документ к печати")
        try:
            layout_call(self.office, layout, "Comments", True)
            self._layout = _show(self.office, layout)
        except Exception:
            _close_model(layout)
            raise
        self.model.setModified(False)
        return self._layout

    def _drop_layout(self):
        if self._layout is not None and self._layout is not self.model:
            self._tables = None  # its rows belong to the copy that goes
            if self.office.bound_document is self._layout:
                self.office.bound_document = None
            _close_model(self._layout)
        if self._layout is not self.model:
            self._layout = None

    def get_FullName(self):
        return self.path

    def get_Name(self):
        return os.path.basename(self.path)

    def get_ActiveWindow(self):
        return self.window

    def m_ToggleFormsDesign(self):
        self.forms_design = not self.forms_design
        try:
            layout_call(self.office, self.layout_model(), "FormsDesign", self.forms_design)
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
            self._tables = Tables(self.office, self.layout_model())
        return self._tables

    def page_styles(self):
        """The page styles the pages use, in page order (read once: walking the pages takes long)."""
        if self._page_styles is None:
            self.settle()
            self._page_styles = used_page_styles(self.office, self.layout_model())
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
        self.settle()
        self._store(OutputFileName, SAVE_FILTERS[FORMAT_PDF], self.layout_model())

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
        self.settle()
        self._store(FileName, filter_name, self.model, **extra)

    def _reason(self, path, error):
        """A short cause of a failed write, in the user's words where the machine tells it."""
        folder = os.path.dirname(os.path.abspath(path))
        if disk_full(path):
            return space_message(folder)
        if not self.office.alive():
            return self.office.failure or "LibreOffice не работает"
        if os.path.isdir(path):
            return "на этом месте папка"
        if os.path.isdir(folder) and not os.access(folder, os.W_OK | os.X_OK):
            return "нет прав на запись в папку %s" % folder
        if os.path.exists(path) and not os.access(path, os.W_OK):
            return "файл защищён от записи"
        message = str(getattr(error, "Message", None) or error)
        code = re.search(r"0x[0-9a-fA-F]+", message)
        return "LibreOffice не записал файл (%s)" % (code.group(0) if code else message.splitlines()[0][:120])

    def _store(self, path, filter_name, model, **extra):
        """Writes model to path; a file that did not come out whole fails the call and is removed,
        so no broken file is ever taken for a result."""
        url = _target_url(path)
        try:
            model.storeToURL(url, property_values(FilterName=filter_name, Overwrite=True, **extra))
            problem = written_badly(path, filter_name)
        except Exception as error:  # noqa: BLE001 - the office's own failure becomes the call's
            problem = self._reason(path, error)
        if problem is not None:
            if disk_full(path):
                problem = space_message(os.path.dirname(path))
            try:
                os.remove(path)
            except OSError:
                pass
            raise DispatchError("Не могу записать %s: %s" % (path, problem))

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
            self._drop_layout()
            if self.office.bound_document is self.model:
                self.office.bound_document = None
            _close_model(self.model)
            self.model = None
            shutil.rmtree(self._folder, ignore_errors=True)


OLE_MAGIC = bytes.fromhex("D0CF11E0A1B11AE1")


def written_badly(path, filter_name):
    """Why the file the office wrote at path is not a whole file of its kind; None when it is."""
    try:
        size = os.path.getsize(path)
        with open(path, "rb") as written:
            head = written.read(8)
            written.seek(max(0, size - 1024))
            tail = written.read()
    except OSError as error:
        return "файл не записан (%s)" % error.strerror
    if size == 0:
        return "файл пуст"
    if filter_name == SAVE_FILTERS[FORMAT_PDF]:
        whole = head.startswith(b"%PDF-") and b"%%EOF" in tail
    elif filter_name == SAVE_FILTERS[0]:
        whole = head == OLE_MAGIC and size % 512 == 0
    else:
        try:
            with zipfile.ZipFile(path) as archive:
                whole = "word/document.xml" in archive.namelist() and archive.testzip() is None
        except (zipfile.BadZipFile, OSError, EOFError):
            whole = False
    return None if whole else "файл записан не полностью"
