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

// wxWidgets' own texts (the font property's rows, stock buttons, file dialogs) from its Russian
// catalogue (Debian's wx3.2-i18n), whatever the process locale is; English where it is missing.
void UseRussianToolkitTexts();

// The application temporary folder: the system temporary folder's "DV".
std::string ApplicationTempFolder();

}  // namespace docvane
