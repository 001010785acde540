#pragma once
// Delivers the worker's calls to the main window on the user-interface thread and waits until each
// was handled; a call made on the user-interface thread runs at once. After Close every call returns
// without being delivered, so a worker can never wait on a window that is gone.
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

#include "desktop/ProjectHandOver.h"
#include "run/MainWindowChannel.h"

class wxEvtHandler;

namespace docvane {

class CWindowChannel : public MainWindowChannel, public ProjectHandOver {
  public:
    // queue: the handler whose event queue runs the calls (the application object); target and
    // handOver: the window's own handlers, touched only on the user-interface thread.
    CWindowChannel(wxEvtHandler& queue, MainWindowChannel& target, ProjectHandOver& handOver);
    ~CWindowChannel() override;

    void LogLine(LogKind kind, const std::string& line) override;
    void PublishStateChanged(RunState state) override;
    void RefreshViews(CDocvaneDoc* project) override;
    void ElapsedTime(bool show) override;
    // The hand-over travels the same way, so it waits its turn behind the run's calls.
    void OpenProject(const std::string& path) override;
    void RefreshRibbon() override;

    // Releases every waiting caller and refuses further calls. Called before the window goes away.
    void Close();

  private:
    struct Shared {
        std::mutex mutex;
        std::condition_variable done;
        bool closed = false;
    };
    void Deliver(std::function<void(MainWindowChannel&)> call);

    wxEvtHandler& queue_;
    MainWindowChannel& target_;
    ProjectHandOver& handOver_;
    std::shared_ptr<Shared> shared_ = std::make_shared<Shared>();
};

}  // namespace docvane
