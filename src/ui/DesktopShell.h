#pragma once
// Wires the main window to the core: the window's channel, the single-instance server, the project
// of the command line. The application and the window tests start the program the same way.
#include <memory>
#include <string>

#include "platform/SingleInstance.h"

class wxEvtHandler;

namespace docvane {

class CMainFrame;
class CWindowChannel;
class SettingsStore;

class CDesktopShell {
  public:
    CDesktopShell();
    ~CDesktopShell();

    // Creates and shows the main window, installs its channel, serves socketPath (when not empty) and
    // opens projectPath (a new empty project when empty). queue runs the calls of other threads. Null,
    // with no window left, when projectPath cannot be opened (the user has been told why).
    CMainFrame* Start(wxEvtHandler& queue, SettingsStore& store, const std::string& socketPath,
                      const std::string& projectPath);
    // Stops taking calls and second starts; the window runs it when it closes for good.
    void Stop();
    CMainFrame* Frame() const { return frame_; }

  private:
    CMainFrame* frame_ = nullptr;
    std::unique_ptr<CWindowChannel> channel_;
    InstanceServer server_;
};

}  // namespace docvane
