#pragma once
// The command line's channel: log lines go to standard output as they happen.
#include <cstdio>
#include <mutex>

#include "run/MainWindowChannel.h"

namespace docvane {

class ConsoleChannel : public MainWindowChannel {
  public:
    explicit ConsoleChannel(std::FILE* out = stdout) : out_(out) {}

    void LogLine(LogKind kind, const std::string& line) override;
    void PublishStateChanged(RunState) override {}
    void RefreshViews(CDocvaneDoc*) override {}
    void ElapsedTime(bool) override {}
    void RefreshRibbon() override {}

    // The kind of the last line written, -1 before the first.
    int LastKind() const;

  private:
    std::FILE* out_;
    mutable std::mutex mutex_;
    int lastKind_ = -1;
};

}  // namespace docvane
