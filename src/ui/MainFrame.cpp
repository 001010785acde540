#include "ui/MainFrame.h"

#include <algorithm>

#include <wx/accel.h>
#include <wx/artprov.h>
#include <wx/aui/auibook.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/combobox.h>
#include <wx/dirdlg.h>
#include <wx/filedlg.h>
#include <wx/menu.h>
#include <wx/msgdlg.h>
#include <wx/ribbon/art.h>
#include <wx/ribbon/bar.h>
#include <wx/ribbon/buttonbar.h>
#include <wx/ribbon/page.h>
#include <wx/ribbon/panel.h>
#include <wx/settings.h>
#include <wx/sizer.h>
#include <wx/statusbr.h>
#include <wx/textctrl.h>
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
constexpr int kLeastFrameWidth = 640;
constexpr int kLeastFrameHeight = 420;

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

wxColour FromRgb(std::uint32_t rgb) {
    return wxColour(static_cast<unsigned char>((rgb >> 16) & 0xFF),
                    static_cast<unsigned char>((rgb >> 8) & 0xFF), static_cast<unsigned char>(rgb & 0xFF));
}

}  // namespace

CMainFrame::CMainFrame(SettingsStore& store)
    : wxFrame(nullptr, wxID_ANY, Wx("Docvane"), wxDefaultPosition, wxSize(1200, 760)),
      publishWorker(PublishWorker),
      store_(store),
      stateTimer_(this),
      closeTimer_(this) {
    look_ = store_.GetNumber(kWorkspace, "ApplicationLook").value_or(kDefaultApplicationLook);
    lastOffice2007Look_ = kDefaultApplicationLook;
    recent_.Load(store_);

    BuildQuickAccess();
    BuildRibbon();
    BuildDocking();
    BuildProjectViews();
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(ribbon_, 0, wxEXPAND);
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
    Bind(wxEVT_CHAR_HOOK, &CMainFrame::OnCharHook, this);
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
            FitPathBoxes();
            FitDocks();
        });
    });
    // The docks shrink as soon as the docking area has its new size, before GTK lays the panes out:
    // one layout with the old docks in a short window squeezes the file list below its scroll bar.
    dockHost_->Bind(wxEVT_SIZE, [this](wxSizeEvent& event) {
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
    ShowProjectSettings();
    ribbon_->Realize();
    FitPathBoxes();
    ribbon_->Refresh();
    UpdateTitles();
    UpdateCommandStates();
}

// ---- Command states ----

void CMainFrame::EnableRibbonButton(wxRibbonButtonBar* bar, int id, bool enable) {
    const auto known = buttonStates_.find(id);
    if (known != buttonStates_.end() && known->second == enable) {
        return;
    }
    if (bar->GetItemById(id) == nullptr) {
        return;
    }
    bar->EnableButton(id, enable);
    buttonStates_[id] = enable;
}

void CMainFrame::UpdateCommandStates() {
    CDocvaneDoc* active = ActiveProject();
    const bool edit = IsEditingEnabled(active, published_);
    for (const auto& [bar, id] : editButtons_) {
        EnableRibbonButton(bar, id, edit);
    }
    EnableRibbonButton(publishBar_, ID_STOP_PUBLIC,
                       stopControl_.OnUpdateStopPublish(active != nullptr && active == published_));
    for (wxComboBox* box : pathBoxes_) {
        box->Enable(edit);
    }
    xrefDir_->Enable(edit);
    format_->Enable(edit);
    for (auto& [id, box] : numbers_) {
        box->Enable(edit);
    }
    for (auto& [id, box] : checks_) {
        if (id == ID_VIEW_STATUS_BAR) {
            box->SetValue(GetStatusBar() != nullptr && GetStatusBar()->IsShown());
        } else if (id == ID_VIEW_OUTPUT_WND) {
            box->SetValue(aui_.GetPane("output").IsShown());
        } else if (id == ID_VIEW_PROPERTY_WND) {
            box->SetValue(aui_.GetPane("properties").IsShown());
        } else {
            box->Enable(edit);
            if (active != nullptr) {
                if (bool* flag = ProjectFlag(*active, id)) {
                    box->SetValue(*flag);
                }
            }
        }
    }
    UpdateTitles();
}

// ---- Publication ----

void CMainFrame::SyncPublishButton() {
    const bool running = published_ != nullptr;
    if (running == stopShown_) {
        return;
    }
    const int oldId = running ? ID_PUBLIC_FAST : ID_STOP_PUBLIC;
    const int newId = running ? ID_STOP_PUBLIC : ID_PUBLIC_FAST;
    std::size_t index = 0;
    for (std::size_t i = 0; i < publishBar_->GetButtonCount(); ++i) {
        if (publishBar_->GetItemId(publishBar_->GetItem(i)) == oldId) {
            index = i;
            break;
        }
    }
    publishBar_->DeleteButton(oldId);
    buttonStates_.erase(oldId);
    buttonStates_.erase(newId);
    const wxBitmap icon = wxArtProvider::GetBitmap(running ? wxART_CROSS_MARK : wxART_GO_FORWARD,
                                                   wxART_TOOLBAR, wxSize(32, 32));
    publishBar_->InsertButton(
        index, newId, Wx(CommandLabel(newId)), icon, wxNullBitmap, DisabledRibbonIcon(icon), wxNullBitmap,
        running ? wxRIBBON_BUTTON_NORMAL : wxRIBBON_BUTTON_HYBRID, Wx(CommandTooltip(newId)));
    publishBar_->SetButtonMinSizeClass(newId, wxRIBBON_BUTTONBAR_BUTTON_LARGE);
    stopShown_ = running;
    publishBar_->Realize();
    ribbon_->Realize();
    FitPathBoxes();
    ribbon_->Refresh();
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
    pathBoxes_[0]->ChangeValue(Wx(RelativePath(project->pdfFile)));
    publishing_ = project;
    if (!StartPublishJob(PublishJob{id == ID_PUBLIC_FAST, project, publishWorker})) {
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

// ---- Ribbon boxes ----

void CMainFrame::ShowProjectSettings() {
    CDocvaneDoc* project = ActiveProject();
    if (project == nullptr) {
        return;
    }
    pathBoxes_[0]->ChangeValue(Wx(PathBoxText(*project, PathBox::CombinedPdf)));
    pathBoxes_[1]->ChangeValue(Wx(PathBoxText(*project, PathBox::PdfDir)));
    pathBoxes_[2]->ChangeValue(Wx(PathBoxText(*project, PathBox::EditDir)));
    ApplyPathBoxes();
    for (auto& [id, box] : numbers_) {
        if (int* number = ProjectNumber(*project, id)) {
            box->SetText(wxString::Format("%d", *number));
        }
    }
    const wxString format = Wx(project->propertyDoc.autocad.fileFormat);
    const int item = format_->FindString(format);
    format_->SetSelection(item);
    xrefDir_->ChangeValue(Wx(project->propertyDoc.autocad.xrefDir));
    for (auto& [id, box] : checks_) {
        if (bool* flag = ProjectFlag(*project, id)) {
            box->SetValue(*flag);
        }
    }
}

void CMainFrame::ApplyPathBoxes() {
    CDocvaneDoc* project = ActiveProject();
    // The pane follows the active project also while that project is being published.
    OnShowProperties(project);
    if (project == nullptr || !IsEditingEnabled(project, published_)) {
        return;
    }
    const PathBoxTexts texts{Utf8(pathBoxes_[0]->GetValue()), Utf8(pathBoxes_[1]->GetValue()),
                             Utf8(pathBoxes_[2]->GetValue())};
    const PathBoxAction action = DecidePathBoxAction(texts);
    if (action != PathBoxAction::TakeTexts) {
        PathBox box = PathBox::CombinedPdf;
        std::string chosen;
        if (action == PathBoxAction::PickCombinedPdf) {
            chosen = AskCombinedPdfPath();
        } else {
            box = action == PathBoxAction::PickPdfDir ? PathBox::PdfDir : PathBox::EditDir;
            wxDirDialog dialog(this, wxEmptyString, wxEmptyString, wxDD_DEFAULT_STYLE | wxDD_DIR_MUST_EXIST);
            if (dialog.ShowModal() == wxID_OK) {
                chosen = Utf8(dialog.GetPath());
            }
        }
        TakePickedPath(*project, box, chosen);
        wxComboBox* combo = pathBoxes_[static_cast<int>(box)];
        combo->ChangeValue(Wx(PathBoxText(*project, box)));
        combo->SetFocus();
        combo->SelectAll();
        UpdateTitles();
        return;
    }
    TakePathBoxTexts(*project, texts);
    FillPathBoxLists(*project);
}

void CMainFrame::FillPathBoxLists(CDocvaneDoc& project) {
    const ApplicationSettings& settings = AppSettings();
    for (int i = 0; i < 3; ++i) {
        const auto box = static_cast<PathBox>(i);
        wxComboBox* combo = pathBoxes_[i];
        combo->Clear();
        const wxString text = Wx(PathBoxText(project, box));
        if (combo->GetValue() != text) {
            combo->ChangeValue(text);
        }
        for (const std::string& item :
             PathBoxItems(project, box, settings.pdfDirName, settings.editDirName)) {
            combo->Append(Wx(item));
        }
        // Clearing the list may have taken the text with it.
        if (combo->GetValue() != text) {
            combo->ChangeValue(text);
        }
    }
}

void CMainFrame::FitPathBoxes() {
    if (homePage_ == nullptr || pathPanel_ == nullptr) {
        return;
    }
    // Measured from what the panels need, not from what they were last given: a page that is not
    // shown keeps an old size, and the publication panel changes width when Stop replaces Publish.
    // A page is as wide as the ribbon, less its scroll arrows when it shows them.
    const int pageWidth = ribbon_->GetClientSize().GetWidth();
    wxRibbonArtProvider* art = ribbon_->GetArtProvider();
    int others = art->GetMetric(wxRIBBON_ART_PAGE_BORDER_LEFT_SIZE) +
                 art->GetMetric(wxRIBBON_ART_PAGE_BORDER_RIGHT_SIZE) + kPathPanelSlack;
    int panels = 0;
    for (wxWindow* child : homePage_->GetChildren()) {
        if (auto* panel = dynamic_cast<wxRibbonPanel*>(child)) {
            ++panels;
            if (panel != pathPanel_) {
                // The widest a panel has been: its button layout changes with the room it gets and
                // with the run, and the boxes must not follow it.
                panel->InvalidateBestSize();
                int& widest = panelWidths_[panel];
                widest = std::max(widest, panel->GetBestSize().GetWidth());
                others += widest;
            }
        }
    }
    others += art->GetMetric(wxRIBBON_ART_PANEL_X_SEPARATION_SIZE) * std::max(0, panels - 1);
    // The labels, open buttons and borders of the path panel take more room here than the 200 pixels
    // the arithmetic leaves for them; the excess is counted with the other panels.
    const int boxWidth = pathBoxes_[0]->GetMinSize().GetWidth();
    pathPanel_->InvalidateBestSize();
    const int overhead = pathPanel_->GetBestSize().GetWidth() - boxWidth - 200;
    const int width = FitPathBoxWidth(pageWidth, others + std::max(0, overhead));
    if (boxWidth == width) {
        return;
    }
    for (wxComboBox* box : pathBoxes_) {
        box->SetMinSize(wxSize(width, -1));
        box->SetSize(wxSize(width, -1));
        box->InvalidateBestSize();
    }
    pathPanel_->InvalidateBestSize();
    pathPanel_->Layout();
    ribbon_->Realize();
    Layout();
}

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

void CMainFrame::OnFlag(int id) {
    CDocvaneDoc* project = ActiveProject();
    if (project == nullptr || !IsEditingEnabled(project, published_)) {
        return;
    }
    ToggleProjectFlag(*project, id);
    UpdateCommandStates();
}

void CMainFrame::OnNumber(int id, const std::string& text) {
    CDocvaneDoc* project = ActiveProject();
    if (project == nullptr || !IsEditingEnabled(project, published_)) {
        return;
    }
    StoreProjectNumber(*project, id, text);
    UpdateTitles();
}

void CMainFrame::OnText(int id, const std::string& text) {
    CDocvaneDoc* project = ActiveProject();
    if (project == nullptr || !IsEditingEnabled(project, published_)) {
        return;
    }
    StoreProjectText(*project, id, text);
    UpdateTitles();
}

void CMainFrame::OnOpenPath(int id) {
    CDocvaneDoc* project = ActiveProject();
    if (project == nullptr) {
        return;
    }
    std::string path;
    switch (id) {
        case ID_OPEN_COMPILE_PDF:
            path = project->pdfFile.fullPath;
            break;
        case ID_OPEN_EXIT_PDF_DIR:
            path = project->pdfDir.fullPath;
            break;
        default:
            path = project->editDir.fullPath;
            break;
    }
    if (!FileExists(path)) {
        path = ShortName(path);
    }
    if (!path.empty() && FileExists(path)) {
        OpenWithDesktop(path);
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
    ShowProjectSettings();
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

void CMainFrame::OnShowProperties(CDocvaneDoc* project) {
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
    fileListFactory = [this](wxWindow* parent, CDocvaneDoc& project) -> std::unique_ptr<ProjectFileList> {
        return std::make_unique<CFileListViewList>(new CFileListView(parent, project, *fileListHost_));
    };
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
    wxRibbonArtProvider* art = style.art == RibbonArt::Flat
                                   ? static_cast<wxRibbonArtProvider*>(new wxRibbonAUIArtProvider)
                                   : static_cast<wxRibbonArtProvider*>(new wxRibbonMSWArtProvider);
    ribbon_->SetArtProvider(art);
    if (style.systemColours) {
        art->SetColourScheme(wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOW),
                             wxSystemSettings::GetColour(wxSYS_COLOUR_3DLIGHT),
                             wxSystemSettings::GetColour(wxSYS_COLOUR_GRAYTEXT));
    } else {
        art->SetColourScheme(FromRgb(style.primary), FromRgb(style.secondary), FromRgb(style.tertiary));
    }
    // The scheme gives disabled labels the enabled colour; they grey like their icons instead.
    const auto rgb = [](const wxColour& colour) {
        return (static_cast<std::uint32_t>(colour.Red()) << 16) |
               (static_cast<std::uint32_t>(colour.Green()) << 8) | colour.Blue();
    };
    art->SetColour(wxRIBBON_ART_BUTTON_BAR_LABEL_DISABLED_COLOUR,
                   FromRgb(DisabledLabelRgb(rgb(art->GetColour(wxRIBBON_ART_BUTTON_BAR_LABEL_COLOUR)),
                                            rgb(art->GetColour(wxRIBBON_ART_PAGE_BACKGROUND_COLOUR)))));
    ribbon_->GetPage(0)->SetLabel(Wx("Файл"));
    ribbon_->Realize();
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

}  // namespace docvane
