"""The word processor's application object: an invisible instance that asks nothing."""
import sys

from ..dispatch import OMITTED, DispatchError, DispatchObject
from .document import Document, open_document
from .macros import run_macro
from .office import Office, OfficeError

# How long a failed call waits for a dying office to be seen as ended.
OFFICE_END_GRACE_SECONDS = 1.0


def add_flags(cls, names):
    """Properties a client may put and read back (kept in the object's `flags`): a headless office
    shows nothing and asks nothing anyway."""
    for name in names:
        key = name.lower()

        def get(self, key=key):
            return self.flags[key]

        def put(self, value, key=key):
            self.flags[key] = value

        setattr(cls, "get_" + name, get)
        setattr(cls, "put_" + name, put)


class Options(DispatchObject):
    NAMES = ("WarnBeforeSavingPrintingSendingMarkup", "SavePropertiesPrompt", "DoNotPromptForConvert",
             "PromptUpdateStyle", "ConfirmConversions", "AllowReadingMode")

    def __init__(self):
        self.flags = {name.lower(): 0 for name in self.NAMES}


add_flags(Options, Options.NAMES)


class Documents(DispatchObject):
    def __init__(self, application):
        self._application = application
        self.items = []

    def get_Count(self):
        return len(self.items)

    def m_Item(self, index):
        if isinstance(index, int) and 1 <= index <= len(self.items):
            return self.items[index - 1]
        raise DispatchError("Документ %r не открыт" % (index,))

    def m_Open(self, FileName, ConfirmConversions=OMITTED, ReadOnly=OMITTED, AddToRecentFiles=OMITTED,
               PasswordDocument=OMITTED, PasswordTemplate=OMITTED, Revert=OMITTED,
               WritePasswordDocument=OMITTED, WritePasswordTemplate=OMITTED, Format=OMITTED,
               Encoding=OMITTED, Visible=OMITTED, OpenAndRepair=OMITTED, DocumentDirection=OMITTED,
               NoEncodingDialog=OMITTED, XMLTransform=OMITTED):
        if not isinstance(FileName, str) or not FileName:
            raise DispatchError("Не задано имя файла")
        password = PasswordDocument if isinstance(PasswordDocument, str) else ""
        # An office that dies on the document (or before it) is replaced, and the document tried
        # once more; the second death fails the call with its cause.
        for attempt in (1, 2):
            office = self._application.working_office()
            try:
                opened = open_document(office, FileName, password)
                break
            except OfficeError as error:
                self._application.log("%s: %s" % (error, FileName))
                if attempt == 2 or office.failure is None or office.alive():
                    raise DispatchError("Не могу открыть %s: %s" % (FileName, error))
        if opened is None:
            # A file that cannot be opened answers with an empty value, as the client expects.
            self._application.log("Не могу открыть документ: %s" % FileName)
            return None
        document = Document(self._application, opened, FileName)
        self.items.append(document)
        return document

    def forget(self, document):
        if document in self.items:
            self.items.remove(document)


class Application(DispatchObject):
    def __init__(self, context=None, office=None):
        self.context = context
        self.office = office or Office(self.log)
        self.flags = {"visible": 0, "displayalerts": 0, "displaydocumentinformationpanel": 0, "windowstate": 1}
        self.options = Options()
        self.documents = Documents(self)
        if context is not None and hasattr(context, "add_exit_handler"):
            context.add_exit_handler(self.shutdown)

    def log(self, text):
        print(text, file=sys.stderr, flush=True)

    def working_office(self):
        """The office, replaced by a new one when it has ended (its documents are lost with it)."""
        if self.office.failure is not None and not self.office.alive():
            for document in list(self.documents.items):
                if document.office is self.office:
                    document.discard()
            self.office.stop()
            self.office = Office(self.log)
        return self.office

    def active_document(self):
        if not self.documents.items:
            raise DispatchError("Нет открытого документа")
        return self.documents.items[-1]

    def get_Name(self):
        return "Microsoft Word"

    def get_OfficeLost(self):
        """True when the office ended under its documents (killed, crashed): what was being done with
        them is lost, and the next document gets a new office. A client may then try again."""
        # A killed office breaks the call under way at once, while the thread that sees the process end
        # may still be on its way: give it a moment before telling the office is well.
        if self.office.alive() and not self.office.ends_within(OFFICE_END_GRACE_SECONDS):
            return False
        return self.office.failure is not None

    def get_Options(self):
        return self.options

    def get_Documents(self):
        return self.documents

    def get_ActiveDocument(self):
        return self.active_document()

    def get_ActiveWindow(self):
        return self.active_document().window

    def m_Run(self, MacroName, *arguments):
        if not isinstance(MacroName, str) or not MacroName:
            raise DispatchError("Не задано имя макроса")
        document = self.active_document()
        document.settle()  # the macro sees the fields as updated so far
        try:
            run_macro(document.model, MacroName)
        finally:
            document.changed_by_macro()

    def m_Quit(self, SaveChanges=OMITTED, OriginalFormat=OMITTED, RouteDocument=OMITTED):
        self.shutdown()
        if self.context is not None:
            self.context.request_quit()

    def shutdown(self):
        # Ending the office closes its documents without saving; the private copies go afterwards.
        self.office.stop()
        for document in list(self.documents.items):
            document.discard()


add_flags(Application, ("Visible", "DisplayAlerts", "DisplayDocumentInformationPanel", "WindowState"))
