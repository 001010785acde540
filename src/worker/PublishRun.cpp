#include "worker/PublishRun.h"

#include <algorithm>
#include <exception>

#include "app/ApplicationSettings.h"
#include "automation/acad/AcadSession.h"
#include "automation/acad/DrawingOperations.h"
#include "automation/acad/ReferenceBinding.h"
#include "automation/word/WordContent.h"
#include "automation/word/WordSession.h"
#include "base/PathUtils.h"
#include "output/DocumentStatus.h"
#include "output/FileOperations.h"
#include "output/OutputPaths.h"
#include "output/OutputSafety.h"
#include "output/PublishDigest.h"
#include "pdf/CombinedPdf.h"
#include "project/DocvaneDoc.h"
#include "run/Log.h"
#include "run/MainWindowChannel.h"
#include "run/PublishState.h"
#include "worker/EndPublication.h"

namespace docvane {

namespace {

// What a result was made from goes with the project: a new record makes the project modified, so
// that it is saved with the run like new sheet names are.
void RecordDigest(CDocvaneDoc& project, PublishedDigest& record, PublishedDigest made) {
    if (made != record) {
        record = std::move(made);
        project.SetModifiedFlag(true);
    }
}

// Places a ready PDF into one output folder; false after the error line.
bool PlaceReadyPdf(const FileDoc& file, const std::string& folder, const std::string& target, PlaceWhen when,
                   const ProtectedPaths* guard) {
    if (EnsureDirectory(folder) < 0) {
        LogError("Не могу создать директорию для файла: " + folder);
        return false;
    }
    return PlacePublishedFile(file, file.fullPath, target, when, guard);
}

}  // namespace

PublishRun::PublishRun(CDocvaneDoc& project, PublishMode mode, RunSessions sessions, RunSink* sink,
                       PublishState* state)
    : project_(project),
      mode_(mode),
      acad_(sessions.acad != nullptr ? *sessions.acad : GetAcadSession()),
      word_(sessions.word != nullptr ? *sessions.word : GetWordSession()),
      sink_(sink != nullptr ? *sink : MainWindow()),
      state_(state != nullptr ? *state : GetPublishState()) {}

bool PublishRun::Cancelled() const {
    return !state_.running;
}

void PublishRun::Execute() {
    if (project_.FileCount() == 0) {
        sink_.ElapsedTime(false);
        LogWarning("Отсутствуют файлы для публикации");
        return;
    }
    state_.running = true;
    state_.severity = 0;
    sink_.PublishStateChanged(kRunStarted);
    LogInfo("Начинаю публикацию...");
    try {
        RunFiles();
    } catch (const std::exception& e) {
        // Nothing may end the process from the worker thread; the run ends as a failed step does.
        LogError(std::string("Внутренняя ошибка публикации: ") + e.what());
    } catch (...) {
        LogError("Внутренняя ошибка публикации");
    }
    try {
        EndPublication(sink_, acad_, word_, state_);
    } catch (const std::exception& e) {
        // A server that fails while it is being stopped must not leave the run running.
        LogError(std::string("Внутренняя ошибка публикации: ") + e.what());
        state_.running = false;
        sink_.ElapsedTime(false);
        sink_.PublishStateChanged(kRunEnded);
    } catch (...) {
        LogError("Внутренняя ошибка публикации");
        state_.running = false;
        sink_.ElapsedTime(false);
        sink_.PublishStateChanged(kRunEnded);
    }
    protection_.reset();
}

PublishRun::Step PublishRun::RunFiles() {
    protection_.emplace(project_);
    // A refused output place ends the run before anything is opened, written or cleaned.
    if (!CheckOutputPlaces(project_, Protection())) {
        return Step::Ended;
    }
    // Drawings and documents are exported into the project's own folder; without it, say why at once.
    const bool exports = std::any_of(
        project_.fileDocs.begin(), project_.fileDocs.end(),
        [](const auto& file) { return IsDrawingFile(file->fullPath) || IsWordFile(file->fullPath); });
    if (exports && project_.propertyDoc.tempDir.empty()) {
        LogError("Не могу создать временную директорию для файла: " + project_.TempFolder().Error());
        return Step::Ended;
    }
    for (std::size_t i = 0; i < project_.FileCount(); ++i) {
        FileDoc& file = project_.File(i);
        const int status = ComputeStatus(file);
        if (status < 0) {
            LogError(file.statusText);
            return Step::Ended;
        }
        LogInfo(file.statusText);
        if (status == 0 && mode_ == PublishMode::Fast) {
            continue;
        }
        file.statusColor = kColourPublishing;
        sink_.RefreshViews(&project_);
        const FileDoc before = file;
        if (PublishFile(file) == Step::Ended) {
            return Step::Ended;
        }
        if (!(file == before)) {
            project_.SetModifiedFlag(true);
            protection_->Add(file);
        }
        RecordDigest(project_, file.publishedFrom, CurrentDigest(file));
        ComputeStatus(file);
        sink_.RefreshViews(&project_);
        LogInfo("Файл опубликован: " + file.fullPath);
    }
    FinishOutputs();
    return Step::Continue;
}

void PublishRun::FinishOutputs() {
    StopAutomationServers(acad_, word_);
    if (!project_.editDir.fullPath.empty()) {
        CopyReferences(project_, Protection());
    }
    if (project_.propertyDoc.clearExitDir) {
        CleanOutputFolders(project_, Protection());
    } else {
        CompactOutputRecords(project_);
    }
    const bool built = BuildCombinedPdf(project_, Protection());
    if (built) {
        RecordDigest(project_, project_.pdfFilePublishedFrom, CurrentCombinedDigest(project_));
    }
    if (built && AppSettings().openAfterPublic && open_) {
        open_(project_.pdfFile.fullPath);
    }
}

// Publishes one file; Ended when the run ends on the way.
PublishRun::Step PublishRun::PublishFile(FileDoc& file) {
    if (IsWordFile(file.fullPath)) {
        return PublishWordDocument(file);
    }
    if (IsDrawingFile(file.fullPath)) {
        return PublishDrawing(file);
    }
    if (IsPdfFile(file.fullPath)) {
        return CopyReadyPdf(file);
    }
    return Step::Continue;  // an unknown kind is neither opened nor copied
}

PublishRun::Step PublishRun::PublishWordDocument(FileDoc& file) {
    const std::string name = FileName(file.fullPath);
    word_.StartWord();
    if (Cancelled())
        return Step::Ended;
    LogInfo("Открываю файл: " + file.fullPath);
    if (Cancelled())
        return Step::Ended;
    if (!word_.OpenWordDocument(file))
        return Step::Ended;
    LogInfo("Заполняю поля в файле: " + name);
    WriteDocumentProperties(word_, project_.fieldDocs);
    if (Cancelled())
        return Step::Ended;
    if (!project_.propertyDoc.vbaScript.empty()) {
        LogInfo("Применяю пользовательский скрипт");
        RunVbaScript(word_, project_.propertyDoc.vbaScript);
        if (Cancelled())
            return Step::Ended;
    }
    if (AppSettings().refreshFields) {
        LogInfo("Обновляю поля в файле: " + name);
        UpdateWordFields(word_);
        if (Cancelled())
            return Step::Ended;
    }
    LogInfo("Поиск и построение интерактивного содержания в файле: " + file.fullPath);
    ScanContentsTables(word_, file.wordRefs);
    LogInfo("Сохраняю нередактируемый формат: " + PdfName(file, -1));
    if (Cancelled())
        return Step::Ended;
    if (!word_.ExportWordPdf(file, Protection()))
        return Step::Ended;
    if (!project_.editDir.fullPath.empty()) {
        LogInfo("Сохраняю редактируемый формат: " + name);
        if (Cancelled())
            return Step::Ended;
        if (!word_.SaveWordEditableCopy(file, Protection()))
            return Step::Ended;
    }
    if (Cancelled())
        return Step::Ended;
    LogInfo("Закрываю файл: " + name);
    word_.CloseWordDocument();
    return Step::Continue;
}

PublishRun::Step PublishRun::PublishDrawing(FileDoc& file) {
    const std::string name = FileName(file.fullPath);
    acad_.StartAcad();
    if (Cancelled())
        return Step::Ended;
    LogInfo("Открываю файл: " + file.fullPath);
    if (Cancelled())
        return Step::Ended;
    if (!acad_.OpenDrawing(file.fullPath))
        return Step::Ended;
    LogInfo("Заполняю поля в файле: " + name);
    WriteCustomProperties(acad_, project_.fieldDocs);
    if (Cancelled())
        return Step::Ended;
    if (!project_.propertyDoc.lispScript.empty()) {
        LogInfo("Применяю пользовательский скрипт");
        RunUserScript(acad_, project_);
        if (Cancelled())
            return Step::Ended;
    }
    LogInfo("Получаю список листов: " + PdfName(file, -1));
    ReadSheetNames(acad_, file.sheetNames);
    LogInfo("Сохраняю нередактируемый формат: " + PdfName(file, -1));
    if (Cancelled())
        return Step::Ended;
    if (!ExportSheetsToPdf(acad_, file, Protection()))
        return Step::Ended;
    if (Cancelled())
        return Step::Ended;
    LogInfo("Поиск внешних ссылок в файле: " + name);
    BindReferences(acad_, file);
    if (!project_.editDir.fullPath.empty()) {
        if (Cancelled())
            return Step::Ended;
        LogInfo("Сохраняю редактируемый формат: " + name);
        if (Cancelled())
            return Step::Ended;
        if (!SaveEditableCopy(acad_, file, Protection()))
            return Step::Ended;
    }
    if (Cancelled())
        return Step::Ended;
    LogInfo("Закрываю файл: " + name);
    CloseDrawing(acad_);
    return Step::Continue;
}

PublishRun::Step PublishRun::CopyReadyPdf(FileDoc& file) {
    // Placing keeps a result at least as new as its source, so a source swapped for an older copy
    // would keep the old copies: they are replaced whatever their time (never removed first, so that a
    // failed copy still leaves the old result whole).
    const PlaceWhen when = ChangedPart(file.publishedFrom, CurrentDigest(file), {kDigestSource}) != nullptr
                               ? PlaceWhen::Always
                               : PlaceWhen::TargetOlder;
    if (!project_.pdfDir.fullPath.empty() &&
        !PlaceReadyPdf(file, project_.pdfDir.fullPath, PdfOutputPath(file, -1), when, Protection())) {
        return Step::Ended;
    }
    if (!project_.editDir.fullPath.empty() &&
        !PlaceReadyPdf(file, project_.editDir.fullPath, EditableOutputPath(file, -1), when, Protection())) {
        return Step::Ended;
    }
    return Step::Continue;
}

}  // namespace docvane
