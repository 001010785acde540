#pragma once
// The main-window channel of the command line: log lines go to standard output as they happen.
#include <cstdio>
#include <mutex>

#include "publish/MainWindowChannel.h"

namespace docvane {

class ConsoleChannel : public MainWindowChannel {
  public:
    explicit ConsoleChannel(std::FILE* out = stdout) : out_(out) {}

    void LogLine(int kind, const std::string& line) override;
    void OpenProject(const std::string&) override {}
    void PublishStateChanged(int) override {}
    void RefreshViews(CDocvaneDoc*) override {}
    void ElapsedTime(int) override {}
    void RefreshRibbon() override {}

    // The kind of the last line written, -1 before the first.
    int LastKind() const;

  private:
    std::FILE* out_;
    mutable std::mutex mutex_;
    int lastKind_ = -1;
};

}  // namespace docvane
