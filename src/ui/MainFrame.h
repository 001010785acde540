#pragma once
// The main window: ribbon, one tab per open project, the output and properties panes, the status bar,
// and the handlers of the worker's calls.
#include <wx/aui/aui.h>
#include <wx/bitmap.h>
#include <wx/frame.h>
#include <wx/timer.h>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "desktop/KeyTips.h"
#include "desktop/ProjectHandOver.h"
#include "desktop/RecentFiles.h"
#include "run/IntervalTimer.h"
#include "run/MainWindowChannel.h"
#include "views/ProjectPanel.h"
#include "worker/StopControl.h"

class wxAuiNotebook;
class wxAuiNotebookEvent;
class wxCheckBox;
class wxChoice;
class wxComboBox;
class wxRibbonBar;
class wxRibbonBarEvent;
class wxRibbonButtonBar;
class wxRibbonButtonBarEvent;
class wxTextCtrl;

namespace docvane {

class CDocvaneDoc;
class CNumberBox;
class COutputWnd;
class CProjectPanel;
class CPropertiesPane;
class FileListHost;
class ProjectFileList;
class SettingsStore;

// The docking manager of the main window. Docked panes keep the size they were given however small
// the window gets; this one gives them less so that the project tabs keep room to work in.
class CDockManager : public wxAuiManager {
  public:
    // Shrinks the side and bottom docks, none below smallest, until the centre has minCentre of the
    // managed window's client size (as far as that goes). True when a dock changed.
    bool ShrinkDocksFor(const wxSize& client, const wxSize& minCentre, int smallest);
};

// The icon a ribbon button shows while it is disabled.
wxBitmap DisabledRibbonIcon(const wxBitmap& icon);

class CMainFrame : public wxFrame, public MainWindowChannel, public ProjectHandOver {
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

    // The thread function of a run; the window tests replace it to hold a run open.
    std::function<void(CDocvaneDoc*, bool)> publishWorker;
    // Makes the file list of a new project tab.
    CProjectPanel::FileListFactory fileListFactory;
    // Runs once the window is about to go away for good (the application stops its channel).
    std::function<void()> onClosing;

    CDocvaneDoc* ActiveProject() const;
    CProjectPanel* ActivePanel() const;
    std::vector<CProjectPanel*> Panels() const;
    CDocvaneDoc* PublishedProject() const { return published_; }

    // Elements the window tests reach.
    wxRibbonBar* Ribbon() const { return ribbon_; }
    wxRibbonButtonBar* PublishBar() const { return publishBar_; }
    wxAuiNotebook* Notebook() const { return notebook_; }
    COutputWnd* Output() const { return output_; }
    wxWindow* PropertiesHost() const { return propertiesHost_; }
    CPropertiesPane* PropertiesPane() const { return propertiesPane_; }
    wxAuiManager& Docking() { return aui_; }
    // The control of a command (path, number, text and check boxes, open buttons); null for others.
    wxWindow* Control(int id) const;
    int Look() const { return look_; }
    const RecentFiles& Recent() const { return recent_; }

    void ApplyLook(int look);
    // Brings the enabled and checked states of every command up to date.
    void UpdateCommandStates();

  private:
    // Building.
    void BuildRibbon();
    void BuildHomePage();
    void BuildViewPage();
    void BuildPdfPage();
    void BuildAutocadPage();
    void BuildWordPage();
    void BuildDocking();
    void BuildProjectViews();
    void BuildQuickAccess();
    wxCheckBox* AddCheck(wxWindow* parent, int id);
    CNumberBox* AddNumber(wxWindow* parent, int id);
    void SetTooltip(wxWindow* window, int id);
    void LoadLayout();
    void SaveLayout();

    // Ribbon events.
    void OnRibbonButton(wxRibbonButtonBarEvent& event);
    void OnRibbonDropdown(wxRibbonButtonBarEvent& event);
    void OnPageChanging(wxRibbonBarEvent& event);
    void OnCommand(wxCommandEvent& event);
    void ShowApplicationMenu();
    void ShowLookMenu();

    // Project boxes.
    void ShowProjectSettings();
    void ApplyPathBoxes();
    void FillPathBoxLists(CDocvaneDoc& project);
    bool HasRealSize() const;
    void ShowQuickAccessOnceSized();
    void FitPathBoxes();
    // Gives the docked panes less room when the window is too small for the project tabs.
    void FitDocks();
    void OnFlag(int id);
    void OnNumber(int id, const std::string& text);
    void OnText(int id, const std::string& text);

    // Commands.
    void OnPublish(int id);
    std::string AskCombinedPdfPath();
    // Asks before an existing file is replaced; true for "Да".
    bool ConfirmReplace(const std::string& path);
    void OnStopPublish();
    void OnRefresh();
    void OnOpenPath(int id);
    void TogglePane(const char* name);
    void OnWindowManager();
    void OnNewWindow();
    void OnFileOpen();
    bool SaveProject(CDocvaneDoc& project, bool askName);
    void OnFileClose();
    void ForgetClosedProjectProperties();
    void ShowAbout();
    // The dialogs of the project views and the settings; their owners connect them here.
    void OnFields();
    void OnSettings();
    void OnScriptLisp();
    void OnScriptVba();
    void OnUpdateCheck();
    void OnShowProperties(CDocvaneDoc* project);
    // Shows the pane's entries again with their new statuses when they belong to project.
    void ReshowProperties(CDocvaneDoc& project);

    // Tabs and closing.
    void AddPanel(std::shared_ptr<CDocvaneDoc> project);
    wxString TabTitle(const CDocvaneDoc& project) const;
    void UpdateTitles();
    // Asks whether to save a modified project whose last view closes; false when the user cancels.
    bool ConfirmClose(CProjectPanel* panel);
    void OnPageClose(wxAuiNotebookEvent& event);
    void OnPageChanged(wxAuiNotebookEvent& event);
    void OnClose(wxCloseEvent& event);
    void OnCharHook(wxKeyEvent& event);
    // Puts Publish or Stop into the publication panel, whichever the run state asks for.
    void SyncPublishButton();
    void EnableRibbonButton(wxRibbonButtonBar* bar, int id, bool enable);

    SettingsStore& store_;
    CDockManager aui_;
    wxRibbonBar* ribbon_ = nullptr;
    wxRibbonButtonBar* publishBar_ = nullptr;
    wxWindow* homePage_ = nullptr;
    wxWindow* pathPanel_ = nullptr;
    wxPanel* dockHost_ = nullptr;
    wxAuiNotebook* notebook_ = nullptr;
    COutputWnd* output_ = nullptr;
    wxPanel* propertiesHost_ = nullptr;
    CPropertiesPane* propertiesPane_ = nullptr;
    std::unique_ptr<FileListHost> fileListHost_;
    wxComboBox* pathBoxes_[3] = {nullptr, nullptr, nullptr};
    wxTextCtrl* xrefDir_ = nullptr;
    wxChoice* format_ = nullptr;
    std::map<int, wxCheckBox*> checks_;
    std::map<int, CNumberBox*> numbers_;
    std::map<int, wxWindow*> controls_;  // every control by its command id
    std::vector<std::pair<wxRibbonButtonBar*, int>> editButtons_;
    std::map<int, bool> buttonStates_;
    wxWindow* appPage_ = nullptr;
    wxWindow* stylePage_ = nullptr;
    wxTimer stateTimer_;
    wxTimer closeTimer_;

    CDocvaneDoc* published_ = nullptr;
    CDocvaneDoc* publishing_ = nullptr;  // the project of the job being started
    bool stopShown_ = false;
    IntervalTimer publicationTimer_;
    StopControl stopControl_;
    RecentFiles recent_;
    int look_;
    int lastOffice2007Look_;
    int newCount_ = 0;
    std::map<wxWindow*, int> panelWidths_;  // the other panels of "Главная", each at its widest
    // Room kept free at the right end of "Главная" so that rounding never brings its scroll arrow up.
    static constexpr int kPathPanelSlack = 8;
    std::optional<RibbonCategory> keyTips_;  // the category whose tips wait for a letter
};

}  // namespace docvane
