#include "worker/PublishWorker.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <thread>

#include "app/ApplicationSettings.h"
#include "automation/acad/AcadSession.h"
#include "automation/acad/DrawingOperations.h"
#include "automation/acad/ReferenceBinding.h"
#include "automation/word/WordContent.h"
#include "automation/word/WordSession.h"
#include "pdf/CombinedPdf.h"
#include "project/DocvaneDoc.h"
#include "publish/DocumentStatus.h"
#include "publish/FileOperations.h"
#include "publish/Log.h"
#include "publish/MainWindowChannel.h"
#include "publish/OutputPaths.h"
#include "publish/OutputSafety.h"
#include "publish/ProtectedPaths.h"
#include "publish/PublishDigest.h"
#include "publish/PublishState.h"
#include "publish/paths/PathUtils.h"
#include "worker/EndPublication.h"

namespace docvane {

namespace {

std::atomic<bool> g_workerActive = false;

std::mutex g_openMutex;
std::function<void(const std::string&)>& OpenAction() {
    static std::function<void(const std::string&)> action;
    return action;
}

// A step of a pipeline either lets the file go on or has ended the run.
enum class Step { Continue, Ended };

// "Check": a cleared running flag ends the run here.
bool Check() {
    if (!GetPublishState().running) {
        EndPublication();
        return false;
    }
    return true;
}

Step Fail() {
    EndPublication();
    return Step::Ended;
}

Step PublishWordDocument(CDocvaneDoc& project, FileDoc& file) {
    WordSession& word = GetWordSession();
    const std::string name = FileName(file.fullPath);
    word.StartWord();
    if (!Check())
        return Step::Ended;
    LogInfo("Открываю файл: " + file.fullPath);
    if (!Check())
        return Step::Ended;
    if (!word.OpenWordDocument(file))
        return Fail();
    LogInfo("Заполняю поля в файле: " + name);
    WriteDocumentProperties(word, project.fieldDocs);
    if (!Check())
        return Step::Ended;
    if (!project.propertyDoc.vbaScript.empty()) {
        LogInfo("Применяю пользовательский скрипт");
        RunVbaScript(word, project.propertyDoc.vbaScript);
        if (!Check())
            return Step::Ended;
    }
    if (AppSettings().refreshFields) {
        LogInfo("Обновляю поля в файле: " + name);
        UpdateWordFields(word);
        if (!Check())
            return Step::Ended;
    }
    LogInfo("Поиск и построение интерактивного содержания в файле: " + file.fullPath);
    ScanContentsTables(word, file.wordRefs);
    LogInfo("Сохраняю нередактируемый формат: " + PdfName(file, -1));
    if (!Check())
        return Step::Ended;
    if (!word.ExportWordPdf(file))
        return Fail();
    if (!project.editDir.fullPath.empty()) {
        LogInfo("Сохраняю редактируемый формат: " + name);
        if (!Check())
            return Step::Ended;
        if (!word.SaveWordEditableCopy(file))
            return Fail();
    }
    if (!Check())
        return Step::Ended;
    LogInfo("Закрываю файл: " + name);
    word.CloseWordDocument();
    return Step::Continue;
}

Step PublishDrawing(CDocvaneDoc& project, FileDoc& file) {
    AcadSession& acad = GetAcadSession();
    const std::string name = FileName(file.fullPath);
    acad.StartAcad();
    if (!Check())
        return Step::Ended;
    LogInfo("Открываю файл: " + file.fullPath);
    if (!Check())
        return Step::Ended;
    if (!acad.OpenDrawing(file.fullPath))
        return Fail();
    LogInfo("Заполняю поля в файле: " + name);
    WriteCustomProperties(acad, project.fieldDocs);
    if (!Check())
        return Step::Ended;
    if (!project.propertyDoc.lispScript.empty()) {
        LogInfo("Применяю пользовательский скрипт");
        RunUserScript(acad, project);
        if (!Check())
            return Step::Ended;
    }
    LogInfo("Получаю список листов: " + PdfName(file, -1));
    ReadSheetNames(acad, file.sheetNames);
    LogInfo("Сохраняю нередактируемый формат: " + PdfName(file, -1));
    if (!Check())
        return Step::Ended;
    if (!ExportSheetsToPdf(acad, file))
        return Fail();
    if (!Check())
        return Step::Ended;
    LogInfo("Поиск внешних ссылок в файле: " + name);
    BindReferences(acad, file);
    if (!project.editDir.fullPath.empty()) {
        if (!Check())
            return Step::Ended;
        LogInfo("Сохраняю редактируемый формат: " + name);
        if (!Check())
            return Step::Ended;
        if (!SaveEditableCopy(acad, file))
            return Fail();
    }
    if (!Check())
        return Step::Ended;
    LogInfo("Закрываю файл: " + name);
    CloseDrawing(acad);
    return Step::Continue;
}

// Places a ready PDF into one output folder; false after the error line.
bool PlaceReadyPdf(const FileDoc& file, const std::string& folder, const std::string& target) {
    if (EnsureDirectory(folder) < 0) {
        LogError("Не могу создать директорию для файла: " + folder);
        return false;
    }
    return PlacePublishedFile(file, file.fullPath, target);
}

Step CopyReadyPdf(CDocvaneDoc& project, FileDoc& file) {
    // Placing keeps a result at least as new as its source, so a source swapped for an older copy
    // would leave the old copies in place: they go first.
    if (ChangedPart(file.publishedFrom, CurrentDigest(file), {kDigestSource}) != nullptr) {
        RemovePublishedFiles(file);
    }
    if (!project.pdfDir.fullPath.empty() &&
        !PlaceReadyPdf(file, project.pdfDir.fullPath, PdfOutputPath(file, -1))) {
        return Fail();
    }
    if (!project.editDir.fullPath.empty() &&
        !PlaceReadyPdf(file, project.editDir.fullPath, EditableOutputPath(file, -1))) {
        return Fail();
    }
    return Step::Continue;
}

// Publishes one file; Ended when the run ended on the way.
Step PublishFile(CDocvaneDoc& project, FileDoc& file) {
    if (IsWordFile(file.fullPath)) {
        return PublishWordDocument(project, file);
    }
    if (IsDrawingFile(file.fullPath)) {
        return PublishDrawing(project, file);
    }
    if (IsPdfFile(file.fullPath)) {
        return CopyReadyPdf(project, file);
    }
    return Step::Continue;  // an unknown kind is neither opened nor copied
}

// What a result was made from goes with the project: a new record makes the project modified, so
// that it is saved with the run like new sheet names are.
void RecordDigest(CDocvaneDoc& project, PublishedDigest& record, PublishedDigest made) {
    if (made != record) {
        record = std::move(made);
        project.SetModifiedFlag(true);
    }
}

void RunFiles(CDocvaneDoc& project, bool fast) {
    RunProtectedPaths protection(project);
    // A refused output place ends the run before anything is opened, written or cleaned.
    if (!CheckOutputPlaces(project)) {
        EndPublication();
        return;
    }
    // Drawings and documents are exported into the project's own folder; without it, say why at once.
    const bool exports = std::any_of(project.fileDocs.begin(), project.fileDocs.end(), [](const auto& file) {
        return IsDrawingFile(file->fullPath) || IsWordFile(file->fullPath);
    });
    if (exports && project.propertyDoc.tempDir.empty()) {
        LogError("Не могу создать временную директорию для файла: " + project.TempFolder().Error());
        EndPublication();
        return;
    }
    for (std::size_t i = 0; i < project.FileCount(); ++i) {
        FileDoc& file = project.File(i);
        const int status = ComputeStatus(file);
        if (status < 0) {
            LogError(file.statusText);
            EndPublication();
            return;
        }
        LogInfo(file.statusText);
        if (status == 0 && fast) {
            continue;
        }
        file.statusColor = kColourPublishing;
        MainWindow().RefreshViews(&project);
        const FileDoc before = file;
        if (PublishFile(project, file) == Step::Ended) {
            return;
        }
        if (!(file == before)) {
            project.SetModifiedFlag(true);
            protection.Add(file);
        }
        RecordDigest(project, file.publishedFrom, CurrentDigest(file));
        ComputeStatus(file);
        MainWindow().RefreshViews(&project);
        LogInfo("Файл опубликован: " + file.fullPath);
    }

    StopAutomationServers();
    if (!project.editDir.fullPath.empty()) {
        CopyReferences(project);
    }
    if (project.propertyDoc.clearExitDir) {
        CleanOutputFolders(project);
    } else {
        CompactOutputRecords(project);
    }
    const bool built = BuildCombinedPdf(project);
    if (built) {
        RecordDigest(project, project.pdfFilePublishedFrom, CurrentCombinedDigest(project));
    }
    if (built && AppSettings().openAfterPublic) {
        std::function<void(const std::string&)> open;
        {
            std::lock_guard<std::mutex> lock(g_openMutex);
            open = OpenAction();
        }
        if (open) {
            open(project.pdfFile.fullPath);
        }
    }
    EndPublication();
}

}  // namespace

void PublishWorker(CDocvaneDoc* document, bool fast) {
    if (document == nullptr) {
        return;
    }
    CDocvaneDoc& project = *document;
    if (project.FileCount() == 0) {
        MainWindow().ElapsedTime(0);
        LogWarning("Отсутствуют файлы для публикации");
        return;
    }
    PublishState& state = GetPublishState();
    state.running = true;
    state.severity = 0;
    MainWindow().PublishStateChanged(kRunStarted);
    LogInfo("Начинаю публикацию...");
    try {
        RunFiles(project, fast);
    } catch (const std::exception& e) {
        // Nothing may end the process from the worker thread; the run ends as a failed step does.
        LogError(std::string("Внутренняя ошибка публикации: ") + e.what());
        EndPublication();
    } catch (...) {
        LogError("Внутренняя ошибка публикации");
        EndPublication();
    }
}

bool StartPublishJob(PublishJob job) {
    if (job.document == nullptr || !job.worker) {
        return false;
    }
    bool expected = false;
    if (!g_workerActive.compare_exchange_strong(expected, true)) {
        return false;
    }
    std::thread([job = std::move(job)]() {
        job.worker(job.document, job.fast);
        g_workerActive = false;
    }).detach();
    return true;
}

bool IsWorkerActive() {
    return g_workerActive;
}

void SetOpenCombinedPdfAction(std::function<void(const std::string& path)> action) {
    std::lock_guard<std::mutex> lock(g_openMutex);
    OpenAction() = std::move(action);
}

}  // namespace docvane
