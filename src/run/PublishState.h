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

}  // namespace docvane
