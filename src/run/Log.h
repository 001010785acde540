#pragma once
// Log lines of a publication. Callable from any thread; each call returns once the line is shown.
#include <cstddef>
#include <string>
#include <vector>

#include "run/RunSink.h"

namespace docvane {

void LogInfo(const std::string& text);     // "[?] " + text
void LogSuccess(const std::string& text);  // "[+] " + text
void LogWarning(const std::string& text);  // "[!] " + text; the run's severity becomes at least 2
void LogError(const std::string& text);    // "[X] " + text; the run's severity becomes 3

// One line held back by a capture, with its prefix.
struct CapturedLine {
    LogKind kind = LogKind::Info;
    std::string line;
};

// While it lives, the log lines of the calling thread are kept in it instead of being shown, and they
// do not raise the run's severity yet. A run that works on several files at once publishes each file on
// a thread of its own: its lines must still appear as one block per file and in list order, and a file
// whose work is thrown away must leave neither lines nor severity behind. Scopes nest: the innermost
// capture of the thread takes the lines.
class ScopedLogCapture {
  public:
    ScopedLogCapture();
    ~ScopedLogCapture();
    ScopedLogCapture(const ScopedLogCapture&) = delete;
    ScopedLogCapture& operator=(const ScopedLogCapture&) = delete;

    const std::vector<CapturedLine>& Lines() const { return lines_; }
    std::vector<CapturedLine> Take() { return std::move(lines_); }
    void Add(CapturedLine line) { lines_.push_back(std::move(line)); }

  private:
    std::vector<CapturedLine> lines_;
    ScopedLogCapture* outer_;
};

// How many lines the calling thread's capture holds so far; 0 without a capture.
std::size_t CapturedLineCount();
// Whether the calling thread's lines are being captured.
bool LogIsCaptured();

// Shows captured lines as if they were logged now: a warning or error line raises the run's severity.
void ShowCapturedLine(const CapturedLine& line);

}  // namespace docvane
