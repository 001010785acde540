#pragma once
// The file list of one project: a row per source file in list order, painted in its status colour.
// Files are added by dropping them from the file manager, reordered by dragging rows, excluded and
// their results cleared from the context menu.
#include <wx/imaglist.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "views/ListRows.h"
#include "views/ProjectPanel.h"

namespace docvane {

class CDocvaneDoc;
class FileListHost;

class CFileListView : public CReportList {
  public:
    enum class DragMode { None, External, Internal };
    enum { ID_EXCLUDE = wxID_HIGHEST + 701, ID_CLEAR_PUBLISHED };

    CFileListView(wxWindow* parent, CDocvaneDoc& project, FileListHost& host);
    ~CFileListView() override;

    CDocvaneDoc& Project() { return project_; }
    // Rewrites every row from the project (after the file list changed outside the view).
    void ReloadRows();
    // The document's refresh: paths and colours when the rows still match the files.
    void RefreshFromProject();

    std::vector<std::size_t> SelectedRows() const;
    void SelectRows(const std::vector<std::size_t>& rows);

    // The context menu's commands.
    void ExcludeSelected();
    void ClearSelected();

    // Drop handling, also used by the drop target.
    DragMode CurrentDragMode() const { return dragMode_; }
    void DragEntered(bool offersFiles);
    void DragMovedTo(const wxPoint& point);
    void DragLeft();
    // Drops paths (external) or the selected rows (internal) at point; false when nothing was taken.
    bool DropAt(const wxPoint& point, const std::vector<std::string>& paths);

  private:
    void InsertRow(long row);
    void SetRowTexts(long row);
    void FitColumns();
    int IconFor(const std::string& path);
    void AfterListChange();
    void OnLeftDown(wxMouseEvent& event);
    void OnDoubleClick(wxMouseEvent& event);
    void OnContextMenu(wxContextMenuEvent& event);
    void OnBeginDrag(wxListEvent& event);
    void OnMotion(wxMouseEvent& event);

    CDocvaneDoc& project_;
    FileListHost& host_;
    wxImageList icons_;
    std::map<std::string, int> iconByExtension_;
    InsertionMarker marker_;
    DragMode dragMode_ = DragMode::None;
    long tipRow_ = -1;
    int tipColumn_ = -1;
};

}  // namespace docvane

namespace docvane {

// The view as the project tab's file list. The view shows the clicked file in the properties pane
// itself, so the tab's selection callback is kept but not needed.
class CFileListViewList : public ProjectFileList {
  public:
    explicit CFileListViewList(CFileListView* view) : view_(view) {}
    wxWindow* Window() override { return view_; }
    void RefreshAll() override { view_->RefreshFromProject(); }
    void RefreshRow(std::size_t index) override;
    long SelectedIndex() const override;
    void SetSelectionCallback(std::function<void(long)> callback) override {
        onSelect_ = std::move(callback);
    }
    CFileListView* View() const { return view_; }

  private:
    CFileListView* view_;
    std::function<void(long)> onSelect_;
};

}  // namespace docvane
