#pragma once
// The process-wide channel to whatever shows the run: the main window, or the command line's console.
// Every level logs through it (publish/Log.h), so it is installed once per program rather than handed
// to each function. Every call is delivered synchronously, as RunSink describes.
#include <string>

#include "run/RunSink.h"

namespace docvane {

class MainWindowChannel : public RunSink {
  public:
    // The ribbon refreshes its controls from the active project (a project was opened or reloaded).
    virtual void RefreshRibbon() = 0;
};

// A channel that shows nothing; in force until another is installed.
class NullChannel : public MainWindowChannel {
  public:
    void LogLine(LogKind, const std::string&) override {}
    void PublishStateChanged(RunState) override {}
    void RefreshViews(CDocvaneDoc*) override {}
    void ElapsedTime(bool) override {}
    void RefreshRibbon() override {}
};

// Installs the channel of the main window (nullptr restores the silent one). The channel must outlive
// every caller that may still report through it.
void SetMainWindowChannel(MainWindowChannel* channel);
MainWindowChannel& MainWindow();

// "[%.2d:%.2d:%.2d]" of an elapsed time in 100 ns units, hours wrapping after a day.
std::string FormatElapsed(unsigned long long elapsed100ns);

}  // namespace docvane
