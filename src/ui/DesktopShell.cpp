#include "ui/DesktopShell.h"

#include <wx/dnd.h>

#include "run/MainWindowChannel.h"
#include "ui/MainFrame.h"
#include "ui/UpdateWindows.h"
#include "ui/WindowChannel.h"
#include "views/WxText.h"

namespace docvane {

namespace {

// Projects dropped onto the window open as projects.
class ProjectDropTarget : public wxFileDropTarget {
  public:
    explicit ProjectDropTarget(CMainFrame& frame) : frame_(frame) {}
    bool OnDropFiles(wxCoord, wxCoord, const wxArrayString& files) override {
        bool opened = false;
        for (const wxString& file : files) {
            if (file.Lower().EndsWith(".dv1")) {
                opened = frame_.OpenProjectFile(Utf8(file)) || opened;
            }
        }
        return opened;
    }

  private:
    CMainFrame& frame_;
};

}  // namespace

CDesktopShell::CDesktopShell() = default;

CDesktopShell::~CDesktopShell() {
    Stop();
}

CMainFrame* CDesktopShell::Start(wxEvtHandler& queue, SettingsStore& store, const std::string& socketPath,
                                 const std::string& projectPath) {
    frame_ = new CMainFrame(store);
    channel_ = std::make_unique<CWindowChannel>(queue, *frame_, *frame_);
    SetMainWindowChannel(channel_.get());
    frame_->SetClosingAction([this] { Stop(); });
    frame_->SetDropTarget(new ProjectDropTarget(*frame_));
    // The server's thread hands over through the channel, which runs the call on the window's thread.
    server_.Start(socketPath,
                  [channel = channel_.get()](const std::string& path) { channel->OpenProject(path); });
    frame_->Show();
    if (projectPath.empty()) {
        frame_->NewProject();
    } else if (!frame_->OpenProjectFile(projectPath)) {
        // The project the program was started for cannot be opened: once the user has read why,
        // the start-up ends rather than leaving an empty project in its place.
        CMainFrame* failed = frame_;
        Stop();
        failed->Destroy();
        return nullptr;
    }
    // Once the window is up, so a slow update server never delays its first paint.
    CMainFrame* frame = frame_;
    frame_->CallAfter([frame] { RunUpdateCheck(frame, false); });
    return frame_;
}

void CDesktopShell::Stop() {
    if (channel_) {
        channel_->Close();
    }
    server_.Stop();
    SetMainWindowChannel(nullptr);
    frame_ = nullptr;
}

}  // namespace docvane
