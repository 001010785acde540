#include "ui/MainFrame.h"

#include <algorithm>

#include <wx/accel.h>
#include <wx/artprov.h>
#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/filedlg.h>
#include <wx/msgdlg.h>
#include <wx/ribbon/bar.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/statusbr.h>
#include <wx/toolbar.h>
#include <wx/utils.h>

#include "app/ApplicationSettings.h"
#include "app/SettingsStore.h"
#include "base/PathUtils.h"
#include "desktop/ApplicationLooks.h"
#include "desktop/CommandAccelerators.h"
#include "desktop/CommandIds.h"
#include "desktop/CommandTexts.h"
#include "desktop/PathBoxes.h"
#include "desktop/ProjectBindings.h"
#include "desktop/RibbonRules.h"
#include "desktop/SaveNames.h"
#include "output/DocumentStatus.h"
#include "platform/DesktopOpen.h"
#include "project/DocvaneDoc.h"
#include "run/Cancel.h"
#include "ui/DesktopFileListHost.h"
#include "ui/NumberBox.h"
#include "ui/OutputPane.h"
#include "ui/ScriptEditor.h"
#include "ui/SettingsDialog.h"
#include "ui/UpdateWindows.h"
#include "views/FieldsDlg.h"
#include "views/FileListView.h"
#include "views/ProjectPanel.h"
#include "views/PropertiesPane.h"
#include "views/WxText.h"
#include "worker/PublishWorker.h"

namespace docvane {

namespace {

const char* const kWorkspace = "Workspace";
const char* const kVersion = "0.8.38.195";
constexpr int kLeastFrameWidth = 640;
constexpr int kLeastFrameHeight = 420;
// The least height of the docking area: the output lists (a dock keeps 110 pixels) and the project
// tabs with a file list whose scroll bar still fits. Shorter, GTK gives that scroll bar a negative size.
constexpr int kLeastDockHeight = 236;

// The shortcuts reach OnCommand as menu events of the commands' menu items.
wxAcceleratorTable CommandAcceleratorTable() {
    std::vector<wxAcceleratorEntry> entries;
    for (const CommandAccelerator& accelerator : CommandAccelerators()) {
        int flags = wxACCEL_NORMAL;
        if ((accelerator.modifiers & kAccelCtrl) != 0) {
            flags |= wxACCEL_CTRL;
        }
        if ((accelerator.modifiers & kAccelShift) != 0) {
            flags |= wxACCEL_SHIFT;
        }
        const int key = accelerator.key >= kAccelF1 ? WXK_F1 + (accelerator.key - kAccelF1) : accelerator.key;
        entries.emplace_back(flags, key, MenuItemOf(accelerator.command));
    }
    return wxAcceleratorTable(static_cast<int>(entries.size()), entries.data());
}

}  // namespace

CMainFrame::CMainFrame(SettingsStore& store)
    : wxFrame(nullptr, wxID_ANY, Wx("Docvane"), wxDefaultPosition, wxSize(1200, 760)),
      store_(store),
      publishWorker_(PublishWorker),
      stateTimer_(this),
      closeTimer_(this) {
    look_ = store_.GetNumber(kWorkspace, "ApplicationLook").value_or(kDefaultApplicationLook);
    lastOffice2007Look_ = kDefaultApplicationLook;
    recent_.Load(store_);

    BuildQuickAccess();
    ribbon_ = std::make_unique<CMainRibbon>(*this, static_cast<RibbonHost&>(*this));
    BuildDocking();
    BuildProjectViews();
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(ribbon_->Bar(), 0, wxEXPAND);
    sizer->Add(dockHost_, 1, wxEXPAND);
    SetSizer(sizer);

    CreateStatusBar(2);
    const int widths[2] = {-1, 100};
    GetStatusBar()->SetStatusWidths(2, widths);
    SetStatusText(Wx("Приложение загружено"), 0);
    SetStatusText(Wx("[00:00:00]"), 1);

    ApplyLook(look_);
    LoadLayout();
    aui_.Update();

    Bind(wxEVT_MENU, &CMainFrame::OnCommand, this);
    SetAcceleratorTable(CommandAcceleratorTable());
    Bind(wxEVT_CLOSE_WINDOW, &CMainFrame::OnClose, this);
    Bind(wxEVT_CHAR_HOOK, [this](wxKeyEvent& event) { ribbon_->OnCharHook(event); });
    Bind(wxEVT_SIZE, [this](wxSizeEvent& event) {
        // Under a window manager the frame is first shown at a few pixels before its real size arrives:
        // laid out at that size, the panes would be given negative widths. The real size lays them out.
        if (event.GetSize().GetWidth() < kLeastFrameWidth ||
            event.GetSize().GetHeight() < kLeastFrameHeight || !HasRealSize()) {
            return;
        }
        event.Skip();
        CallAfter([this] {
            if (!HasRealSize()) {
                return;
            }
            ShowQuickAccessOnceSized();
            KeepLeastSize();
            ribbon_->FitPathBoxes();
            FitDocks();
        });
    });
    // The docks shrink as soon as the docking area has its new size, before the docking manager lays
    // the panes out (it takes the area's size events ahead of the area itself, and handlers bound to it
    // run ahead of its own): one layout with the old docks in a short window squeezes the file list
    // below its scroll bar.
    aui_.Bind(wxEVT_SIZE, [this](wxSizeEvent& event) {
        event.Skip();
        FitDocks();
    });
    Bind(wxEVT_SYS_COLOUR_CHANGED, [this](wxSysColourChangedEvent& event) {
        output_->ResetFonts();
        event.Skip();
    });
    Bind(
        wxEVT_TIMER, [this](wxTimerEvent&) { UpdateCommandStates(); }, stateTimer_.GetId());
    Bind(
        wxEVT_TIMER,
        [this](wxTimerEvent&) {
            if (!IsWorkerActive()) {
                closeTimer_.Stop();
                Close();
            }
        },
        closeTimer_.GetId());
    stateTimer_.Start(250);
    UpdateCommandStates();
}

CMainFrame::~CMainFrame() {
    stateTimer_.Stop();
    closeTimer_.Stop();
    publicationTimer_.Stop();
    if (IsWorkerActive()) {
        // The window goes while a run still holds its project: the project must outlive the worker.
        RequestCancel();
        static std::vector<std::shared_ptr<CDocvaneDoc>> abandoned;
        for (CProjectPanel* panel : Panels()) {
            abandoned.push_back(panel->SharedProject());
        }
    }
    aui_.UnInit();
}

// ---- The worker's calls ----

void CMainFrame::LogLine(LogKind kind, const std::string& line) {
    output_->AddLogLine(static_cast<int>(kind), line);
}

void CMainFrame::OpenProject(const std::string& path) {
    OpenProjectFile(path);
    Raise();
}

void CMainFrame::PublishStateChanged(RunState state) {
    if (state == kRunStarted) {
        published_ = publishing_ != nullptr ? publishing_ : ActiveProject();
    } else if (state == kRunEnded) {
        // However the run ended, its Stop presses are over.
        stopControl_.RunEnded();
        // A row the run left "in progress" (stopped or failed on it) shows its real status again.
        if (published_ != nullptr) {
            ComputeProjectStatus(*published_);
            RefreshViews(published_);
            ReshowProperties(*published_);
        }
        published_ = nullptr;
        publishing_ = nullptr;
        UpdateTitles();
    }
    // The ribbon cannot take its buttons apart inside the event that is being handled.
    CallAfter([this] { SyncPublishButton(); });
    UpdateCommandStates();
}

void CMainFrame::RefreshViews(CDocvaneDoc* project) {
    for (CProjectPanel* panel : Panels()) {
        if (&panel->Project() == project) {
            panel->FileList().RefreshAll();
        }
    }
    // An edit in a view may have marked the project modified.
    UpdateTitles();
}

void CMainFrame::ElapsedTime(bool show) {
    if (show) {
        SetStatusText(Wx(FormatElapsed(publicationTimer_.Elapsed())), 1);
        return;
    }
    publicationTimer_.Stop();
    stopControl_.RunEnded();
}

void CMainFrame::RefreshRibbon() {
    ribbon_->ShowProjectSettings();
    ribbon_->Refit();
    UpdateTitles();
    UpdateCommandStates();
}

// ---- Command states ----

void CMainFrame::UpdateCommandStates() {
    CDocvaneDoc* active = ActiveProject();
    RibbonStates states;
    states.active = active;
    states.editing = IsEditingEnabled(active, published_);
    states.stopEnabled = stopControl_.OnUpdateStopPublish(active != nullptr && active == published_);
    states.statusBarShown = GetStatusBar() != nullptr && GetStatusBar()->IsShown();
    states.outputShown = aui_.GetPane("output").IsShown();
    states.propertiesShown = aui_.GetPane("properties").IsShown();
    ribbon_->ApplyStates(states);
    UpdateTitles();
}

// ---- Publication ----

void CMainFrame::SyncPublishButton() {
    ribbon_->ShowRunning(published_ != nullptr);
    UpdateCommandStates();
}

bool CMainFrame::ConfirmReplace(const std::string& path) {
    wxMessageDialog ask(this, Wx(ReplaceQuestion(path)), Wx("Docvane"),
                        wxYES_NO | wxNO_DEFAULT | wxICON_WARNING);
    ask.SetYesNoLabels(Wx("Да"), Wx("Нет"));
    return ask.ShowModal() == wxID_YES;
}

std::string CMainFrame::AskCombinedPdfPath() {
    // The overwrite question is ours: it must see the name with the extension the program adds.
    wxFileDialog dialog(this, Wx("Общий PDF"), wxEmptyString, "*.pdf", Wx("Файлы PDF (*.pdf)|*.pdf"),
                        wxFD_SAVE);
    const std::string path = AskSaveName(
        [&dialog] { return dialog.ShowModal() == wxID_OK ? Utf8(dialog.GetPath()) : std::string(); }, ".pdf",
        [this](const std::string& existing) { return ConfirmReplace(existing); });
    return path.empty() ? std::string() : FromLongPath(path);
}

void CMainFrame::OnPublish(int id) {
    CDocvaneDoc* project = ActiveProject();
    if (project == nullptr || !IsEditingEnabled(project, published_) || IsWorkerActive()) {
        return;
    }
    output_->Clear();
    if (project->pdfFile.fullPath.empty()) {
        const std::string chosen = AskCombinedPdfPath();
        if (!chosen.empty()) {
            SetPath(project->pdfFile, chosen);
            project->SetModifiedFlag(true);
        }
        if (project->pdfFile.fullPath.empty()) {
            return;
        }
    }
    ribbon_->ShowCombinedPdfPath(*project);
    publishing_ = project;
    if (!StartPublishJob(PublishJob{id == ID_PUBLIC_FAST, project, publishWorker_})) {
        publishing_ = nullptr;
        return;
    }
    publicationTimer_.Start([] { MainWindow().ElapsedTime(true); }, 1000);
}

void CMainFrame::OnStopPublish() {
    CDocvaneDoc* active = ActiveProject();
    if (!stopControl_.OnUpdateStopPublish(active != nullptr && active == published_)) {
        return;
    }
    stopControl_.OnStopPublish([this](const std::string& caption, const std::string& text) {
        wxMessageDialog ask(this, Wx(text), Wx(caption), wxOK | wxCANCEL | wxICON_ERROR);
        ask.SetOKCancelLabels(Wx("ОК"), Wx("Отмена"));
        return ask.ShowModal() == wxID_OK;
    });
    UpdateCommandStates();
}

void CMainFrame::OnRefresh() {
    CDocvaneDoc* project = ActiveProject();
    if (project == nullptr || !IsEditingEnabled(project, published_)) {
        return;
    }
    ComputeProjectStatus(*project);
    MainWindow().RefreshViews(project);
}

// ---- Docking ----

bool CDockManager::ShrinkDocksFor(const wxSize& client, const wxSize& minCentre, int smallest) {
    bool changed = false;
    for (const bool horizontal : {true, false}) {
        const int room = (horizontal ? client.GetHeight() - minCentre.GetHeight()
                                     : client.GetWidth() - minCentre.GetWidth());
        int used = 0;
        for (size_t i = 0; i < m_docks.GetCount(); ++i) {
            const wxAuiDockInfo& dock = m_docks.Item(i);
            if (dock.IsOk() && dock.dock_direction != wxAUI_DOCK_CENTER && !dock.toolbar &&
                dock.IsHorizontal() == horizontal) {
                used += dock.size;
            }
        }
        if (used <= std::max(room, 0)) {
            continue;
        }
        for (size_t i = 0; i < m_docks.GetCount(); ++i) {
            wxAuiDockInfo& dock = m_docks.Item(i);
            if (dock.IsOk() && dock.dock_direction != wxAUI_DOCK_CENTER && !dock.toolbar &&
                dock.IsHorizontal() == horizontal && dock.size > smallest) {
                const int fitted = std::max(smallest, dock.size * std::max(room, 0) / used);
                changed = changed || fitted != dock.size;
                dock.size = fitted;
            }
        }
    }
    return changed;
}

void CMainFrame::FitDocks() {
    // Room for a few rows and both columns of a file list.
    const wxSize centre(320, 200);
    // A dock keeps 110 pixels: the output lists below their tab bar still fit a GTK scroll bar (in
    // less, GTK complains with a critical at each layout).
    if (aui_.ShrinkDocksFor(dockHost_->GetClientSize(), centre, 110)) {
        aui_.Update();
    }
}

// ---- The dialogs other windows own ----

void CMainFrame::OnFields() {
    CDocvaneDoc* project = ActiveProject();
    if (project != nullptr && EditProjectFields(this, *project, UserSettingsStore())) {
        UpdateTitles();
    }
}

void CMainFrame::OnSettings() {
    CPropertyDlg dialog(this, AppSettings(), UserSettingsStore());
    dialog.ShowModal();
    ribbon_->ShowProjectSettings();
}

void CMainFrame::OnScriptLisp() {
    if (CDocvaneDoc* project = ActiveProject()) {
        EditProjectScript(this, kScriptLisp, *project, project->propertyDoc.lispScript);
        UpdateTitles();
    }
}

void CMainFrame::OnScriptVba() {
    if (CDocvaneDoc* project = ActiveProject()) {
        EditProjectScript(this, kScriptVba, *project, project->propertyDoc.vbaScript);
        UpdateTitles();
    }
}

void CMainFrame::OnUpdateCheck() {
    RunUpdateCheck(this, true);
}

void CMainFrame::ReshowProperties(CDocvaneDoc& project) {
    if (propertiesPane_ == nullptr || propertiesPane_->ShownPdf() != &project.pdfFile) {
        return;
    }
    FileDoc* file = nullptr;
    for (std::size_t i = 0; i < project.FileCount(); ++i) {
        if (&project.File(i) == propertiesPane_->ShownFile()) {
            file = &project.File(i);
        }
    }
    propertiesPane_->ShowProperties(&project.pdfFile, file);
}

void CMainFrame::ShowProjectProperties(CDocvaneDoc* project) {
    if (propertiesPane_ != nullptr && project != nullptr) {
        propertiesPane_->ShowProperties(&project->pdfFile, nullptr);
    }
}

void CMainFrame::BuildProjectViews() {
    // The project views: the properties pane in its docking host, the full file list in every tab.
    propertiesPane_ = new CPropertiesPane(propertiesHost_);
    auto* paneSizer = new wxBoxSizer(wxVERTICAL);
    paneSizer->Add(propertiesPane_, 1, wxEXPAND);
    propertiesHost_->SetSizer(paneSizer);
    propertiesPane_->SetActiveProjectSource([this] { return ActiveProject(); });
    propertiesPane_->SetRefreshViews([this](CDocvaneDoc& project) { RefreshViews(&project); });
    // A project's list stays as it is while a run walks it.
    fileListHost_ = std::make_unique<CDesktopFileListHost>(
        propertiesPane_, *this, *this, [this](const CDocvaneDoc& project) { return &project != published_; });
}

std::unique_ptr<ProjectFileList> CMainFrame::MakeFileList(wxWindow* parent, CDocvaneDoc& project) {
    return std::make_unique<CFileListViewList>(new CFileListView(parent, project, *fileListHost_));
}

// ---- Panes, looks, layout ----

void CMainFrame::TogglePane(const char* name) {
    wxAuiPaneInfo& pane = aui_.GetPane(name);
    pane.Show(!pane.IsShown());
    aui_.Update();
    if (pane.IsShown() && pane.window != nullptr) {
        pane.window->SetFocus();
    }
    UpdateCommandStates();
}

void CMainFrame::ApplyLook(int look) {
    wxBusyCursor busy;
    look_ = look;
    const LookStyle style = StyleOfLook(look, lastOffice2007Look_);
    if (look >= 215 && look <= 218) {
        lastOffice2007Look_ = look;
    }
    ribbon_->ApplyStyle(style);
    output_->ResetFonts();
    Layout();
    Refresh(true);
    store_.SetNumber(kWorkspace, "ApplicationLook", look);
    store_.Save();
}

// The frame's own size can still be the requested one while GTK has given its client area a few pixels.
bool CMainFrame::HasRealSize() const {
    const wxSize size = GetSize();
    const wxSize client = GetClientSize();
    return size.GetWidth() >= kLeastFrameWidth && size.GetHeight() >= kLeastFrameHeight &&
           client.GetWidth() >= kLeastFrameWidth / 2 && client.GetHeight() >= kLeastFrameHeight / 2;
}

void CMainFrame::ShowQuickAccessOnceSized() {
    wxToolBar* bar = GetToolBar();
    if (bar == nullptr || bar->IsShown()) {
        return;
    }
    bar->Show();
    // Set only now: before the window's real size, a window manager's tiny first configures would be
    // raised to this size and lay the panes out too short for their content.
    SetMinSize(wxSize(kLeastFrameWidth, kLeastFrameHeight));
    Layout();
}

// The least height follows what sits above and below the docking area (title bar, toolbar, ribbon,
// status bar), which only the laid-out window knows.
void CMainFrame::KeepLeastSize() {
    if (GetToolBar() == nullptr || !GetToolBar()->IsShown()) {
        return;
    }
    const int around = GetSize().GetHeight() - dockHost_->GetSize().GetHeight();
    const wxSize least(kLeastFrameWidth, std::max(kLeastFrameHeight, around + kLeastDockHeight));
    if (GetMinSize() != least) {
        SetMinSize(least);
    }
}

void CMainFrame::LoadLayout() {
    const auto width = store_.GetNumber(kWorkspace, "WindowWidth");
    const auto height = store_.GetNumber(kWorkspace, "WindowHeight");
    if (width && height && *width >= 400 && *height >= 300) {
        // A size stored before the frame had its least size is raised to it: below it nothing is laid out.
        SetSize(wxSize(std::max(static_cast<int>(*width), kLeastFrameWidth),
                       std::max(static_cast<int>(*height), kLeastFrameHeight)));
    }
    const auto x = store_.GetNumber(kWorkspace, "WindowX");
    const auto y = store_.GetNumber(kWorkspace, "WindowY");
    if (x && y) {
        SetPosition(wxPoint(*x, *y));
    }
    if (store_.GetNumber(kWorkspace, "Maximized").value_or(0) != 0) {
        Maximize(true);
    }
    if (const auto layout = store_.GetText(kWorkspace, "Layout")) {
        aui_.LoadPerspective(Wx(*layout), false);
        // The captions are the program's, whatever the stored layout says.
        aui_.GetPane("output").Caption(Wx("Выпуск"));
        aui_.GetPane("properties").Caption(Wx("Свойства"));
    }
    if (store_.GetNumber(kWorkspace, "StatusBar").value_or(1) == 0) {
        GetStatusBar()->Hide();
    }
}

void CMainFrame::SaveLayout() {
    store_.SetNumber(kWorkspace, "Maximized", IsMaximized() ? 1 : 0);
    if (!IsMaximized() && !IsIconized()) {
        store_.SetNumber(kWorkspace, "WindowWidth", GetSize().GetWidth());
        store_.SetNumber(kWorkspace, "WindowHeight", GetSize().GetHeight());
        store_.SetNumber(kWorkspace, "WindowX", GetPosition().x);
        store_.SetNumber(kWorkspace, "WindowY", GetPosition().y);
    }
    store_.SetText(kWorkspace, "Layout", Utf8(aui_.SavePerspective()));
    store_.SetNumber(kWorkspace, "StatusBar", GetStatusBar()->IsShown() ? 1 : 0);
    store_.SetNumber(kWorkspace, "ApplicationLook", look_);
    recent_.Save(store_);
    store_.Save();
}

// ---- Building ----

void CMainFrame::BuildQuickAccess() {
    wxToolBar* bar = CreateToolBar(wxTB_HORIZONTAL | wxTB_FLAT | wxTB_NODIVIDER);
    const struct {
        int id;
        const wxArtID art;
    } tools[] = {{ID_FILE_NEW, wxART_NEW}, {ID_FILE_OPEN, wxART_FILE_OPEN}, {ID_FILE_SAVE, wxART_FILE_SAVE}};
    for (const auto& tool : tools) {
        bar->AddTool(MenuItemOf(tool.id), Wx(CommandLabel(tool.id)),
                     wxArtProvider::GetBitmap(tool.art, wxART_TOOLBAR, wxSize(16, 16)),
                     Wx(CommandTooltip(tool.id)));
    }
    bar->Realize();
    // Shown once the frame has its real size (ShowQuickAccessOnceSized): a toolbar allocated at the
    // few pixels of a window manager's first configure gets a negative content width.
    bar->Hide();
}

void CMainFrame::BuildDocking() {
    dockHost_ = new wxPanel(this, wxID_ANY);
    aui_.SetManagedWindow(dockHost_);
    tabs_ = std::make_unique<CProjectTabs>(dockHost_, *this, static_cast<ProjectTabsHost&>(*this));
    output_ = new COutputWnd(dockHost_);
    output_->SetHideAction([this] {
        SetFocus();
        aui_.GetPane("output").Hide();
        aui_.Update();
    });
    propertiesHost_ = new wxPanel(dockHost_, 150);
    aui_.AddPane(tabs_->Notebook(), wxAuiPaneInfo().Name("projects").CenterPane().PaneBorder(false));
    aui_.AddPane(output_, wxAuiPaneInfo()
                              .Name("output")
                              .Caption(Wx("Выпуск"))
                              .Bottom()
                              .BestSize(100, 180)
                              .MinSize(100, 60)
                              .FloatingSize(600, 240)
                              .CloseButton(true));
    aui_.AddPane(propertiesHost_, wxAuiPaneInfo()
                                      .Name("properties")
                                      .Caption(Wx("Свойства"))
                                      .Right()
                                      .BestSize(200, 200)
                                      .MinSize(120, 100)
                                      .FloatingSize(300, 400)
                                      .CloseButton(true));
}

// ---- Projects ----

CProjectPanel* CMainFrame::ActivePanel() const {
    return tabs_->ActivePanel();
}

CDocvaneDoc* CMainFrame::ActiveProject() const {
    return tabs_->ActiveProject();
}

std::vector<CProjectPanel*> CMainFrame::Panels() const {
    return tabs_->Panels();
}

bool CMainFrame::OpenProjectFile(const std::string& path) {
    return tabs_->OpenProjectFile(path);
}

void CMainFrame::NewProject() {
    tabs_->NewProject();
}

void CMainFrame::FileSelected(CDocvaneDoc& project) {
    ShowProjectProperties(&project);
}

void CMainFrame::ActiveTabChanged() {
    ribbon_->ShowProjectSettings();
    UpdateCommandStates();
}

// The pane may still show a file of the project that just closed; it must not keep pointing into it.
void CMainFrame::TabClosed() {
    if (propertiesPane_ != nullptr) {
        propertiesPane_->ShowProperties(nullptr, nullptr);
    }
}

void CMainFrame::TitlesChanged() {
    UpdateTitles();
}

void CMainFrame::ProjectEdited() {
    UpdateTitles();
}

void CMainFrame::StatesChanged() {
    UpdateCommandStates();
}

void CMainFrame::UpdateTitles() {
    tabs_->UpdateTabTitles();
    const wxString tab = tabs_->ActiveTabTitle();
    wxString title = Wx("Docvane");
    if (ActiveProject() != nullptr) {
        title = tab + " - " + title;
    }
    if (GetTitle() != title) {
        SetTitle(title);
    }
}

void CMainFrame::OnClose(wxCloseEvent& event) {
    if (IsWorkerActive() && event.CanVeto()) {
        // The run ends first; the window closes once its worker is gone. The event loop keeps running
        // meanwhile, so the worker's last calls still reach the window.
        if (closeTimer_.IsRunning()) {
            EmergencyStop();  // closing again while the run winds down abandons the servers
        } else {
            RequestCancel();
        }
        event.Veto();
        closeTimer_.Start(100);
        return;
    }
    if (event.CanVeto() && !tabs_->ConfirmCloseAll()) {
        event.Veto();
        return;
    }
    SaveLayout();
    stateTimer_.Stop();
    if (onClosing_) {
        onClosing_();
    }
    Destroy();
}

// ---- Commands ----

void CMainFrame::RunCommand(int id) {
    wxCommandEvent command(wxEVT_MENU, id);
    OnCommand(command);
}

void CMainFrame::ShowAbout() {
    wxDialog about(this, 100, Wx("О Docvane"));
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(new wxStaticText(&about, 1019, Wx(std::string("Docvane, версия: ") + kVersion)), 0, wxALL, 16);
    auto* ok = new wxButton(&about, wxID_OK, Wx("ОК"));
    ok->SetDefault();
    sizer->Add(ok, 0, wxALIGN_RIGHT | wxLEFT | wxRIGHT | wxBOTTOM, 12);
    about.SetSizerAndFit(sizer);
    about.CentreOnParent();
    about.ShowModal();
}

void CMainFrame::OnCommand(wxCommandEvent& event) {
    const int id = CommandOfMenuItem(event.GetId());
    if (IsLookCommand(id)) {
        ApplyLook(id);
        return;
    }
    if (id >= kRecentMenuBase && id < kRecentMenuBase + static_cast<int>(RecentFiles::kMaxEntries)) {
        const auto& entries = recent_.Entries();
        const auto index = static_cast<size_t>(id - kRecentMenuBase);
        if (index < entries.size()) {
            const std::string path = entries[index];
            OpenProjectFile(path);
        }
        return;
    }
    const bool editable = IsEditingEnabled(ActiveProject(), published_) && ActiveProject() != nullptr;
    switch (id) {
        case ID_FILE_NEW:
            NewProject();
            break;
        case ID_FILE_OPEN:
            tabs_->AskAndOpen();
            break;
        case ID_FILE_SAVE:
        case ID_FILE_SAVE_AS:
            if (CDocvaneDoc* project = ActiveProject()) {
                tabs_->SaveProject(*project, id == ID_FILE_SAVE_AS);
            }
            break;
        case ID_FILE_CLOSE:
            tabs_->CloseActive();
            break;
        case ID_APP_EXIT:
            Close();
            break;
        case ID_APP_ABOUT:
            ShowAbout();
            break;
        case ID_PROPERTY:
            OnSettings();
            break;
        case ID_UPDATE:
            OnUpdateCheck();
            break;
        case ID_PUBLIC_FAST:
        case ID_PUBLIC_LONG:
            OnPublish(id);
            break;
        case ID_STOP_PUBLIC:
            OnStopPublish();
            break;
        case ID_REFRESH:
            OnRefresh();
            break;
        case ID_FIELDS:
            if (editable) {
                OnFields();
            }
            break;
        case ID_LISP:
            if (editable) {
                OnScriptLisp();
            }
            break;
        case ID_VBA:
            if (editable) {
                OnScriptVba();
            }
            break;
        case ID_WINDOW_MANAGER:
            tabs_->ChooseTab();
            break;
        case ID_WINDOW_NEW:
            tabs_->OpenSecondView();
            break;
        case ID_VIEW_STATUS_BAR:
            GetStatusBar()->Show(!GetStatusBar()->IsShown());
            SendSizeEvent();
            UpdateCommandStates();
            break;
        case ID_VIEW_OUTPUT_WND:
            TogglePane("output");
            break;
        case ID_VIEW_PROPERTY_WND:
            TogglePane("properties");
            break;
        default:
            ribbon_->ToggleFlag(id);
            break;
    }
}

}  // namespace docvane
