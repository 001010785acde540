#pragma once
// One publication: it walks the project's files in order, publishes those that need it (all of them
// in a full run), then copies references, cleans the output folders and builds the combined PDF.
//
// The run receives everything it uses from whoever starts it: the project, the mode, the sessions of
// the two programs, the sink that shows it and the state whose running flag is its cancel token. It
// owns the protected-path set of its project for as long as it goes. Each step returns whether the run
// goes on; only Execute ends the run, once.
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "output/ProtectedPaths.h"

namespace docvane {

class AcadSession;
class FileLane;
class WordSession;
class CDocvaneDoc;
class RunSink;
struct FileDoc;
struct PublishState;

// Fast publishes only the files whose status says they changed; Full publishes every file.
enum class PublishMode { Fast, Full };

// The sessions a run drives; a null member is the process's own session.
struct RunSessions {
    AcadSession* acad = nullptr;
    WordSession* word = nullptr;
};

class PublishRun {
  public:
    // sink and state null: the process's channel (MainWindow()) and publish state.
    PublishRun(CDocvaneDoc& project, PublishMode mode, RunSessions sessions = {}, RunSink* sink = nullptr,
               PublishState* state = nullptr);
    PublishRun(const PublishRun&) = delete;
    PublishRun& operator=(const PublishRun&) = delete;

    // The whole run on the calling thread. A project without files only stops the timers and writes
    // its warning; every run that started ends through EndPublication exactly once, whatever happened.
    void Execute();

    // How the combined PDF is opened after a run that built it (openAfterPublic on); empty: never.
    void SetOpenCombinedPdf(std::function<void(const std::string& path)> open) { open_ = std::move(open); }

    // How many files the run works on at once (1, the default: one after another on the calling
    // thread). With more, drawings and documents are published on lanes of their own, each with its
    // own servers, while everything the user sees (log lines as one block per file, placing into the
    // output folders, the project's changes, the end of a failed run) still happens in list order.
    void SetJobs(int jobs) { jobs_ = jobs < 1 ? 1 : jobs; }
    ~PublishRun();

  private:
    enum class Step { Continue, Ended };

    // The cancel token: a cleared running flag asks the run to end at its next check. Only answers;
    // ending is Execute's.
    bool Cancelled() const;

    struct FileSlot;

    Step RunFiles();
    Step PublishFile(FileDoc& file);
    void FilePublished(FileDoc& file, const FileDoc& before);
    Step PublishWordDocument(FileDoc& file, WordSession& word, const ProtectedPaths* guard);
    Step PublishDrawing(FileDoc& file, AcadSession& acad, const ProtectedPaths* guard);
    Step CopyReadyPdf(FileDoc& file);
    void FinishOutputs();

    // The files on lanes: handed out in list order, committed in list order.
    Step RunFilesInLanes();
    void Prepare(std::size_t index);
    bool HandOut(std::size_t index);
    void PublishOnLane(FileLane& lane, FileSlot& slot);
    enum class Commit { Done, Ended, Redo };
    Commit CommitFile(std::size_t index);
    void ForLane(std::size_t index);
    Step CommitLaneWork(FileSlot& slot, FileDoc& file);
    void Discard(std::size_t from);
    // Quits the servers of every lane with one line per program, as the one pair of a sequential run.
    void StopServers();

    int jobs_ = 1;
    std::vector<std::unique_ptr<FileLane>> lanes_;
    std::vector<std::unique_ptr<FileSlot>> slots_;
    std::vector<FileLane*> idle_;
    std::mutex laneMutex_;
    std::condition_variable laneDone_;
    std::size_t failedAt_ = 0;  // the first file known to end the run (the file count: none)

    CDocvaneDoc& project_;
    PublishMode mode_;
    AcadSession& acad_;
    WordSession& word_;
    RunSink& sink_;
    PublishState& state_;
    std::function<void(const std::string&)> open_;
    // The run's protected set, built when the files are walked and handed to every placing, cleaning
    // and combining step; the references a drawing turns out to have join it on the way.
    std::optional<ProtectedPaths> protection_;
    const ProtectedPaths* Protection() const { return protection_ ? &*protection_ : nullptr; }
};

}  // namespace docvane
