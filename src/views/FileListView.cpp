#include "views/FileListView.h"

#include <wx/artprov.h>
#include <wx/brush.h>
#include <wx/dnd.h>
#include <wx/graphics.h>
#include <wx/menu.h>
#include <wx/mimetype.h>
#include <wx/pen.h>

#include <algorithm>
#include <memory>
#include <optional>

#include "base/PathUtils.h"
#include "desktop/FileIcons.h"
#include "output/DocumentStatus.h"
#include "project/DocvaneDoc.h"
#include "project/PathDoc.h"
#include "views/FileListHost.h"

namespace docvane {
namespace {

wxColour StatusColour(Colour colour) {
    return wxColour(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

wxString FromUtf8(const std::string& text) {
    return wxString::FromUTF8(text.data(), text.size());
}

std::string ToUtf8(const wxString& text) {
    const wxScopedCharBuffer utf8 = text.utf8_str();
    return std::string(utf8.data(), utf8.length());
}

// The file manager's files dropped onto the rows window go to the view.
class FileListDropTarget : public wxDropTarget {
  public:
    explicit FileListDropTarget(CFileListView& view) : wxDropTarget(new wxFileDataObject), view_(view) {}

    wxDragResult OnEnter(wxCoord x, wxCoord y, wxDragResult def) override {
        // The names themselves arrive only with the drop: a drag that offers a file list is taken
        // for now and one without acceptable files is refused when it is dropped.
        view_.DragEntered(GetMatchingPair() != wxDF_INVALID);
        return OnDragOver(x, y, def);
    }
    wxDragResult OnDragOver(wxCoord x, wxCoord y, wxDragResult) override {
        if (view_.CurrentDragMode() == CFileListView::DragMode::None) {
            return wxDragNone;
        }
        view_.DragMovedTo(wxPoint(x, y));
        return wxDragCopy;
    }
    void OnLeave() override { view_.DragLeft(); }
    bool OnDrop(wxCoord, wxCoord) override {
        return view_.CurrentDragMode() != CFileListView::DragMode::None;
    }
    wxDragResult OnData(wxCoord x, wxCoord y, wxDragResult def) override {
        std::vector<std::string> paths;
        if (view_.CurrentDragMode() == CFileListView::DragMode::External && GetData()) {
            for (const wxString& name : static_cast<wxFileDataObject*>(GetDataObject())->GetFilenames()) {
                paths.push_back(ToUtf8(name));
            }
        }
        return view_.DropAt(wxPoint(x, y), paths) ? def : wxDragNone;
    }

  private:
    CFileListView& view_;
};

}  // namespace

CFileListView::CFileListView(wxWindow* parent, CDocvaneDoc& project, FileListHost& host)
    : CReportList(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxLC_REPORT | wxBORDER_SUNKEN),
      project_(project),
      host_(host),
      icons_(16, 16, true),
      marker_(*this) {
    SetImageList(&icons_, wxIMAGE_LIST_SMALL);
    InsertColumn(0, wxString::FromUTF8("Имя файла"));
    InsertColumn(1, wxString::FromUTF8("Относительный путь"));
    RowsWindow()->SetDropTarget(new FileListDropTarget(*this));
    ReloadRows();

    RowsWindow()->Bind(wxEVT_LEFT_DOWN, &CFileListView::OnLeftDown, this);
    RowsWindow()->Bind(wxEVT_LEFT_DCLICK, &CFileListView::OnDoubleClick, this);
    RowsWindow()->Bind(wxEVT_MOTION, &CFileListView::OnMotion, this);
    Bind(wxEVT_CONTEXT_MENU, &CFileListView::OnContextMenu, this);
    Bind(wxEVT_LIST_BEGIN_DRAG, &CFileListView::OnBeginDrag, this);
    // The keyboard moves the selection too: the pane follows the row that has the focus.
    Bind(wxEVT_LIST_ITEM_FOCUSED, [this](wxListEvent& event) {
        event.Skip();
        const long row = event.GetIndex();
        if (row >= 0 && static_cast<std::size_t>(row) < project_.FileCount()) {
            host_.ShowProperties(&project_.pdfFile, &project_.File(static_cast<std::size_t>(row)));
        }
    });
    Bind(
        wxEVT_MENU, [this](wxCommandEvent&) { ExcludeSelected(); }, ID_EXCLUDE);
    Bind(
        wxEVT_MENU, [this](wxCommandEvent&) { ClearSelected(); }, ID_CLEAR_PUBLISHED);
}

CFileListView::~CFileListView() {
    SetImageList(nullptr, wxIMAGE_LIST_SMALL);
}

namespace {

// A 16 px page with a folded corner in the type's colour and its letters across it.
wxBitmap BadgeBitmap(const FileBadge& badge) {
    constexpr int kSide = 16;
    wxImage image(kSide, kSide);
    image.InitAlpha();
    std::fill_n(image.GetAlpha(), kSide * kSide, static_cast<unsigned char>(0));
    std::unique_ptr<wxGraphicsContext> gc(wxGraphicsContext::Create(image));
    if (gc == nullptr) {
        return wxNullBitmap;
    }
    const wxColour colour(static_cast<unsigned char>((badge.rgb >> 16) & 0xFF),
                          static_cast<unsigned char>((badge.rgb >> 8) & 0xFF),
                          static_cast<unsigned char>(badge.rgb & 0xFF));
    gc->SetAntialiasMode(wxANTIALIAS_DEFAULT);
    wxGraphicsPath page = gc->CreatePath();
    page.MoveToPoint(2.5, 0.5);
    page.AddLineToPoint(10.5, 0.5);
    page.AddLineToPoint(14.5, 4.5);
    page.AddLineToPoint(14.5, 15.5);
    page.AddLineToPoint(2.5, 15.5);
    page.CloseSubpath();
    gc->SetPen(wxPen(colour.ChangeLightness(70)));
    gc->SetBrush(wxBrush(*wxWHITE));
    gc->DrawPath(page);
    gc->SetPen(*wxTRANSPARENT_PEN);
    gc->SetBrush(wxBrush(colour));
    gc->DrawRectangle(0, 6, kSide, 8);
    const wxString letters = wxString::FromUTF8(badge.letters.c_str());
    // The widest font whose letters fit the band.
    for (int pixels = 7; pixels >= 4; --pixels) {
        wxFont font(wxFontInfo(wxSize(0, pixels)).Family(wxFONTFAMILY_SWISS).Bold());
        gc->SetFont(font, *wxWHITE);
        double width = 0;
        double height = 0;
        gc->GetTextExtent(letters, &width, &height);
        if (width <= kSide || pixels == 4) {
            gc->DrawText(letters, (kSide - width) / 2, 6 + (8 - height) / 2);
            break;
        }
    }
    gc.reset();
    return wxBitmap(image);
}

}  // namespace

int CFileListView::IconFor(const std::string& path) {
    const std::string extension = LowerExtension(path);
    const auto known = iconByExtension_.find(extension);
    if (known != iconByExtension_.end()) {
        return known->second;
    }
    // Looked up by extension only: the file itself is never touched.
    wxBitmap bitmap;
    if (extension.size() > 1) {
        std::unique_ptr<wxFileType> type(
            wxTheMimeTypesManager->GetFileTypeFromExtension(FromUtf8(extension.substr(1))));
        wxString mime;
        if (type != nullptr && type->GetMimeType(&mime)) {
            static const std::string genericIcons = ReadGenericIcons();
            for (const std::string& name : ThemeIconNamesFor(extension, mime.utf8_string(), genericIcons)) {
                bitmap = wxArtProvider::GetBitmap(FromUtf8(name), wxART_LIST, wxSize(16, 16));
                if (bitmap.IsOk()) {
                    break;
                }
            }
        }
    }
    if (!bitmap.IsOk()) {
        if (const std::optional<FileBadge> badge = FileBadgeFor(extension)) {
            bitmap = BadgeBitmap(*badge);
        }
    }
    if (!bitmap.IsOk()) {
        bitmap = wxArtProvider::GetBitmap(wxART_NORMAL_FILE, wxART_LIST, wxSize(16, 16));
    }
    int index = -1;
    if (bitmap.IsOk()) {
        if (bitmap.GetWidth() != 16 || bitmap.GetHeight() != 16) {
            bitmap = wxBitmap(bitmap.ConvertToImage().Scale(16, 16, wxIMAGE_QUALITY_HIGH));
        }
        index = icons_.Add(bitmap);
    }
    iconByExtension_[extension] = index;
    return index;
}

void CFileListView::SetRowTexts(long row) {
    const FileDoc& file = project_.File(static_cast<std::size_t>(row));
    SetItem(row, 0, FromUtf8(FileName(file.fullPath)), IconFor(file.fullPath));
    SetItem(row, 1, FromUtf8(RelativePath(file)));
    SetItemBackgroundColour(row, StatusColour(file.statusColor));
}

void CFileListView::InsertRow(long row) {
    const FileDoc& file = project_.File(static_cast<std::size_t>(row));
    InsertItem(row, FromUtf8(FileName(file.fullPath)), IconFor(file.fullPath));
    SetRowTexts(row);
}

void CFileListView::FitColumns() {
    for (int column = 0; column < GetColumnCount(); ++column) {
        SetColumnWidth(column, wxLIST_AUTOSIZE);
        const int contents = GetColumnWidth(column);
        SetColumnWidth(column, wxLIST_AUTOSIZE_USEHEADER);
        SetColumnWidth(column, std::max(contents, GetColumnWidth(column)));
    }
}

void CFileListView::ReloadRows() {
    Freeze();
    DeleteAllItems();
    for (std::size_t i = 0; i < project_.FileCount(); ++i) {
        InsertRow(static_cast<long>(i));
    }
    FitColumns();
    Thaw();
}

void CFileListView::RefreshFromProject() {
    const long rows = GetItemCount();
    // Another view of the same project may have added or removed files: rows that no longer match
    // the list are rebuilt rather than left showing other files.
    if (static_cast<std::size_t>(rows) != project_.FileCount()) {
        ReloadRows();
    } else {
        for (long row = 0; row < rows; ++row) {
            SetRowTexts(row);
        }
        FitColumns();
    }
    Refresh();
}

std::vector<std::size_t> CFileListView::SelectedRows() const {
    std::vector<std::size_t> rows;
    for (long row = GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED); row != -1;
         row = GetNextItem(row, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED)) {
        rows.push_back(static_cast<std::size_t>(row));
    }
    return rows;
}

void CFileListView::SelectRows(const std::vector<std::size_t>& rows) {
    for (long row = 0; row < GetItemCount(); ++row) {
        SetItemState(row, 0, wxLIST_STATE_SELECTED);
    }
    for (std::size_t row : rows) {
        SetItemState(static_cast<long>(row), wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
    }
}

void CFileListView::AfterListChange() {
    ReloadRows();
    host_.RefreshViews(project_);
}

void CFileListView::ExcludeSelected() {
    if (!host_.CanEdit(project_)) {
        return;
    }
    ExcludeFiles(project_, SelectedRows());
    // The pane must not keep showing a file that is gone.
    host_.ShowProperties(&project_.pdfFile, nullptr);
    AfterListChange();
}

void CFileListView::ClearSelected() {
    if (!host_.CanEdit(project_)) {
        return;
    }
    ClearPublishedResults(project_, SelectedRows());
    host_.RefreshViews(project_);
    RefreshFromProject();
}

void CFileListView::DragEntered(bool offersFiles) {
    if (!host_.CanEdit(project_)) {
        dragMode_ = DragMode::None;
    } else if (dragMode_ != DragMode::Internal) {
        dragMode_ = offersFiles ? DragMode::External : DragMode::None;
    }
}

void CFileListView::DragMovedTo(const wxPoint& point) {
    if (dragMode_ != DragMode::None) {
        marker_.Show(MarkAt(*this, point));
    }
}

void CFileListView::DragLeft() {
    // The toolkit reports a departure before every drop too, so the mode stays until the next entry
    // decides afresh.
    marker_.Hide();
}

bool CFileListView::DropAt(const wxPoint& point, const std::vector<std::string>& paths) {
    const std::size_t index = DropIndex(MarkAt(*this, point), RowAt(*this, point));
    marker_.Hide();
    if (!host_.CanEdit(project_)) {
        dragMode_ = DragMode::None;
        return false;
    }
    bool taken = false;
    if (dragMode_ == DragMode::Internal) {
        const auto moved = MoveFiles(project_, SelectedRows(), index);
        ComputeProjectStatus(project_);
        AfterListChange();
        SelectRows(moved);
        taken = !moved.empty();
    } else if (dragMode_ == DragMode::External) {
        const auto items = AcceptedDropItems(paths);
        if (!items.empty()) {
            const auto added = InsertDroppedFiles(
                project_, index, items, [this](const std::string& path) { host_.OpenProjectFile(path); });
            ComputeProjectStatus(project_);
            AfterListChange();
            SelectRows(added);
            taken = true;
        }
        dragMode_ = DragMode::None;
    }
    return taken;
}

void CFileListView::OnLeftDown(wxMouseEvent& event) {
    event.Skip();
    const wxPoint point = event.GetPosition();
    // After the list has moved its selection.
    CallAfter([this, point] {
        const long row = RowAt(*this, point);
        host_.ShowProperties(&project_.pdfFile,
                             row >= 0 && static_cast<std::size_t>(row) < project_.FileCount()
                                 ? &project_.File(static_cast<std::size_t>(row))
                                 : nullptr);
    });
}

void CFileListView::OnDoubleClick(wxMouseEvent& event) {
    event.Skip();
    const long row = RowAt(*this, event.GetPosition());
    if (row >= 0 && static_cast<std::size_t>(row) < project_.FileCount()) {
        host_.OpenSourceFile(project_.File(static_cast<std::size_t>(row)).fullPath);
    } else {
        host_.ShowProperties(&project_.pdfFile, nullptr);
    }
}

void CFileListView::OnMotion(wxMouseEvent& event) {
    event.Skip();
    const long row = RowAt(*this, event.GetPosition());
    int x = event.GetPosition().x + GetScrollPos(wxHORIZONTAL);
    int column = -1;
    for (int c = 0; c < GetColumnCount() && row >= 0; ++c) {
        if (x < GetColumnWidth(c)) {
            column = c;
            break;
        }
        x -= GetColumnWidth(c);
    }
    if (row == tipRow_ && column == tipColumn_) {
        return;
    }
    tipRow_ = row;
    tipColumn_ = column;
    // Only a cell too narrow for its text explains itself.
    const wxString text = column >= 0 ? GetItemText(row, column) : wxString();
    const int needed = GetTextExtent(text).GetWidth() + (column == 0 ? 16 + 12 : 12);
    if (column >= 0 && needed > GetColumnWidth(column)) {
        RowsWindow()->SetToolTip(text);
    } else {
        RowsWindow()->UnsetToolTip();
    }
}

void CFileListView::OnContextMenu(wxContextMenuEvent&) {
    wxMenu menu;
    menu.Append(ID_EXCLUDE, wxString::FromUTF8("Исключить"));
    menu.Append(ID_CLEAR_PUBLISHED, wxString::FromUTF8("Очистить опубликованные"));
    const bool editable = host_.CanEdit(project_);
    menu.Enable(ID_EXCLUDE, editable);
    menu.Enable(ID_CLEAR_PUBLISHED, editable);
    PopupMenu(&menu);
}

void CFileListView::OnBeginDrag(wxListEvent&) {
    const auto rows = SelectedRows();
    if (rows.empty()) {
        return;
    }
    wxFileDataObject data;
    for (std::size_t row : rows) {
        data.AddFile(FromUtf8(project_.File(row).fullPath));
    }
    dragMode_ = DragMode::Internal;
    wxDropSource source(data, this);
    source.DoDragDrop(wxDrag_CopyOnly);
    dragMode_ = DragMode::None;
    marker_.Hide();
}

void CFileListViewList::RefreshRow(std::size_t index) {
    if (static_cast<long>(index) < view_->GetItemCount() && index < view_->Project().FileCount()) {
        view_->SetItemBackgroundColour(static_cast<long>(index),
                                       StatusColour(view_->Project().File(index).statusColor));
    }
}

long CFileListViewList::SelectedIndex() const {
    const auto rows = view_->SelectedRows();
    return rows.empty() ? -1 : static_cast<long>(rows.front());
}

}  // namespace docvane
