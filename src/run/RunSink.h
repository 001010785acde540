#pragma once
// What a publication run reports while it goes: its log lines, its start and end, the statuses of its
// files and the end of its timers. The window and the command line each implement the sink; every call
// returns only after the sink has handled it, so lines appear in order and before the run goes on.
#include <chrono>
#include <cstddef>
#include <string>

namespace docvane {

class CDocvaneDoc;

enum class LogKind : int { Info = 0, Success = 1, Warning = 2, Error = 3 };

// The run's state as its sink sees it. The values are the ones the window's log and the tests print.
enum class RunState : int { Started = 0, Ended = -1 };

inline constexpr RunState kRunStarted = RunState::Started;
inline constexpr RunState kRunEnded = RunState::Ended;

class RunSink {
  public:
    virtual ~RunSink() = default;
    // A log line with its prefix.
    virtual void LogLine(LogKind kind, const std::string& line) = 0;
    // Started: the Stop button replaces Publish; Ended: the other way round.
    virtual void PublishStateChanged(RunState state) = 0;
    // The project's files have new statuses: its views repaint.
    virtual void RefreshViews(CDocvaneDoc* project) = 0;
    // show: display the publication timer's elapsed time; false: the run is over, its timers stop.
    virtual void ElapsedTime(bool show) = 0;
    // File index of the project was worked on beside the run (a lane of a parallel run) for worked, and
    // its turn to be placed has come; its lines follow. A file published in its turn is timed by its
    // publishing colour alone.
    virtual void FileWorkedAside(std::size_t index, std::chrono::steady_clock::duration worked) {
        static_cast<void>(index);
        static_cast<void>(worked);
    }
};

}  // namespace docvane
