#pragma once
// The desktop program's application object.
#include <wx/app.h>

#include <string>

#include "ui/DesktopShell.h"

namespace docvane {

class CDocvaneApp : public wxApp {
  public:
    // projectPath: the command line's project (absolute, may be empty); socketPath: where this
    // primary instance takes second starts.
    CDocvaneApp(std::string projectPath, std::string socketPath);
    bool OnInit() override;
    int OnExit() override;
    // An exception out of an event handler is reported and the program goes on.
    bool OnExceptionInMainLoop() override;

  private:
    std::string projectPath_;
    std::string socketPath_;
    CDesktopShell shell_;
};

// The application temporary folder: the system temporary folder's "DV".
std::string ApplicationTempFolder();

}  // namespace docvane
