#pragma once
// One publication: it walks the project's files in order, publishes those that need it (all of them
// in a full run), then copies references, cleans the output folders and builds the combined PDF.
//
// The run receives everything it uses from whoever starts it: the project, the mode, the sessions of
// the two programs, the sink that shows it and the state whose running flag is its cancel token. It
// owns the protected-path set of its project for as long as it goes. Each step returns whether the run
// goes on; only Execute ends the run, once.
#include <functional>
#include <optional>
#include <string>

#include "output/ProtectedPaths.h"

namespace docvane {

class AcadSession;
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

  private:
    enum class Step { Continue, Ended };

    // The cancel token: a cleared running flag asks the run to end at its next check. Only answers;
    // ending is Execute's.
    bool Cancelled() const;

    Step RunFiles();
    Step PublishFile(FileDoc& file);
    Step PublishWordDocument(FileDoc& file);
    Step PublishDrawing(FileDoc& file);
    Step CopyReadyPdf(FileDoc& file);
    void FinishOutputs();

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
