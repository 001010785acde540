#pragma once
#include <atomic>

namespace docvane {

// The state of the one publication run of the process, shared by the worker, the automation code and
// the main window.
struct PublishState {
    // Set by the worker at the start of a run; cleared by a cancel request and by the end of the run.
    // Every long operation reads it and stops early when it is clear.
    std::atomic<bool> running = false;
    // The worst kind of log line of the run: 0 at the start, 2 after a warning, 3 after an error.
    std::atomic<int> severity = 0;
};

PublishState& GetPublishState();

// Raises the run's severity to at least level.
void RaiseSeverity(int level);

// While it lives, the calling thread works on one file of a run that publishes several files at once.
// A failure of that file stops only that file (RequestCancel sets stop instead of clearing the run's
// running flag): the run decides in list order whether it ends there, as a sequential run would have.
// The run also sets stop itself to abandon work on a file it will not use.
class ScopedFileStop {
  public:
    explicit ScopedFileStop(std::atomic<bool>& stop);
    ~ScopedFileStop();
    ScopedFileStop(const ScopedFileStop&) = delete;
    ScopedFileStop& operator=(const ScopedFileStop&) = delete;

  private:
    ScopedFileStop* outer_;
    std::atomic<bool>& stop_;
    friend bool RunGoesOn();
    friend bool RequestFileStop();
    friend bool FileStopRequested();
};

// Whether the work of the calling thread goes on: the run's running flag is set and, on a thread
// working on one file of a parallel run, that file was not stopped.
bool RunGoesOn();
// On a thread working on one file of a parallel run: stops that file and returns true; elsewhere false.
bool RequestFileStop();
// Whether the calling thread works on a file of a parallel run that was stopped.
bool FileStopRequested();

}  // namespace docvane
