#pragma once
// The main window: it composes the ribbon, the project tabs, the output and properties panes and the
// status bar, carries out the commands, and handles the worker's calls.
#include <wx/aui/aui.h>
#include <wx/frame.h>
#include <wx/timer.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "desktop/ProjectHandOver.h"
#include "desktop/RecentFiles.h"
#include "run/IntervalTimer.h"
#include "run/MainWindowChannel.h"
#include "ui/MainRibbon.h"
#include "ui/ProjectTabs.h"
#include "worker/StopControl.h"

namespace docvane {

class CDocvaneDoc;
class COutputWnd;
class CProjectPanel;
class CPropertiesPane;
class FileListHost;
class SettingsStore;

// The docking manager of the main window. Docked panes keep the size they were given however small
// the window gets; this one gives them less so that the project tabs keep room to work in.
class CDockManager : public wxAuiManager {
  public:
    // Shrinks the side and bottom docks, none below smallest, until the centre has minCentre of the
    // managed window's client size (as far as that goes). True when a dock changed.
    bool ShrinkDocksFor(const wxSize& client, const wxSize& minCentre, int smallest);
};

class CMainFrame : public wxFrame,
                   public MainWindowChannel,
                   public ProjectHandOver,
                   private RibbonHost,
                   private ProjectTabsHost {
  public:
    // store keeps the recent files, the look and the window layout.
    CMainFrame(SettingsStore& store);
    ~CMainFrame() override;

    // The worker's calls, on the user-interface thread (CWindowChannel delivers them here).
    void LogLine(LogKind kind, const std::string& line) override;
    void PublishStateChanged(RunState state) override;
    void RefreshViews(CDocvaneDoc* project) override;
    void ElapsedTime(bool show) override;
    void RefreshRibbon() override;
    // A second start or a dropped project file hands its project over.
    void OpenProject(const std::string& path) override;

    // Opens a project file in a new tab (or shows its tab when it is open already). False when the
    // file cannot be read.
    bool OpenProjectFile(const std::string& path);
    // A new empty project in a new tab.
    void NewProject();
    // Runs once the window is about to go away for good (the application stops its channel).
    void SetClosingAction(std::function<void()> action) { onClosing_ = std::move(action); }

    CDocvaneDoc* ActiveProject() const override;
    CProjectPanel* ActivePanel() const;
    std::vector<CProjectPanel*> Panels() const;
    CDocvaneDoc* PublishedProject() const override { return published_; }

    void ApplyLook(int look);
    // Brings the enabled and checked states of every command up to date.
    void UpdateCommandStates();

  private:
    // The window tests reach the frame's parts and replace its run through this.
    friend class CMainFrameTestAccess;

    // Building.
    void BuildDocking();
    void BuildProjectViews();
    void BuildQuickAccess();
    void LoadLayout();
    void SaveLayout();

    // The ribbon's and the tabs' calls.
    void RunCommand(int id) override;
    std::string AskCombinedPdfPath() override;
    void ShowProjectProperties(CDocvaneDoc* project) override;
    void ProjectEdited() override;
    void StatesChanged() override;
    const RecentFiles& Recent() const override { return recent_; }
    RecentFiles& Recent() override { return recent_; }
    int Look() const override { return look_; }
    std::unique_ptr<ProjectFileList> MakeFileList(wxWindow* parent, CDocvaneDoc& project) override;
    void FileSelected(CDocvaneDoc& project) override;
    void ActiveTabChanged() override;
    void TabClosed() override;
    void TitlesChanged() override;
    // Asks before an existing file is replaced; true for "Да".
    bool ConfirmReplace(const std::string& path) override;

    void OnCommand(wxCommandEvent& event);
    bool HasRealSize() const;
    void ShowQuickAccessOnceSized();
    void KeepLeastSize();
    // Gives the docked panes less room when the window is too small for the project tabs.
    void FitDocks();

    // Commands.
    void OnPublish(int id);
    void OnStopPublish();
    void OnRefresh();
    void TogglePane(const char* name);
    void ShowAbout();
    // The dialogs of the project views and the settings; their owners connect them here.
    void OnFields();
    void OnSettings();
    void OnScriptLisp();
    void OnScriptVba();
    void OnUpdateCheck();
    // Shows the pane's entries again with their new statuses when they belong to project.
    void ReshowProperties(CDocvaneDoc& project);

    void UpdateTitles();
    void OnClose(wxCloseEvent& event);
    // Puts Publish or Stop into the publication panel, whichever the run state asks for.
    void SyncPublishButton();

    SettingsStore& store_;
    // The thread function of a run.
    std::function<void(CDocvaneDoc*, bool)> publishWorker_;
    std::function<void()> onClosing_;
    CDockManager aui_;
    std::unique_ptr<CMainRibbon> ribbon_;
    std::unique_ptr<CProjectTabs> tabs_;
    wxPanel* dockHost_ = nullptr;
    COutputWnd* output_ = nullptr;
    wxPanel* propertiesHost_ = nullptr;
    CPropertiesPane* propertiesPane_ = nullptr;
    std::unique_ptr<FileListHost> fileListHost_;
    wxTimer stateTimer_;
    wxTimer closeTimer_;

    CDocvaneDoc* published_ = nullptr;
    CDocvaneDoc* publishing_ = nullptr;  // the project of the job being started
    IntervalTimer publicationTimer_;
    StopControl stopControl_;
    RecentFiles recent_;
    int look_;
    int lastOffice2007Look_;
};

}  // namespace docvane
