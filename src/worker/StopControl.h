#pragma once
// The Stop command of a run in progress: the first press asks the run to stop at its next check; a
// press two seconds or more later, while the run has still not ended, offers the emergency stop.
#include <functional>
#include <string>

#include "run/IntervalTimer.h"

namespace docvane {

// Asks the user (caption, text) whether to stop abandoning the servers; true for OK.
using EmergencyPrompt = std::function<bool(const std::string& caption, const std::string& text)>;

class StopControl {
  public:
    // Handler of the Stop command.
    void OnStopPublish(const EmergencyPrompt& prompt);
    // Whether Stop is enabled: only for the project being published, and not within two seconds of the
    // previous press.
    bool OnUpdateStopPublish(bool activeProjectIsPublished) const;
    // The run ended (the main window's "stop the timers" message).
    void RunEnded() {
        stopTimer_.Stop();
        ++endedRuns_;
    }
    bool StopRequested() const { return stopTimer_.IsRunning(); }

  private:
    IntervalTimer stopTimer_;
    // Counts the ends of runs, so that a press whose question outlived its run leaves no timer behind.
    unsigned endedRuns_ = 0;
};

// Abandons the servers from outside the worker: raises the cancel flag and kills the server processes
// this run started. The worker keeps its references; its next calls fail and it ends the run itself.
void EmergencyStop();

}  // namespace docvane
