#include "automation/acad/DrawingOperations.h"

#include <algorithm>

#include "app/ApplicationSettings.h"
#include "automation/Automation.h"
#include "automation/StepResult.h"
#include "automation/acad/AcadSession.h"
#include "automation/acad/LispStatements.h"
#include "base/PathUtils.h"
#include "output/FileOperations.h"
#include "output/OutputPaths.h"
#include "project/DocvaneDoc.h"
#include "run/Log.h"

namespace docvane {

namespace {
// One argument of a (command ...) call: names and paths go in as LISP strings, so a double quote or
// a backslash in them cannot end the string early and run the rest as commands.
std::string Quoted(const std::string& text) {
    // Appended in place: GCC 12's optimiser warns (-Wrestrict, falsely) on "\"" + std::string.
    std::string quoted = "\"";
    quoted += LispStringContent(text);
    quoted += '"';
    return quoted;
}

bool MakeTempDir(const std::string& tempDir) {
    if (EnsureDirectory(tempDir) < 0) {
        LogError("Не могу создать временную директорию для файла: " + tempDir);
        return false;
    }
    return true;
}

bool RemoveTempFiles(const std::vector<std::string>& paths) {
    for (const std::string& path : paths) {
        if (RemovePath(path) < 0) {
            LogError("Не могу удалить временный файл: " + path);
            return false;
        }
    }
    return true;
}

int SheetCount(const FileDoc& file) {
    return static_cast<int>(file.sheetNames.size());
}

// The temporary folder exists and the file's earlier temporary results (whole and per sheet) are gone;
// false after an error line.
bool PrepareTemporaries(const FileDoc& file, std::string (*pathOf)(const FileDoc&, int)) {
    if (!MakeTempDir(file.owner->propertyDoc.tempDir)) {
        return false;
    }
    std::vector<std::string> temporaries{pathOf(file, -1)};
    for (int s = 0; s < SheetCount(file); ++s) {
        temporaries.push_back(pathOf(file, s));
    }
    return RemoveTempFiles(temporaries);
}

std::string SaveAsCommand(const std::string& format, const std::string& path) {
    return "(command \"_.SAVEAS\" " + Quoted(format) + " " + Quoted(path) + ")";
}

// Places what a command wrote. When it wrote nothing, the program's last message is the reason the
// error line names; every other message is a warning line.
bool PlaceCommandResult(AcadSession& session, const FileDoc& file, const std::string& tempPath,
                        const std::string& target, const ProtectedPaths* guard) {
    std::vector<std::string> messages = session.TakeMessages();
    std::string cause;
    if (!target.empty() && !messages.empty() && !FileExists(tempPath)) {
        cause = std::move(messages.back());
        messages.pop_back();
    }
    for (const std::string& message : messages) {
        LogWarning(message);
    }
    return PlaceServerResult(file, tempPath, target, cause, guard);
}
}  // namespace

std::string ScriptFolders(const CDocvaneDoc& project, bool trusted) {
    if (trusted) {
        return "*";
    }
    std::string folders;
    for (const std::string* folder : {&project.propertyDoc.projectDir, &project.pdfDir.fullPath,
                                      &project.editDir.fullPath, &project.propertyDoc.tempDir}) {
        if (!folder->empty()) {
            folders += *folder + "\n";
        }
    }
    return folders;
}

void RunUserScript(AcadSession& session, const CDocvaneDoc& project) {
    PutProperty(session.Document(), "ScriptFolders",
                TextArgument(ScriptFolders(project, AppSettings().trustProjectFolder)));
    session.RunLispScript(project.propertyDoc.lispScript);
    session.WarnMessages("Ошибка в пользовательском скрипте: ");
}

std::string CommandPath(const std::string& path) {
    std::string result = path;
    std::replace(result.begin(), result.end(), '\\', '/');
    return result;
}

void WriteCustomProperties(AcadSession& session, const std::vector<FieldDoc>& fields) {
    AutomationObject summary = GetProperty(session.Document(), "SummaryInfo").AsObject();
    session.WaitUntilIdle();
    for (const FieldDoc& field : fields) {
        // The first call creates the property (and fails for an existing one); the second sets it.
        CallMethodChecked(summary, "AddCustomInfo", {TextArgument(field.name), TextArgument(field.value)});
        session.WaitUntilIdle();
        if (!CallMethodChecked(summary, "SetCustomByKey",
                               {TextArgument(field.name), TextArgument(field.value)}) &&
            summary) {
            LogWarning(WithCause("Не могу записать поле в файл: " + field.name, LastCallError()));
        }
        session.WaitUntilIdle();
    }
    summary.Reset();
}

void ReadSheetNames(AcadSession& session, std::vector<std::string>& sheetNames) {
    sheetNames.clear();
    const AutomationObject layouts = GetProperty(session.Document(), "Layouts").AsObject();
    const std::int32_t count = GetProperty(layouts, "Count").AsInt();
    if (count <= 0) {
        return;
    }
    sheetNames.resize(static_cast<std::size_t>(count - 1));
    for (std::int32_t i = 0; i < count; ++i) {
        AutomationObject item = CallMethod(layouts, "Item", {AutomationValue::Int(i)}).AsObject();
        const std::int32_t tab = GetProperty(item, "TabOrder").AsInt();
        // Tab 0 is the model; a tab order outside the list (a damaged drawing) is ignored.
        if (tab > 0 && tab < count) {
            sheetNames[static_cast<std::size_t>(tab - 1)] = GetProperty(item, "Name").AsText();
        }
        item.Reset();
    }
}

bool ExportSheetsToPdf(AcadSession& session, const FileDoc& file, const ProtectedPaths* guard) {
    const CDocvaneDoc* project = file.owner;
    if (project == nullptr) {
        return false;
    }
    session.WaitUntilIdle();
    CallMethodChecked(session.Document(), "SetVariable",
                      {TextArgument("BACKGROUNDPLOT"), AutomationValue::Int(0)});
    session.WaitUntilIdle();
    session.RunLispScript("(command \"_.LAYOUT\" \"_S\" \"\")");

    if (!PrepareTemporaries(file, PdfTempPath)) {
        return false;
    }
    const bool place = !project->pdfDir.fullPath.empty();

    if (project->propertyDoc.autocad.splitIntoLayouts) {
        for (int s = 0; s < SheetCount(file); ++s) {
            const std::string& sheet = file.sheetNames[static_cast<std::size_t>(s)];
            session.RunLispScript("(command \"_.LAYOUT\" \"_S\" " + Quoted(sheet) + ")");
            const std::string tempPath = PdfTempPath(file, s);
            session.RunLispScript("(command \"_.-EXPORT\" \"_P\" \"_C\" \"_N\" " +
                                  Quoted(CommandPath(tempPath)) + ")");
            if (!PlaceCommandResult(session, file, tempPath, place ? PdfOutputPath(file, s) : std::string(),
                                    guard)) {
                return false;
            }
        }
        return true;
    }
    const std::string tempPath = PdfTempPath(file, -1);
    session.RunLispScript("(command \"_.-EXPORT\" \"_P\" \"_A\" " + Quoted(CommandPath(tempPath)) + ")");
    return PlaceCommandResult(session, file, tempPath, place ? PdfOutputPath(file, -1) : std::string(),
                              guard);
}

bool SaveEditableCopy(AcadSession& session, const FileDoc& file, const ProtectedPaths* guard) {
    const CDocvaneDoc* project = file.owner;
    if (project == nullptr) {
        return false;
    }
    session.WaitUntilIdle();
    if (!PrepareTemporaries(file, EditableTempPath)) {
        return false;
    }
    if (project->editDir.fullPath.empty()) {
        return true;
    }
    // The application setting, not the project's stored value: the settings dialog is where users pick
    // the version their recipients can open.
    const std::string& format = AppSettings().autocad.fileFormat;
    const bool perSheet = project->propertyDoc.autocad.splitIntoLayouts;
    std::vector<int> passes;
    if (perSheet) {
        for (int s = 0; s < SheetCount(file); ++s) {
            passes.push_back(s);
        }
    } else {
        passes.push_back(-1);
    }
    const AutomationObject& document = session.Document();
    for (const int s : passes) {
        const std::string tempPath = EditableTempPath(file, s);
        const std::string command = SaveAsCommand(format, CommandPath(tempPath));
        if (perSheet) {
            const std::string& keep = file.sheetNames[static_cast<std::size_t>(s)];
            CallMethodChecked(document, "StartUndoMark");
            AutomationObject layouts = GetProperty(document, "Layouts").AsObject();
            // Downwards, so that the indexes still to visit stay valid; item 0 is the model.
            for (int j = SheetCount(file); j >= 1; --j) {
                AutomationObject item = CallMethod(layouts, "Item", {AutomationValue::Int(j)}).AsObject();
                if (GetProperty(item, "Name").AsText() != keep) {
                    CallMethodChecked(item, "Delete");
                }
            }
            layouts.Reset();
            session.RunLispScript(command);
            CallMethodChecked(document, "EndUndoMark");
            session.RunLispScript("(command \"_.undo\" \"1\")");
        } else {
            session.RunLispScript(command);
        }
        if (!PlaceCommandResult(session, file, tempPath, EditableOutputPath(file, s), guard)) {
            return false;
        }
    }
    return true;
}

void CloseDrawing(AcadSession& session) {
    session.WaitUntilIdle();
    CallMethodChecked(session.Document(), "Close", {AutomationValue::Int(0)});
    session.WaitUntilIdle();
    session.ReleaseDocument();
}

}  // namespace docvane
