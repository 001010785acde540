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

// While it lives, wxWidgets' own texts come from its Russian catalogue (Debian's wx3.2-i18n), whatever
// the process locale; English where the catalogue is missing. Only for building controls whose texts
// wxWidgets makes (the font property's rows): with the catalogue in force, buttons labelled "ОК" and
// "Отмена" match the translated stock labels and become GTK stock buttons, which GTK shows in English
// under the C locale.
class ScopedRussianToolkitTexts {
  public:
    ScopedRussianToolkitTexts();
    ~ScopedRussianToolkitTexts();
    ScopedRussianToolkitTexts(const ScopedRussianToolkitTexts&) = delete;
    ScopedRussianToolkitTexts& operator=(const ScopedRussianToolkitTexts&) = delete;

  private:
    bool installed_;
};

}  // namespace docvane
