#pragma once
// One open project in its tab: the project document and the widget that lists its files.
#include <wx/panel.h>

#include <functional>
#include <memory>

namespace docvane {

class CDocvaneDoc;

// What the frame needs of a project's file list.
class ProjectFileList {
  public:
    virtual ~ProjectFileList() = default;
    virtual wxWindow* Window() = 0;
    // Rebuilds every row from the project (names, statuses, colours).
    virtual void RefreshAll() = 0;
    // Repaints one row with the file's current status colour.
    virtual void RefreshRow(std::size_t index) = 0;
    // The selected file's index, -1 when none.
    virtual long SelectedIndex() const = 0;
    // Called with the new selection (-1 when none).
    virtual void SetSelectionCallback(std::function<void(long)> callback) = 0;
};

class CProjectPanel : public wxPanel {
  public:
    using FileListFactory =
        std::function<std::unique_ptr<ProjectFileList>(wxWindow* parent, CDocvaneDoc& project)>;
    // Several panels may show one project ("Новое окно"); the project lives while one of them does.
    CProjectPanel(wxWindow* parent, std::shared_ptr<CDocvaneDoc> project,
                  const FileListFactory& makeFileList);

    CDocvaneDoc& Project() const { return *project_; }
    const std::shared_ptr<CDocvaneDoc>& SharedProject() const { return project_; }
    ProjectFileList& FileList() const { return *fileList_; }
    // Replaces the file list widget (the old one is destroyed).
    void SetFileList(std::unique_ptr<ProjectFileList> list);

  private:
    std::shared_ptr<CDocvaneDoc> project_;
    std::unique_ptr<ProjectFileList> fileList_;
};

}  // namespace docvane
