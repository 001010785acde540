#include "worker/PublishRun.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <filesystem>
#include <system_error>

#include "app/ApplicationSettings.h"
#include "automation/Automation.h"
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
#include "run/Clock.h"
#include "run/Log.h"
#include "run/MainWindowChannel.h"
#include "run/PublishState.h"
#include "worker/EndPublication.h"
#include "worker/FileLanes.h"

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

// Replaces every occurrence of from in text by to.
std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    if (from.empty()) {
        return text;
    }
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

constexpr const char* kRetryLine = "Сервер автоматизации завершился аварийно, повторяю файл: ";

}  // namespace

// One file of a run on lanes, from its status to its commit. The run thread fills it up to the hand-out
// and reads it after ready; the lane in between.
struct PublishRun::FileSlot {
    enum class Kind { StatusFailed, Skipped, Inline, Lane };
    std::size_t index = 0;
    bool prepared = false;
    Kind kind = Kind::Inline;
    FileDoc start;       // the file as it was handed out; each attempt starts from it
    FileDoc work;        // what the lane made of it
    std::string folder;  // the lane's private temporary folder for this file
    std::vector<CapturedLine> lines;
    std::vector<DeferredPlacing> placings;
    Clock::Duration worked{};  // by the lane, every attempt together
    Step result = Step::Continue;
    bool handedOut = false;
    bool ready = false;              // under laneMutex_
    std::atomic<bool> stop = false;  // the file's own stop (a failure in it, or discarded)
    std::atomic<bool> discarded = false;
};

PublishRun::~PublishRun() = default;

PublishRun::PublishRun(CDocvaneDoc& project, PublishMode mode, RunSessions sessions, RunSink* sink,
                       PublishState* state)
    : project_(project),
      mode_(mode),
      acad_(sessions.acad != nullptr ? *sessions.acad : GetAcadSession()),
      word_(sessions.word != nullptr ? *sessions.word : GetWordSession()),
      sink_(sink != nullptr ? *sink : MainWindow()),
      state_(state != nullptr ? *state : GetPublishState()) {}

bool PublishRun::Cancelled() const {
    return !state_.running || FileStopRequested();
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
        if (!lanes_.empty()) {
            StopServers();
        }
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
    lanes_.clear();
    slots_.clear();
    idle_.clear();
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
    if (jobs_ > 1) {
        if (RunFilesInLanes() == Step::Ended) {
            return Step::Ended;
        }
        FinishOutputs();
        return Step::Continue;
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
        FilePublished(file, before);
    }
    FinishOutputs();
    return Step::Continue;
}

void PublishRun::FinishOutputs() {
    StopServers();
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
        return PublishWordDocument(file, word_, Protection());
    }
    if (IsDrawingFile(file.fullPath)) {
        return PublishDrawing(file, acad_, Protection());
    }
    if (IsPdfFile(file.fullPath)) {
        return CopyReadyPdf(file);
    }
    return Step::Continue;  // an unknown kind is neither opened nor copied
}

PublishRun::Step PublishRun::PublishWordDocument(FileDoc& file, WordSession& word,
                                                 const ProtectedPaths* guard) {
    const std::string name = FileName(file.fullPath);
    word.StartWord();
    if (Cancelled())
        return Step::Ended;
    LogInfo("Открываю файл: " + file.fullPath);
    if (Cancelled())
        return Step::Ended;
    if (!word.OpenWordDocument(file))
        return Step::Ended;
    LogInfo("Заполняю поля в файле: " + name);
    WriteDocumentProperties(word, project_.fieldDocs);
    if (Cancelled())
        return Step::Ended;
    if (!project_.propertyDoc.vbaScript.empty()) {
        LogInfo("Применяю пользовательский скрипт");
        RunVbaScript(word, project_.propertyDoc.vbaScript);
        if (Cancelled())
            return Step::Ended;
    }
    if (AppSettings().refreshFields) {
        LogInfo("Обновляю поля в файле: " + name);
        UpdateWordFields(word);
        if (Cancelled())
            return Step::Ended;
    }
    LogInfo("Поиск и построение интерактивного содержания в файле: " + file.fullPath);
    ScanContentsTables(word, file.wordRefs);
    LogInfo("Сохраняю нередактируемый формат: " + PdfName(file, -1));
    if (Cancelled())
        return Step::Ended;
    if (!word.ExportWordPdf(file, guard))
        return Step::Ended;
    if (!project_.editDir.fullPath.empty()) {
        LogInfo("Сохраняю редактируемый формат: " + name);
        if (Cancelled())
            return Step::Ended;
        if (!word.SaveWordEditableCopy(file, guard))
            return Step::Ended;
    }
    if (Cancelled())
        return Step::Ended;
    LogInfo("Закрываю файл: " + name);
    word.CloseWordDocument();
    return Step::Continue;
}

PublishRun::Step PublishRun::PublishDrawing(FileDoc& file, AcadSession& acad, const ProtectedPaths* guard) {
    const std::string name = FileName(file.fullPath);
    acad.StartAcad();
    if (Cancelled())
        return Step::Ended;
    LogInfo("Открываю файл: " + file.fullPath);
    if (Cancelled())
        return Step::Ended;
    if (!acad.OpenDrawing(file.fullPath))
        return Step::Ended;
    LogInfo("Заполняю поля в файле: " + name);
    WriteCustomProperties(acad, project_.fieldDocs);
    if (Cancelled())
        return Step::Ended;
    if (!project_.propertyDoc.lispScript.empty()) {
        LogInfo("Применяю пользовательский скрипт");
        RunUserScript(acad, project_);
        if (Cancelled())
            return Step::Ended;
    }
    LogInfo("Получаю список листов: " + PdfName(file, -1));
    ReadSheetNames(acad, file.sheetNames);
    LogInfo("Сохраняю нередактируемый формат: " + PdfName(file, -1));
    if (Cancelled())
        return Step::Ended;
    if (!ExportSheetsToPdf(acad, file, guard))
        return Step::Ended;
    if (Cancelled())
        return Step::Ended;
    LogInfo("Поиск внешних ссылок в файле: " + name);
    BindReferences(acad, file);
    if (!project_.editDir.fullPath.empty()) {
        if (Cancelled())
            return Step::Ended;
        LogInfo("Сохраняю редактируемый формат: " + name);
        if (Cancelled())
            return Step::Ended;
        if (!SaveEditableCopy(acad, file, guard))
            return Step::Ended;
    }
    if (Cancelled())
        return Step::Ended;
    LogInfo("Закрываю файл: " + name);
    CloseDrawing(acad);
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

void PublishRun::StopServers() {
    if (lanes_.empty()) {
        StopAutomationServers(acad_, word_);
        return;
    }
    // One line per program, as for the one pair of a sequential run, however many lanes had one.
    const bool words =
        std::any_of(lanes_.begin(), lanes_.end(), [](auto& lane) { return lane->Word().IsAttached(); });
    if (words) {
        LogInfo("Останавливаю процесс Word...");
    }
    const bool drawings =
        std::any_of(lanes_.begin(), lanes_.end(), [](auto& lane) { return lane->Acad().IsAttached(); });
    if (drawings) {
        LogInfo("Останавливаю процесс AutoCAD...");
    }
    // Every lane quits its servers on its own thread, all at the same time (a quit waits for the
    // process to end); what they say is shown afterwards, lane by lane.
    std::vector<std::vector<CapturedLine>> said(lanes_.size());
    std::size_t quitting = lanes_.size();
    for (std::size_t i = 0; i < lanes_.size(); ++i) {
        FileLane* lane = lanes_[i].get();
        lane->Post([this, lane, &said, &quitting, i] {
            ScopedLogCapture capture;
            lane->Word().Quit();
            if (lane->Acad().IsAttached()) {
                lane->Acad().QuitAcad(false);
            }
            said[i] = capture.Take();
            std::lock_guard<std::mutex> lock(laneMutex_);
            --quitting;
            laneDone_.notify_all();
        });
    }
    {
        std::unique_lock<std::mutex> lock(laneMutex_);
        laneDone_.wait(lock, [&quitting] { return quitting == 0; });
    }
    for (const auto& lines : said) {
        for (const CapturedLine& line : lines) {
            ShowCapturedLine(line);
        }
    }
}

PublishRun::Step PublishRun::RunFilesInLanes() {
    const std::size_t count = project_.FileCount();
    slots_.clear();
    for (std::size_t i = 0; i < count; ++i) {
        slots_.push_back(std::make_unique<FileSlot>());
        slots_.back()->index = i;
    }
    failedAt_ = count;
    std::size_t next = 0;
    for (std::size_t k = 0; k < count;) {
        std::unique_lock<std::mutex> lock(laneMutex_);
        while (true) {
            if (slots_[k]->kind == FileSlot::Kind::Lane && !slots_[k]->handedOut) {
                HandOut(k);  // a file whose work turned out to be needed when its turn came
            }
            // Files are handed out in list order while lanes are free; none after a file known to end
            // the run, and after a cancel only the file whose turn it is (it ends the run as it would
            // one after another).
            while (next < count && next <= failedAt_ && (state_.running || next == k)) {
                FileSlot& slot = *slots_[next];
                if (!slot.prepared) {
                    lock.unlock();
                    Prepare(next);
                    lock.lock();
                    if (slot.kind == FileSlot::Kind::StatusFailed) {
                        failedAt_ = std::min(failedAt_, next);
                    }
                }
                if (slot.kind == FileSlot::Kind::Lane && !HandOut(next)) {
                    break;  // every lane is busy
                }
                ++next;
            }
            if (slots_[k]->ready) {
                break;
            }
            laneDone_.wait(lock);
        }
        lock.unlock();
        const Commit commit = CommitFile(k);
        if (commit == Commit::Ended) {
            Discard(k + 1);
            return Step::Ended;
        }
        if (commit == Commit::Redo) {
            ForLane(k);
        } else {
            ++k;
        }
        // The guesses of the files still to come: the first that is known to end the run.
        lock.lock();
        failedAt_ = count;
        for (std::size_t i = k; i < next && i < count; ++i) {
            const FileSlot& slot = *slots_[i];
            if (slot.kind == FileSlot::Kind::StatusFailed ||
                (slot.kind == FileSlot::Kind::Lane && slot.ready && slot.result == Step::Ended)) {
                failedAt_ = i;
                break;
            }
        }
    }
    return Step::Continue;
}

void PublishRun::Prepare(std::size_t index) {
    FileSlot& slot = *slots_[index];
    FileDoc& file = project_.File(index);
    slot.prepared = true;
    const int status = ComputeStatus(file);
    if (status < 0) {
        slot.kind = FileSlot::Kind::StatusFailed;
    } else if (status == 0 && mode_ == PublishMode::Fast) {
        slot.kind = FileSlot::Kind::Skipped;
    } else if (IsWordFile(file.fullPath) || IsDrawingFile(file.fullPath)) {
        // Shown in the publishing colour only when its turn comes: the views (and the command line's
        // report, which tells the file being published by it) see one file at a time, in list order.
        ForLane(index);
        return;
    } else {
        slot.kind = FileSlot::Kind::Inline;  // a ready PDF is copied when its turn comes
    }
    std::lock_guard<std::mutex> lock(laneMutex_);
    slot.ready = true;
}

void PublishRun::ForLane(std::size_t index) {
    FileSlot& slot = *slots_[index];
    slot.kind = FileSlot::Kind::Lane;
    slot.start = project_.File(index);
    slot.folder = JoinPath(project_.propertyDoc.tempDir, "lane-" + std::to_string(index));
    slot.handedOut = false;
    slot.ready = false;
    slot.stop = false;
}

// Under laneMutex_. False when no lane is free. A file goes to a free lane whose server of its kind is
// already running, else to a new lane, else to a free lane that runs no server yet, else to any free lane:
// each server started costs a start (an office's is the dearest), so servers are reused by kind.
bool PublishRun::HandOut(std::size_t index) {
    const bool drawing = IsDrawingFile(slots_[index]->start.fullPath);
    const auto hasKind = [drawing](FileLane* lane) {
        return drawing ? lane->Acad().IsAttached() : lane->Word().IsAttached();
    };
    auto chosen = std::find_if(idle_.begin(), idle_.end(), hasKind);
    if (chosen == idle_.end() && lanes_.size() < static_cast<std::size_t>(jobs_)) {
        // The first lane drives the run's own sessions (the ones an emergency stop and the user's
        // prompt know); the others make their own.
        const bool first = lanes_.empty();
        lanes_.push_back(
            std::make_unique<FileLane>(first ? &acad_ : nullptr, first ? &word_ : nullptr, acad_));
        idle_.push_back(lanes_.back().get());
        chosen = idle_.end() - 1;
    }
    if (chosen == idle_.end()) {
        chosen = std::find_if(idle_.begin(), idle_.end(), [](FileLane* lane) {
            return !lane->Acad().IsAttached() && !lane->Word().IsAttached();
        });
    }
    if (chosen == idle_.end() && !idle_.empty()) {
        chosen = idle_.begin();
    }
    if (chosen == idle_.end()) {
        return false;
    }
    FileLane* lane = *chosen;
    idle_.erase(chosen);
    FileSlot* slot = slots_[index].get();
    slot->handedOut = true;
    lane->Post([this, lane, slot] {
        const Clock::TimePoint began = GetClock().Now();
        PublishOnLane(*lane, *slot);
        std::lock_guard<std::mutex> lock(laneMutex_);
        slot->worked = GetClock().Now() - began;
        slot->ready = true;
        if (slot->result == Step::Ended) {
            failedAt_ = std::min(failedAt_, slot->index);
        }
        idle_.push_back(lane);
        laneDone_.notify_all();
    });
    return true;
}

void PublishRun::PublishOnLane(FileLane& lane, FileSlot& slot) {
    const bool drawing = IsDrawingFile(slot.start.fullPath);
    for (int attempt = 0;; ++attempt) {
        std::error_code ec;
        std::filesystem::remove_all(slot.folder, ec);
        std::filesystem::create_directories(slot.folder, ec);
        slot.work = slot.start;
        bool lost = false;
        {
            ScopedLogCapture capture;
            ScopedFileStop stop(slot.stop);
            ScopedTempFolder temporaries(slot.folder);
            ScopedDeferredPlacing placing;
            if (attempt > 0) {
                LogWarning(kRetryLine + slot.start.fullPath);
            }
            try {
                slot.result = drawing ? PublishDrawing(slot.work, lane.Acad(), nullptr)
                                      : PublishWordDocument(slot.work, lane.Word(), nullptr);
            } catch (const std::exception& e) {
                LogError(std::string("Внутренняя ошибка публикации: ") + e.what());
                slot.result = Step::Ended;
            } catch (...) {
                LogError("Внутренняя ошибка публикации");
                slot.result = Step::Ended;
            }
            slot.lines = capture.Take();
            slot.placings = placing.Take();
            if (slot.result == Step::Ended) {
                // A server that ended under the file (killed, crashed) is the instance's fault, not
                // the file's.
                lost = drawing ? lane.Acad().StartedProcessEnded() : lane.Word().ServerLost();
                ScopedLogCapture quiet;  // what closing says belongs to no file
                if (lost) {
                    if (drawing) {
                        lane.Acad().QuitAcad(false);
                    } else {
                        lane.Word().Release();
                    }
                } else if (drawing && lane.Acad().IsAttached() && !lane.Acad().Document().IsNull()) {
                    CloseDrawing(lane.Acad());
                    lane.Acad().ReleaseDocument();
                } else if (!drawing && !lane.Word().document.IsNull()) {
                    lane.Word().CloseWordDocument();
                }
            }
        }
        if (lost && attempt == 0 && state_.running && !slot.discarded) {
            slot.stop = false;
            continue;
        }
        return;
    }
}

PublishRun::Commit PublishRun::CommitFile(std::size_t index) {
    FileSlot& slot = *slots_[index];
    FileDoc& file = project_.File(index);
    // The status as a sequential run finds it: after the files before it were placed (which may give
    // two sources of one name the same output). The status of the hand-out only guessed it.
    const int status = ComputeStatus(file);
    const bool laneWork = slot.kind == FileSlot::Kind::Lane;
    if (status < 0) {
        LogError(file.statusText);
        return Commit::Ended;
    }
    if (status == 0 && mode_ == PublishMode::Fast) {
        LogInfo(file.statusText);
        if (laneWork) {
            std::error_code ec;
            std::filesystem::remove_all(slot.folder, ec);
        }
        return Commit::Done;
    }
    if (!laneWork && (IsWordFile(file.fullPath) || IsDrawingFile(file.fullPath))) {
        return Commit::Redo;  // guessed to need no work: it needs a lane after all
    }
    LogInfo(file.statusText);
    file.statusColor = kColourPublishing;
    sink_.RefreshViews(&project_);
    if (laneWork) {
        sink_.FileWorkedAside(index, slot.worked);
    }
    const FileDoc before = file;
    if (!laneWork) {
        if (PublishFile(file) == Step::Ended) {
            return Commit::Ended;
        }
    } else if (CommitLaneWork(slot, file) == Step::Ended) {
        return Commit::Ended;
    }
    FilePublished(file, before);
    return Commit::Done;
}

// What the project takes over from a file once it is published, and the line that says so.
void PublishRun::FilePublished(FileDoc& file, const FileDoc& before) {
    if (!(file == before)) {
        project_.SetModifiedFlag(true);
        protection_->Add(file);
    }
    RecordDigest(project_, file.publishedFrom, CurrentDigest(file));
    ComputeStatus(file);
    sink_.RefreshViews(&project_);
    LogInfo("Файл опубликован: " + file.fullPath);
}

PublishRun::Step PublishRun::CommitLaneWork(FileSlot& slot, FileDoc& file) {
    const std::string& temp = project_.propertyDoc.tempDir;
    // The lane's temporary results become the project's, where a sequential run leaves them (the
    // status and the combined PDF read them when there is no PDF folder).
    std::vector<std::string> earlier;
    for (const FileDoc* of : {&file, &slot.work}) {
        earlier.push_back(PdfTempPath(*of, -1));
        earlier.push_back(EditableTempPath(*of, -1));
        for (std::size_t s = 0; s < of->sheetNames.size(); ++s) {
            earlier.push_back(PdfTempPath(*of, static_cast<int>(s)));
            earlier.push_back(EditableTempPath(*of, static_cast<int>(s)));
        }
    }
    for (const std::string& path : earlier) {
        RemovePath(path);
    }
    std::error_code ec;
    for (std::filesystem::directory_iterator it(slot.folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code moved;
        std::filesystem::rename(it->path(), std::filesystem::path(temp) / it->path().filename(), moved);
    }
    // Lines and placings in the order they happened: a placing that fails ends the file right there.
    bool placed = true;
    std::size_t shown = 0;
    const auto showUpTo = [&](std::size_t end) {
        for (; shown < end && shown < slot.lines.size(); ++shown) {
            CapturedLine line = slot.lines[shown];
            line.line = Replaced(std::move(line.line), slot.folder, temp);
            ShowCapturedLine(line);
        }
    };
    for (const DeferredPlacing& placing : slot.placings) {
        showUpTo(placing.linesBefore);
        if (!PlacePublishedFile(slot.work, Replaced(placing.source, slot.folder, temp), placing.target,
                                placing.when, Protection())) {
            placed = false;
            break;
        }
    }
    if (placed) {
        showUpTo(slot.lines.size());
    }
    std::filesystem::remove_all(slot.folder, ec);
    if (!placed) {
        return Step::Ended;
    }
    if (slot.result == Step::Ended) {
        // The file cancelled the run (a program that gave up): from here on it is the run's cancel.
        if (slot.stop) {
            state_.running = false;
        }
        return Step::Ended;
    }
    file = slot.work;
    // References found on the lane name the lane's copy as their entry.
    for (auto* list : {&file.xrefsBefore, &file.xrefsAfter}) {
        for (XrefFile& ref : *list) {
            if (ref.ownerFile == &slot.work) {
                ref.ownerFile = &file;
            }
        }
    }
    return Step::Continue;
}

void PublishRun::Discard(std::size_t from) {
    std::unique_lock<std::mutex> lock(laneMutex_);
    for (std::size_t i = from; i < slots_.size(); ++i) {
        slots_[i]->discarded = true;
        slots_[i]->stop = true;
    }
    // Work on later files stops at its next check; the lanes close what they had open.
    laneDone_.wait(lock, [this] { return idle_.size() == lanes_.size(); });
    lock.unlock();
    std::error_code ec;
    for (std::size_t i = from; i < slots_.size(); ++i) {
        if (slots_[i]->handedOut) {
            std::filesystem::remove_all(slots_[i]->folder, ec);
        }
    }
}

}  // namespace docvane
