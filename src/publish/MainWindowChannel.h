#pragma once
// The channel from any thread to the main window. Every call is delivered synchronously: it returns
// only after the main window has handled it, so lines appear in order and before the caller goes on.
#include <string>

namespace docvane {

class CDocvaneDoc;

enum class LogKind : int { Info = 0, Success = 1, Warning = 2, Error = 3 };

// Which state change PublishStateChanged reports.
inline constexpr int kRunStarted = 0;
inline constexpr int kRunEnded = -1;

class MainWindowChannel {
  public:
    virtual ~MainWindowChannel() = default;
    // A log line with its prefix; kind is 0..3 (other kinds show nothing).
    virtual void LogLine(int kind, const std::string& line) = 0;
    // A second start handed over a project file path.
    virtual void OpenProject(const std::string& path) = 0;
    // kRunStarted: the Stop button replaces Publish; kRunEnded: the other way round.
    virtual void PublishStateChanged(int state) = 0;
    // The project's views repaint with the new statuses.
    virtual void RefreshViews(CDocvaneDoc* project) = 0;
    // show != 0: display the publication timer's elapsed time; 0: stop the publication and stop timers.
    virtual void ElapsedTime(int show) = 0;
    // The ribbon refreshes its controls from the active project.
    virtual void RefreshRibbon() = 0;
};

// A channel that shows nothing; in force until another is installed.
class NullChannel : public MainWindowChannel {
  public:
    void LogLine(int, const std::string&) override {}
    void OpenProject(const std::string&) override {}
    void PublishStateChanged(int) override {}
    void RefreshViews(CDocvaneDoc*) override {}
    void ElapsedTime(int) override {}
    void RefreshRibbon() override {}
};

// Installs the channel of the main window (nullptr restores the silent one). The channel must outlive
// every caller that may still report through it.
void SetMainWindowChannel(MainWindowChannel* channel);
MainWindowChannel& MainWindow();

// "[%.2d:%.2d:%.2d]" of an elapsed time in 100 ns units, hours wrapping after a day.
std::string FormatElapsed(unsigned long long elapsed100ns);

}  // namespace docvane
