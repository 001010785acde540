#pragma once
// The main window's project tabs: one CProjectPanel per open project view in a notebook; opening,
// saving, closing with the save question, and which tab is active.
#include <wx/string.h>

#include <memory>
#include <string>
#include <vector>

#include "views/ProjectPanel.h"

class wxAuiNotebook;
class wxAuiNotebookEvent;
class wxWindow;

namespace docvane {

class CDocvaneDoc;
class RecentFiles;

// What the project tabs need of the window they sit in.
class ProjectTabsHost {
  public:
    virtual ~ProjectTabsHost() = default;
    // Makes the file list of a new tab.
    virtual std::unique_ptr<ProjectFileList> MakeFileList(wxWindow* parent, CDocvaneDoc& project) = 0;
    // The user selected a file in the active tab's list.
    virtual void FileSelected(CDocvaneDoc& project) = 0;
    // A tab opened, closed or became active: the ribbon and the commands follow the active project.
    virtual void ActiveTabChanged() = 0;
    // The properties pane may still show a file of a project whose last tab has just closed.
    virtual void TabClosed() = 0;
    // A project's name or modified mark changed: the tab texts and the window title follow.
    virtual void TitlesChanged() = 0;
    // The project a run holds (null when none): its tab cannot close.
    virtual CDocvaneDoc* PublishedProject() const = 0;
    // Asks before an existing file is replaced; true for "Да".
    virtual bool ConfirmReplace(const std::string& path) = 0;
    virtual RecentFiles& Recent() = 0;
};

class CProjectTabs {
  public:
    // The notebook is a child of parent; the questions and dialogs belong to owner.
    CProjectTabs(wxWindow* parent, wxWindow& owner, ProjectTabsHost& host);
    CProjectTabs(const CProjectTabs&) = delete;
    CProjectTabs& operator=(const CProjectTabs&) = delete;

    wxAuiNotebook* Notebook() const { return notebook_; }
    CProjectPanel* ActivePanel() const;
    CDocvaneDoc* ActiveProject() const;
    std::vector<CProjectPanel*> Panels() const;

    // A new empty project in a new tab.
    void NewProject();
    // Opens a project file in a new tab (or shows its tab when it is open already). False when the
    // file cannot be read.
    bool OpenProjectFile(const std::string& path);
    // Asks for a project file and opens it.
    void AskAndOpen();
    // A second tab over the active project ("Новое окно").
    void OpenSecondView();
    // The window list: the chosen tab becomes active.
    void ChooseTab();
    // Saves the project (asking for a name when it has none or askName); false when not saved.
    bool SaveProject(CDocvaneDoc& project, bool askName);
    // Closes the active tab once the save question allows it.
    void CloseActive();
    // Asks about every modified project before the window closes; false when the user cancels.
    bool ConfirmCloseAll();

    // Brings the tab texts up to date with the projects' names and modified marks.
    void UpdateTabTitles();
    // The active tab's text; empty when no tab is open.
    wxString ActiveTabTitle() const;

  private:
    void AddPanel(std::shared_ptr<CDocvaneDoc> project);
    wxString TabTitle(const CDocvaneDoc& project) const;
    wxString ProjectName(const CProjectPanel& panel) const;
    void Select(CProjectPanel* panel);
    // Asks whether to save a modified project whose last view closes; false when the user cancels.
    bool ConfirmClose(CProjectPanel* panel);
    // The save question; true when the project may close.
    bool AskToSave(CProjectPanel& panel);
    void OnPageClose(wxAuiNotebookEvent& event);
    void OnPageChanged(wxAuiNotebookEvent& event);

    wxWindow& owner_;
    ProjectTabsHost& host_;
    wxAuiNotebook* notebook_ = nullptr;
    CProjectPanel::FileListFactory makeFileList_;
    int newCount_ = 0;
};

}  // namespace docvane
