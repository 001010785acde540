#pragma once
// Delivers the worker's calls to the main window on the user-interface thread and waits until each
// was handled; a call made on the user-interface thread runs at once. After Close every call returns
// without being delivered, so a worker can never wait on a window that is gone.
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

#include "publish/MainWindowChannel.h"

class wxEvtHandler;

namespace docvane {

class CWindowChannel : public MainWindowChannel {
  public:
    // queue: the handler whose event queue runs the calls (the application object); target: the
    // window's own handlers, touched only on the user-interface thread.
    CWindowChannel(wxEvtHandler& queue, MainWindowChannel& target);
    ~CWindowChannel() override;

    void LogLine(int kind, const std::string& line) override;
    void OpenProject(const std::string& path) override;
    void PublishStateChanged(int state) override;
    void RefreshViews(CDocvaneDoc* project) override;
    void ElapsedTime(int show) override;
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
    std::shared_ptr<Shared> shared_ = std::make_shared<Shared>();
};

}  // namespace docvane
