#include "automation/word/WordSession.h"

#include <string>
#include <vector>

#include "app/ApplicationSettings.h"
#include "automation/Automation.h"
#include "automation/StepResult.h"
#include "automation/word/WordServerFactory.h"
#include "automation/word/WordValues.h"
#include "base/PathUtils.h"
#include "output/FileOperations.h"
#include "output/OutputPaths.h"
#include "project/DocvaneDoc.h"
#include "run/Cancel.h"
#include "run/Log.h"

namespace docvane {

namespace {
AutomationValue Int(int value) {
    return AutomationValue::Int(value);
}
AutomationValue Omitted() {
    return AutomationValue::Omitted();
}

// Shows the document in print layout, so that export and page positions see the printed pages.
void ShowPrintLayout(const AutomationObject& application) {
    const AutomationObject window = ObjectProperty(application, "ActiveWindow");
    const AutomationObject view = ObjectProperty(window, "View");
    PutProperty(view, "Type", Int(kWordViewPrintLayout));
}

// The temporary folder exists and the previous temporary result is gone; false after its error line.
bool PrepareTemporaryFile(const FileDoc& file, const std::string& tempPath) {
    const std::string tempDir = file.owner != nullptr ? file.owner->propertyDoc.tempDir : std::string();
    if (EnsureDirectory(tempDir) < 0) {
        LogError("Не могу создать временную директорию для файла: " + tempDir);
        return false;
    }
    if (RemovePath(tempPath) != 0) {
        LogError("Не могу удалить временный файл: " + tempPath);
        return false;
    }
    return true;
}

}  // namespace

void WordSession::StartWord() {
    if (!application.IsNull()) {
        return;
    }
    AutomationObject created = CreateWordServer(kWordProgId);
    if (created.IsNull()) {
        LogError("Не могу запустить Word. Приложение не зарегистрировано в системе");
        RequestCancel();
        return;
    }
    application = std::move(created);
    PutProperty(application, "Visible", Int(0));
    PutProperty(application, "DisplayAlerts", Int(0));
    PutProperty(application, "DisplayDocumentInformationPanel", Int(0));
    PutProperty(application, "WindowState", Int(kWordWindowStateMinimized));

    AutomationObject options = ObjectProperty(application, "Options");
    PutProperty(options, "WarnBeforeSavingPrintingSendingMarkup", Int(0));
    PutProperty(options, "SavePropertiesPrompt", Int(0));
    PutProperty(options, "DoNotPromptForConvert", Int(-1));
    PutProperty(options, "PromptUpdateStyle", Int(0));
    PutProperty(options, "ConfirmConversions", Int(0));
    PutProperty(options, "AllowReadingMode", Int(-1));
}

bool WordSession::OpenWordDocument(const FileDoc& file) {
    const std::string& path = file.fullPath;
    if (!FileExists(path)) {
        LogError("Исходный файл не найден: " + path);
        return false;
    }
    const AutomationObject documents = ObjectProperty(application, "Documents");
    const std::vector<AutomationValue> args = {
        TextArgument(path),  // FileName
        Int(0),              // ConfirmConversions
        Int(1),              // ReadOnly
        Int(0),              // AddToRecentFiles
        TextArgument(""),    // PasswordDocument
        TextArgument(""),    // PasswordTemplate
        Int(0),              // Revert
        Omitted(),           // WritePasswordDocument
        Omitted(),           // WritePasswordTemplate
        Omitted(),           // Format
        Omitted(),           // Encoding
        Int(1),              // Visible
        Omitted(),           // OpenAndRepair
        Omitted(),           // DocumentDirection
        Omitted(),           // NoEncodingDialog
        Omitted(),           // XMLTransform
    };
    document.Reset();
    document = ObjectOf(CallMethod(documents, "Open", args));
    if (document.IsNull()) {
        LogError(WithCause("Не могу открыть файл: " + path, LastCallError()));
        return false;
    }
    ShowPrintLayout(application);
    if (AppSettings().toggleFormsDesign) {
        CallMethodChecked(document, "ToggleFormsDesign");
    }
    return true;
}

bool WordSession::ExportWordPdf(const FileDoc& file, const ProtectedPaths* guard) {
    const std::string tempPath = PdfTempPath(file, -1);
    if (!PrepareTemporaryFile(file, tempPath)) {
        return false;
    }
    ShowPrintLayout(application);
    AutomationValue ignored;
    const bool exported = InvokeByName(document, "ExportAsFixedFormat", InvokeKind::Method,
                                       {TextArgument(tempPath), Int(kWordExportFormatPdf), Int(0)}, &ignored);
    return PlaceServerResult(file, tempPath, PdfOutputPath(file, -1),
                             exported ? std::string() : LastCallError(), guard);
}

bool WordSession::SaveWordEditableCopy(const FileDoc& file, const ProtectedPaths* guard) {
    const std::string tempPath = EditableTempPath(file, -1);
    if (!PrepareTemporaryFile(file, tempPath)) {
        return false;
    }
    const int format =
        LowerExtension(file.fullPath) == ".doc" ? kWordFormatDocument97 : kWordFormatDocumentDefault;
    const ApplicationSettings& settings = AppSettings();
    const std::vector<AutomationValue> args = {
        TextArgument(tempPath),                               // FileName
        Int(format),                                          // FileFormat
        AutomationValue::Bool(settings.lockComments),         // LockComments
        Omitted(),                                            // Password
        Int(0),                                               // AddToRecentFiles
        TextArgument(""),                                     // WritePassword
        AutomationValue::Bool(settings.readOnlyRecommended),  // ReadOnlyRecommended
        AutomationValue::Bool(settings.embedTrueTypeFonts),   // EmbedTrueTypeFonts
        Int(settings.saveNativePictureFormat ? 1 : 0),        // SaveNativePictureFormat
        Omitted(),                                            // SaveFormsData
        Omitted(),                                            // SaveAsAOCELetter
        Omitted(),                                            // Encoding
        Omitted(),                                            // InsertLineBreaks
        Omitted(),                                            // AllowSubstitutions
        Omitted(),                                            // LineEnding
        Omitted(),                                            // AddBiDiMarks
        Omitted(),                                            // CompatibilityMode
    };
    AutomationValue ignored;
    const bool saved = InvokeByName(document, "SaveAs2", InvokeKind::Method, args, &ignored);
    // An editable folder that is the source's own folder: the source already is the result.
    return PlaceServerResult(file, tempPath, EditableOutputPath(file, -1),
                             saved ? std::string() : LastCallError(), guard);
}

void WordSession::CloseWordDocument() {
    if (AppSettings().toggleFormsDesign) {
        CallMethodChecked(document, "ToggleFormsDesign");
    }
    CallMethodChecked(document, "Close", {Int(kWordDoNotSaveChanges)});
    document.Reset();
}

void WordSession::StopWord() {
    if (application.IsNull()) {
        return;
    }
    LogInfo("Останавливаю процесс Word...");
    if (!application.IsNull()) {
        CallMethodChecked(application, "Quit", {Int(kWordDoNotSaveChanges)});
    }
    Release();
}

void WordSession::Release() {
    document.Reset();
    application.Reset();
}

WordSession& GetWordSession() {
    static WordSession session;
    return session;
}

}  // namespace docvane
