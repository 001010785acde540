#pragma once
// The docking pane that shows, read-only, what the project knows about one source file or about its
// combined PDF, with a toolbar to expand the groups, sort alphabetically and recompute the status.
#include <wx/panel.h>

#include <functional>
#include <vector>

class wxPropertyGridManager;

namespace docvane {

class CDocvaneDoc;
struct FileDoc;
struct PathDoc;
class CPropertiesGridManager;

// Until its first layout a wxPropertyGridManager lays a description box out at a width of -12345, which
// GTK refuses with a critical; so a manager is created without wxPG_DESCRIPTION and gets the box (of
// the given height at most) once it has a real size. Returns whether the manager has the box.
bool DescribeIfSized(wxPropertyGridManager& grid, int height);
// Gives grid the box at the first resize after which it fits.
void DescribeOnceSized(wxPropertyGridManager& grid, int height);

class CPropertiesPane : public wxPanel {
  public:
    enum { ID_EXPAND_ALL = wxID_HIGHEST + 720, ID_SORT_ALPHABETICAL, ID_REFRESH_STATUS };

    explicit CPropertiesPane(wxWindow* parent);

    // The project shown in the active window, or null when that window shows none.
    void SetActiveProjectSource(std::function<CDocvaneDoc*()> source) { activeProject_ = std::move(source); }
    // Where a refresh sends the project's views their repaint (the main window's channel by default).
    void SetRefreshViews(std::function<void(CDocvaneDoc&)> refresh) { refreshViews_ = std::move(refresh); }

    // Shows file, or the combined PDF pdf when file is null; remembers both.
    void ShowProperties(PathDoc* pdf, FileDoc* file);

    // The toolbar's commands.
    void ExpandAll();
    void ToggleAlphabetical();
    bool IsAlphabetical() const { return alphabetical_; }
    // Whether refresh is possible now; forgets the remembered entries when it is not.
    bool CanRefresh();
    void RefreshStatus();

    // What the grid shows, for the pane's owner and its checks.
    wxString ValueOf(const wxString& group, const wxString& row) const;
    wxString DescriptionText() const;
    wxString SelectedLabel() const;
    std::vector<wxString> GroupTitles() const;
    // Height of the description area, and the height it is given whenever the pane has room for it.
    int DescriptionHeight() const;
    int WantedDescriptionHeight() const;
    const PathDoc* ShownPdf() const { return pdf_; }
    const FileDoc* ShownFile() const { return file_; }

  private:
    // The description's height in a manager of that height: its wanted one unless the grid needs room.
    int DescriptionHeightFor(int managerHeight) const;
    bool StillShownProject(CDocvaneDoc& active) const;

    CPropertiesGridManager* grid_ = nullptr;
    std::function<CDocvaneDoc*()> activeProject_;
    std::function<void(CDocvaneDoc&)> refreshViews_;
    PathDoc* pdf_ = nullptr;
    FileDoc* file_ = nullptr;
    bool alphabetical_ = false;
};

}  // namespace docvane
