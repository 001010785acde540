// The main window's projects: tabs, opening, saving, closing; command routing and menus.
#include <wx/aui/auibook.h>
#include <wx/button.h>
#include <wx/choicdlg.h>
#include <wx/filedlg.h>
#include <wx/filefn.h>
#include <wx/menu.h>
#include <wx/msgdlg.h>
#include <wx/ribbon/bar.h>
#include <wx/ribbon/buttonbar.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/statusbr.h>

#include <set>

#include "base/PathUtils.h"
#include "desktop/ApplicationLooks.h"
#include "desktop/CommandAccelerators.h"
#include "desktop/CommandIds.h"
#include "desktop/CommandTexts.h"
#include "desktop/FileFailures.h"
#include "desktop/RibbonRules.h"
#include "desktop/SaveNames.h"
#include "output/ProjectDocument.h"
#include "project/DocvaneDoc.h"
#include "run/Cancel.h"
#include "ui/MainFrame.h"
#include "views/ProjectPanel.h"
#include "views/PropertiesPane.h"
#include "views/WxText.h"
#include "worker/PublishWorker.h"
#include "worker/StopControl.h"

namespace docvane {

namespace {

const char* const kProjectWildcard = "DV1 файл (*.dv1)|*.dv1|Все файлы (*.*)|*.*";
const char* const kVersion = "0.8.38.195";
constexpr int kRecentBase = wxID_FILE1;

// A menu shows the command's shortcut at its right edge.
wxString AcceleratorSuffix(int id) {
    const std::string text = AcceleratorText(id);
    return text.empty() ? wxString() : Wx("\t" + text);
}

wxString MenuLabel(int id) {
    return Wx(CommandLabel(id)) + AcceleratorSuffix(id);
}

}  // namespace

CProjectPanel* CMainFrame::ActivePanel() const {
    const int page = notebook_->GetSelection();
    if (page == wxNOT_FOUND) {
        return nullptr;
    }
    return dynamic_cast<CProjectPanel*>(notebook_->GetPage(static_cast<size_t>(page)));
}

CDocvaneDoc* CMainFrame::ActiveProject() const {
    CProjectPanel* panel = ActivePanel();
    return panel != nullptr ? &panel->Project() : nullptr;
}

std::vector<CProjectPanel*> CMainFrame::Panels() const {
    std::vector<CProjectPanel*> panels;
    for (size_t i = 0; i < notebook_->GetPageCount(); ++i) {
        if (auto* panel = dynamic_cast<CProjectPanel*>(notebook_->GetPage(i))) {
            panels.push_back(panel);
        }
    }
    return panels;
}

wxWindow* CMainFrame::Control(int id) const {
    const auto found = controls_.find(id);
    return found != controls_.end() ? found->second : nullptr;
}

wxString CMainFrame::TabTitle(const CDocvaneDoc& project) const {
    wxString title;
    for (CProjectPanel* panel : Panels()) {
        if (&panel->Project() == &project) {
            title = notebook_->GetPageText(static_cast<size_t>(notebook_->GetPageIndex(panel)));
            break;
        }
    }
    return title;
}

void CMainFrame::UpdateTitles() {
    for (CProjectPanel* panel : Panels()) {
        const CDocvaneDoc& project = panel->Project();
        wxString name = project.PathName().empty() ? panel->GetName() : Wx(FileName(project.PathName()));
        if (project.IsModified()) {
            name += "*";
        }
        const size_t index = static_cast<size_t>(notebook_->GetPageIndex(panel));
        if (notebook_->GetPageText(index) != name) {
            notebook_->SetPageText(index, name);
        }
    }
    const CDocvaneDoc* active = ActiveProject();
    wxString title = Wx("Docvane");
    if (active != nullptr) {
        title = notebook_->GetPageText(static_cast<size_t>(notebook_->GetSelection())) + " - " + title;
    }
    if (GetTitle() != title) {
        SetTitle(title);
    }
}

void CMainFrame::AddPanel(std::shared_ptr<CDocvaneDoc> project) {
    auto* panel = new CProjectPanel(notebook_, project, fileListFactory);
    if (project->PathName().empty()) {
        panel->SetName(wxString::Format("Docvane%d", ++newCount_));
    }
    panel->FileList().SetSelectionCallback([this, panel](long) {
        if (panel == ActivePanel()) {
            OnShowProperties(&panel->Project());
        }
    });
    notebook_->AddPage(panel, panel->GetName(), true);
    UpdateTitles();
    ShowProjectSettings();
    UpdateCommandStates();
}

void CMainFrame::NewProject() {
    AddPanel(std::make_shared<CDocvaneDoc>());
}

bool CMainFrame::OpenProjectFile(const std::string& path) {
    const std::string absolute =
        NormalizeLexically(IsAbsolutePath(path) ? path : JoinPath(Utf8(wxGetCwd()), path));
    for (CProjectPanel* panel : Panels()) {
        if (panel->Project().PathName() == absolute) {
            notebook_->SetSelection(static_cast<size_t>(notebook_->GetPageIndex(panel)));
            return true;
        }
    }
    auto project = std::make_shared<CDocvaneDoc>();
    std::string error;
    if (!OpenProjectDocument(*project, absolute, &error)) {
        recent_.Remove(absolute);
        wxMessageBox(Wx("Не удалось открыть документ \"" + absolute + "\".\n" + ReadFailureReason(absolute)),
                     Wx("Docvane"), wxOK | wxICON_ERROR, this);
        return false;
    }
    project->SetPathName(absolute);
    recent_.Add(absolute);
    AddPanel(project);
    return true;
}

void CMainFrame::OnFileOpen() {
    wxFileDialog dialog(this, Wx("Открыть"), wxEmptyString, wxEmptyString, Wx(kProjectWildcard),
                        wxFD_OPEN | wxFD_FILE_MUST_EXIST);
    if (dialog.ShowModal() == wxID_OK) {
        OpenProjectFile(Utf8(dialog.GetPath()));
    }
}

bool CMainFrame::SaveProject(CDocvaneDoc& project, bool askName) {
    std::string path = project.PathName();
    if (askName || path.empty() || LowerExtension(path) != ".dv1") {
        const std::string folder = path.empty() ? std::string() : ParentPath(path);
        const std::string name = path.empty()
                                     ? Utf8(TabTitle(project)).substr(0, Utf8(TabTitle(project)).find('*'))
                                     : FileStem(path);
        wxFileDialog dialog(this, Wx("Сохранить как"), Wx(folder), Wx(name + ".dv1"), Wx(kProjectWildcard),
                            wxFD_SAVE);
        path = AskSaveName(
            [&dialog] { return dialog.ShowModal() == wxID_OK ? Utf8(dialog.GetPath()) : std::string(); },
            ".dv1", [this](const std::string& existing) { return ConfirmReplace(existing); });
        if (path.empty()) {
            return false;
        }
    }
    std::string error;
    if (!SaveProjectDocument(project, path, &error)) {
        wxMessageBox(Wx("Не удалось сохранить документ \"" + path + "\".\n" + WriteFailureReason(path)),
                     Wx("Docvane"), wxOK | wxICON_ERROR, this);
        return false;
    }
    recent_.Add(path);
    UpdateTitles();
    return true;
}

bool CMainFrame::ConfirmClose(CProjectPanel* panel) {
    CDocvaneDoc& project = panel->Project();
    if (&project == published_) {
        return false;  // its run still reads it
    }
    for (CProjectPanel* other : Panels()) {
        if (other != panel && &other->Project() == &project) {
            return true;  // another view keeps it open
        }
    }
    if (!project.IsModified()) {
        return true;
    }
    const wxString name = project.PathName().empty() ? panel->GetName() : Wx(FileName(project.PathName()));
    wxMessageDialog ask(this, Wx("Сохранить изменения в \"") + name + Wx("\"?"), Wx("Docvane"),
                        wxYES_NO | wxCANCEL | wxICON_QUESTION);
    ask.SetYesNoCancelLabels(Wx("Да"), Wx("Нет"), Wx("Отмена"));
    switch (ask.ShowModal()) {
        case wxID_YES:
            return SaveProject(project, false);
        case wxID_NO:
            return true;
        default:
            return false;
    }
}

void CMainFrame::OnPageClose(wxAuiNotebookEvent& event) {
    auto* panel = dynamic_cast<CProjectPanel*>(notebook_->GetPage(static_cast<size_t>(event.GetSelection())));
    if (panel != nullptr && !ConfirmClose(panel)) {
        event.Veto();
        return;
    }
    CallAfter([this] {
        ForgetClosedProjectProperties();
        UpdateTitles();
        ShowProjectSettings();
        UpdateCommandStates();
    });
}

// The pane may still show a file of the project that just closed; it must not keep pointing into it.
void CMainFrame::ForgetClosedProjectProperties() {
    if (propertiesPane_ != nullptr) {
        propertiesPane_->ShowProperties(nullptr, nullptr);
    }
}

void CMainFrame::OnFileClose() {
    CProjectPanel* panel = ActivePanel();
    if (panel == nullptr || !ConfirmClose(panel)) {
        return;
    }
    notebook_->DeletePage(static_cast<size_t>(notebook_->GetPageIndex(panel)));
    ForgetClosedProjectProperties();
    UpdateTitles();
    ShowProjectSettings();
    UpdateCommandStates();
}

void CMainFrame::OnPageChanged(wxAuiNotebookEvent& event) {
    event.Skip();
    ShowProjectSettings();
    UpdateCommandStates();
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
    if (event.CanVeto()) {
        std::set<CDocvaneDoc*> asked;
        for (CProjectPanel* panel : Panels()) {
            if (!asked.insert(&panel->Project()).second || !panel->Project().IsModified()) {
                continue;
            }
            notebook_->SetSelection(static_cast<size_t>(notebook_->GetPageIndex(panel)));
            CDocvaneDoc& project = panel->Project();
            const wxString name =
                project.PathName().empty() ? panel->GetName() : Wx(FileName(project.PathName()));
            wxMessageDialog ask(this, Wx("Сохранить изменения в \"") + name + Wx("\"?"), Wx("Docvane"),
                                wxYES_NO | wxCANCEL | wxICON_QUESTION);
            ask.SetYesNoCancelLabels(Wx("Да"), Wx("Нет"), Wx("Отмена"));
            const int answer = ask.ShowModal();
            if (answer == wxID_CANCEL || (answer == wxID_YES && !SaveProject(project, false))) {
                event.Veto();
                return;
            }
        }
    }
    SaveLayout();
    stateTimer_.Stop();
    if (onClosing) {
        onClosing();
    }
    Destroy();
}

void CMainFrame::OnCharHook(wxKeyEvent& event) {
    const int key = event.GetKeyCode();
    const bool letterOrDigit = (key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9');
    if (event.GetModifiers() == wxMOD_ALT && letterOrDigit) {
        keyTips_ = CategoryOfKeyTip(static_cast<char>(key));
        if (!keyTips_) {
            event.Skip();
            return;
        }
        const int page = static_cast<int>(*keyTips_);
        if (*keyTips_ != RibbonCategory::ApplicationMenu && *keyTips_ != RibbonCategory::Style) {
            ribbon_->SetActivePage(static_cast<size_t>(page));
        }
        return;
    }
    if (!keyTips_ || event.GetModifiers() != wxMOD_NONE) {
        event.Skip();
        return;
    }
    const RibbonCategory category = *keyTips_;
    keyTips_.reset();
    const int command = letterOrDigit ? CommandOfKeyTip(category, static_cast<char>(key)) : 0;
    if (command != 0) {
        wxCommandEvent run(wxEVT_MENU, command);
        OnCommand(run);
    } else if (category == RibbonCategory::ApplicationMenu && key != WXK_ESCAPE) {
        ShowApplicationMenu();
    } else if (category == RibbonCategory::Style && key != WXK_ESCAPE) {
        ShowLookMenu();
    } else if (key != WXK_ESCAPE) {
        event.Skip();
    }
}

void CMainFrame::OnNewWindow() {
    CProjectPanel* panel = ActivePanel();
    if (panel != nullptr) {
        AddPanel(panel->SharedProject());
    }
}

void CMainFrame::OnWindowManager() {
    wxArrayString names;
    for (size_t i = 0; i < notebook_->GetPageCount(); ++i) {
        names.Add(notebook_->GetPageText(i));
    }
    if (names.empty()) {
        return;
    }
    wxSingleChoiceDialog dialog(this, wxEmptyString, Wx("Окна"), names);
    if (auto* ok = dynamic_cast<wxButton*>(dialog.FindWindow(wxID_OK))) {
        ok->SetLabel(Wx("ОК"));
    }
    if (auto* cancel = dynamic_cast<wxButton*>(dialog.FindWindow(wxID_CANCEL))) {
        cancel->SetLabel(Wx("Отмена"));
    }
    dialog.SetSelection(std::max(0, notebook_->GetSelection()));
    if (dialog.ShowModal() == wxID_OK) {
        notebook_->SetSelection(static_cast<size_t>(dialog.GetSelection()));
    }
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

void CMainFrame::ShowApplicationMenu() {
    wxMenu menu;
    for (int id : {ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_SAVE, ID_FILE_SAVE_AS, ID_PROPERTY, ID_UPDATE}) {
        menu.Append(MenuItemOf(id), MenuLabel(id), Wx(CommandTooltip(id)));
    }
    auto* recent = new wxMenu;
    const auto& entries = recent_.Entries();
    for (size_t i = 0; i < entries.size(); ++i) {
        recent->Append(kRecentBase + static_cast<int>(i), Wx(std::to_string(i + 1) + " " + entries[i]));
    }
    menu.AppendSubMenu(recent, Wx("Последние документы"));
    menu.AppendSeparator();
    menu.Append(MenuItemOf(ID_FILE_CLOSE), MenuLabel(ID_FILE_CLOSE), Wx(CommandTooltip(ID_FILE_CLOSE)));
    menu.Append(MenuItemOf(ID_APP_EXIT), MenuLabel(ID_APP_EXIT), Wx(CommandTooltip(ID_APP_EXIT)));
    const bool hasProject = ActiveProject() != nullptr;
    menu.Enable(MenuItemOf(ID_FILE_SAVE), hasProject);
    menu.Enable(MenuItemOf(ID_FILE_SAVE_AS), hasProject);
    menu.Enable(MenuItemOf(ID_FILE_CLOSE), hasProject);
    PopupMenu(&menu, ribbon_->GetPosition() + wxPoint(0, 24));
}

void CMainFrame::ShowLookMenu() {
    wxMenu menu;
    for (const LookMenuItem& item : LookMenuItems()) {
        menu.AppendCheckItem(MenuItemOf(item.look), Wx(item.label));
        menu.Check(MenuItemOf(item.look), item.look == look_);
    }
    PopupMenu(&menu, ScreenToClient(wxGetMousePosition()));
}

void CMainFrame::OnPageChanging(wxRibbonBarEvent& event) {
    if (event.GetPage() == appPage_) {
        event.Veto();
        CallAfter([this] { ShowApplicationMenu(); });
    } else if (event.GetPage() == stylePage_) {
        event.Veto();
        CallAfter([this] { ShowLookMenu(); });
    } else {
        event.Skip();
    }
}

void CMainFrame::OnRibbonButton(wxRibbonButtonBarEvent& event) {
    wxCommandEvent command(wxEVT_MENU, event.GetId());
    OnCommand(command);
}

void CMainFrame::OnRibbonDropdown(wxRibbonButtonBarEvent& event) {
    wxMenu menu;
    if (event.GetId() == ID_PUBLIC_FAST) {
        menu.Append(MenuItemOf(ID_PUBLIC_FAST),
                    Wx("Публикация (быстрая)") + AcceleratorSuffix(ID_PUBLIC_FAST),
                    Wx(CommandTooltip(ID_PUBLIC_FAST)));
        menu.Append(MenuItemOf(ID_PUBLIC_LONG), Wx("Публикация (полная)") + AcceleratorSuffix(ID_PUBLIC_LONG),
                    Wx(CommandTooltip(ID_PUBLIC_LONG)));
    } else if (event.GetId() == ID_WINDOW_MANAGER) {
        menu.Append(MenuItemOf(ID_WINDOW_NEW), MenuLabel(ID_WINDOW_NEW), Wx(CommandTooltip(ID_WINDOW_NEW)));
        menu.Enable(MenuItemOf(ID_WINDOW_NEW), ActiveProject() != nullptr);
    } else {
        return;
    }
    ShowProjectSettings();
    event.PopupMenu(&menu);
}

void CMainFrame::OnCommand(wxCommandEvent& event) {
    const int id = CommandOfMenuItem(event.GetId());
    if (IsLookCommand(id)) {
        ApplyLook(id);
        return;
    }
    if (id >= kRecentBase && id < kRecentBase + static_cast<int>(RecentFiles::kMaxEntries)) {
        const auto& entries = recent_.Entries();
        const auto index = static_cast<size_t>(id - kRecentBase);
        if (index < entries.size()) {
            const std::string path = entries[index];
            OpenProjectFile(path);
        }
        return;
    }
    switch (id) {
        case ID_FILE_NEW:
            NewProject();
            break;
        case ID_FILE_OPEN:
            OnFileOpen();
            break;
        case ID_FILE_SAVE:
        case ID_FILE_SAVE_AS:
            if (CDocvaneDoc* project = ActiveProject()) {
                SaveProject(*project, id == ID_FILE_SAVE_AS);
            }
            break;
        case ID_FILE_CLOSE:
            OnFileClose();
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
            if (IsEditingEnabled(ActiveProject(), published_) && ActiveProject() != nullptr) {
                OnFields();
            }
            break;
        case ID_LISP:
            if (IsEditingEnabled(ActiveProject(), published_) && ActiveProject() != nullptr) {
                OnScriptLisp();
            }
            break;
        case ID_VBA:
            if (IsEditingEnabled(ActiveProject(), published_) && ActiveProject() != nullptr) {
                OnScriptVba();
            }
            break;
        case ID_WINDOW_MANAGER:
            OnWindowManager();
            break;
        case ID_WINDOW_NEW:
            OnNewWindow();
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
            OnFlag(id);
            break;
    }
}

}  // namespace docvane
