#pragma once
// The update check's windows: its message boxes and the download's progress window, and the check
// itself as the main window runs it (after start-up and from "Обновление").
#include <memory>

#include "app/UpdateSource.h"
#include "desktop/UpdateCheck.h"

class wxFrame;
class wxGauge;
class wxStaticText;
class wxWindow;

namespace docvane {

class CUpdatePrompts : public UpdatePrompts {
  public:
    explicit CUpdatePrompts(wxWindow* mainWindow);
    ~CUpdatePrompts() override;
    void ShowUnavailable() override;
    bool AskInstall(const std::string& text) override;
    void ShowDownloadFailed() override;
    void Progress(std::uint64_t done, std::uint64_t total) override;
    void EndProgress() override;

  private:
    wxWindow* mainWindow_;
    wxFrame* progress_ = nullptr;
    wxGauge* bar_ = nullptr;
    wxStaticText* kilobytes_ = nullptr;
};

// The update source the desktop program's main installs; without one the check does nothing.
void InstallUpdateSource(UpdateSource* source);

// Runs the check on the user-interface thread (the requests are bounded); a hand-over to the installer
// closes mainWindow through its normal shut-down.
void RunUpdateCheck(wxWindow* mainWindow, bool manual);

}  // namespace docvane
