// The main window's project tabs: opening, saving, closing, the active tab.
#include "ui/ProjectTabs.h"

#include <wx/aui/auibook.h>
#include <wx/button.h>
#include <wx/choicdlg.h>
#include <wx/filedlg.h>
#include <wx/filefn.h>
#include <wx/msgdlg.h>

#include <algorithm>
#include <set>

#include "base/PathUtils.h"
#include "desktop/FileFailures.h"
#include "desktop/RecentFiles.h"
#include "desktop/SaveNames.h"
#include "output/ProjectDocument.h"
#include "project/DocvaneDoc.h"
#include "views/WxText.h"

namespace docvane {

namespace {

const char* const kProjectWildcard = "DV1 файл (*.dv1)|*.dv1|Все файлы (*.*)|*.*";

}  // namespace

CProjectTabs::CProjectTabs(wxWindow* parent, wxWindow& owner, ProjectTabsHost& host)
    : owner_(owner), host_(host), makeFileList_([this](wxWindow* listParent, CDocvaneDoc& project) {
          return host_.MakeFileList(listParent, project);
      }) {
    notebook_ = new wxAuiNotebook(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                                  wxAUI_NB_TOP | wxAUI_NB_TAB_MOVE | wxAUI_NB_SCROLL_BUTTONS |
                                      wxAUI_NB_CLOSE_ON_ACTIVE_TAB | wxAUI_NB_WINDOWLIST_BUTTON);
    notebook_->Bind(wxEVT_AUINOTEBOOK_PAGE_CLOSE, [this](wxAuiNotebookEvent& event) { OnPageClose(event); });
    notebook_->Bind(wxEVT_AUINOTEBOOK_PAGE_CHANGED,
                    [this](wxAuiNotebookEvent& event) { OnPageChanged(event); });
}

CProjectPanel* CProjectTabs::ActivePanel() const {
    const int page = notebook_->GetSelection();
    if (page == wxNOT_FOUND) {
        return nullptr;
    }
    return dynamic_cast<CProjectPanel*>(notebook_->GetPage(static_cast<size_t>(page)));
}

CDocvaneDoc* CProjectTabs::ActiveProject() const {
    CProjectPanel* panel = ActivePanel();
    return panel != nullptr ? &panel->Project() : nullptr;
}

std::vector<CProjectPanel*> CProjectTabs::Panels() const {
    std::vector<CProjectPanel*> panels;
    for (size_t i = 0; i < notebook_->GetPageCount(); ++i) {
        if (auto* panel = dynamic_cast<CProjectPanel*>(notebook_->GetPage(i))) {
            panels.push_back(panel);
        }
    }
    return panels;
}

void CProjectTabs::Select(CProjectPanel* panel) {
    notebook_->SetSelection(static_cast<size_t>(notebook_->GetPageIndex(panel)));
}

wxString CProjectTabs::TabTitle(const CDocvaneDoc& project) const {
    wxString title;
    for (CProjectPanel* panel : Panels()) {
        if (&panel->Project() == &project) {
            title = notebook_->GetPageText(static_cast<size_t>(notebook_->GetPageIndex(panel)));
            break;
        }
    }
    return title;
}

wxString CProjectTabs::ProjectName(const CProjectPanel& panel) const {
    const CDocvaneDoc& project = panel.Project();
    return project.PathName().empty() ? panel.GetName() : Wx(FileName(project.PathName()));
}

void CProjectTabs::UpdateTabTitles() {
    for (CProjectPanel* panel : Panels()) {
        wxString name = ProjectName(*panel);
        if (panel->Project().IsModified()) {
            name += "*";
        }
        const size_t index = static_cast<size_t>(notebook_->GetPageIndex(panel));
        if (notebook_->GetPageText(index) != name) {
            notebook_->SetPageText(index, name);
        }
    }
}

wxString CProjectTabs::ActiveTabTitle() const {
    if (ActiveProject() == nullptr) {
        return wxString();
    }
    return notebook_->GetPageText(static_cast<size_t>(notebook_->GetSelection()));
}

void CProjectTabs::AddPanel(std::shared_ptr<CDocvaneDoc> project) {
    auto* panel = new CProjectPanel(notebook_, project, makeFileList_);
    if (project->PathName().empty()) {
        panel->SetName(wxString::Format("Docvane%d", ++newCount_));
    }
    panel->FileList().SetSelectionCallback([this, panel](long) {
        if (panel == ActivePanel()) {
            host_.FileSelected(panel->Project());
        }
    });
    notebook_->AddPage(panel, panel->GetName(), true);
    host_.TitlesChanged();
    host_.ActiveTabChanged();
}

void CProjectTabs::NewProject() {
    AddPanel(std::make_shared<CDocvaneDoc>());
}

bool CProjectTabs::OpenProjectFile(const std::string& path) {
    const std::string absolute =
        NormalizeLexically(IsAbsolutePath(path) ? path : JoinPath(Utf8(wxGetCwd()), path));
    for (CProjectPanel* panel : Panels()) {
        if (panel->Project().PathName() == absolute) {
            Select(panel);
            return true;
        }
    }
    auto project = std::make_shared<CDocvaneDoc>();
    std::string error;
    if (!OpenProjectDocument(*project, absolute, &error)) {
        host_.Recent().Remove(absolute);
        wxMessageBox(Wx("Не удалось открыть документ \"" + absolute + "\".\n" + ReadFailureReason(absolute)),
                     Wx("Docvane"), wxOK | wxICON_ERROR, &owner_);
        return false;
    }
    project->SetPathName(absolute);
    host_.Recent().Add(absolute);
    AddPanel(project);
    return true;
}

void CProjectTabs::AskAndOpen() {
    wxFileDialog dialog(&owner_, Wx("Открыть"), wxEmptyString, wxEmptyString, Wx(kProjectWildcard),
                        wxFD_OPEN | wxFD_FILE_MUST_EXIST);
    if (dialog.ShowModal() == wxID_OK) {
        OpenProjectFile(Utf8(dialog.GetPath()));
    }
}

void CProjectTabs::OpenSecondView() {
    CProjectPanel* panel = ActivePanel();
    if (panel != nullptr) {
        AddPanel(panel->SharedProject());
    }
}

void CProjectTabs::ChooseTab() {
    wxArrayString names;
    for (size_t i = 0; i < notebook_->GetPageCount(); ++i) {
        names.Add(notebook_->GetPageText(i));
    }
    if (names.empty()) {
        return;
    }
    wxSingleChoiceDialog dialog(&owner_, wxEmptyString, Wx("Окна"), names);
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

bool CProjectTabs::SaveProject(CDocvaneDoc& project, bool askName) {
    std::string path = project.PathName();
    if (askName || path.empty() || LowerExtension(path) != ".dv1") {
        const std::string folder = path.empty() ? std::string() : ParentPath(path);
        const std::string name = path.empty()
                                     ? Utf8(TabTitle(project)).substr(0, Utf8(TabTitle(project)).find('*'))
                                     : FileStem(path);
        wxFileDialog dialog(&owner_, Wx("Сохранить как"), Wx(folder), Wx(name + ".dv1"), Wx(kProjectWildcard),
                            wxFD_SAVE);
        path = AskSaveName(
            [&dialog] { return dialog.ShowModal() == wxID_OK ? Utf8(dialog.GetPath()) : std::string(); },
            ".dv1", [this](const std::string& existing) { return host_.ConfirmReplace(existing); });
        if (path.empty()) {
            return false;
        }
    }
    std::string error;
    if (!SaveProjectDocument(project, path, &error)) {
        wxMessageBox(Wx("Не удалось сохранить документ \"" + path + "\".\n" + WriteFailureReason(path)),
                     Wx("Docvane"), wxOK | wxICON_ERROR, &owner_);
        return false;
    }
    host_.Recent().Add(path);
    host_.TitlesChanged();
    return true;
}

bool CProjectTabs::AskToSave(CProjectPanel& panel) {
    wxMessageDialog ask(&owner_, Wx("Сохранить изменения в \"") + ProjectName(panel) + Wx("\"?"),
                        Wx("Docvane"), wxYES_NO | wxCANCEL | wxICON_QUESTION);
    ask.SetYesNoCancelLabels(Wx("Да"), Wx("Нет"), Wx("Отмена"));
    switch (ask.ShowModal()) {
        case wxID_YES:
            return SaveProject(panel.Project(), false);
        case wxID_NO:
            return true;
        default:
            return false;
    }
}

bool CProjectTabs::ConfirmClose(CProjectPanel* panel) {
    CDocvaneDoc& project = panel->Project();
    if (&project == host_.PublishedProject()) {
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
    return AskToSave(*panel);
}

bool CProjectTabs::ConfirmCloseAll() {
    std::set<CDocvaneDoc*> asked;
    for (CProjectPanel* panel : Panels()) {
        if (!asked.insert(&panel->Project()).second || !panel->Project().IsModified()) {
            continue;
        }
        Select(panel);
        if (!AskToSave(*panel)) {
            return false;
        }
    }
    return true;
}

void CProjectTabs::OnPageClose(wxAuiNotebookEvent& event) {
    auto* panel = dynamic_cast<CProjectPanel*>(notebook_->GetPage(static_cast<size_t>(event.GetSelection())));
    if (panel != nullptr && !ConfirmClose(panel)) {
        event.Veto();
        return;
    }
    // The notebook removes the page after this event.
    owner_.CallAfter([this] {
        host_.TabClosed();
        host_.TitlesChanged();
        host_.ActiveTabChanged();
    });
}

void CProjectTabs::CloseActive() {
    CProjectPanel* panel = ActivePanel();
    if (panel == nullptr || !ConfirmClose(panel)) {
        return;
    }
    notebook_->DeletePage(static_cast<size_t>(notebook_->GetPageIndex(panel)));
    host_.TabClosed();
    host_.TitlesChanged();
    host_.ActiveTabChanged();
}

void CProjectTabs::OnPageChanged(wxAuiNotebookEvent& event) {
    event.Skip();
    host_.ActiveTabChanged();
}

}  // namespace docvane
