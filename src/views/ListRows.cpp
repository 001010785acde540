#include "views/ListRows.h"

#include <algorithm>

namespace docvane {

wxWindow* CReportList::RowsWindow() {
    // The rows window's type is private to the library: find it among the children.
    for (wxWindow* child : GetChildren()) {
        if (static_cast<const void*>(child) == static_cast<const void*>(m_mainWin)) {
            return child;
        }
    }
    return this;
}

wxRect RowRect(CReportList& list, long row) {
    wxRect rect;
    if (row < 0 || row >= list.GetItemCount() || !list.GetItemRect(row, rect, wxLIST_RECT_BOUNDS)) {
        return {};
    }
    // The list reports rows in its own client coordinates; the rows window sits below the header.
    wxWindow* rows = list.RowsWindow();
    if (rows != &list) {
        rect.Offset(-rows->GetPosition());
    }
    return rect;
}

long RowAt(CReportList& list, const wxPoint& point, bool* lowerHalf, bool* belowRows) {
    if (lowerHalf != nullptr) {
        *lowerHalf = false;
    }
    if (belowRows != nullptr) {
        *belowRows = false;
    }
    const long count = list.GetItemCount();
    if (count == 0) {
        return -1;
    }
    const long first = std::max(0L, list.GetTopItem());
    const long last = std::min(count - 1, first + list.GetCountPerPage() + 1);
    for (long row = first; row <= last; ++row) {
        const wxRect rect = RowRect(list, row);
        if (point.y >= rect.GetTop() && point.y <= rect.GetBottom()) {
            if (lowerHalf != nullptr) {
                *lowerHalf = point.y >= rect.GetTop() + rect.GetHeight() / 2;
            }
            return row;
        }
    }
    if (belowRows != nullptr) {
        *belowRows = point.y > RowRect(list, last).GetBottom();
    }
    return -1;
}

InsertionMark MarkAt(CReportList& list, const wxPoint& point) {
    bool lowerHalf = false;
    bool belowRows = false;
    const long row = RowAt(list, point, &lowerHalf, &belowRows);
    return MarkForPointer(list.GetItemCount(), row, lowerHalf, belowRows);
}

InsertionMarker::InsertionMarker(CReportList& list) : list_(list) {}

void InsertionMarker::Show(const InsertionMark& mark) {
    if (mark.row < 0) {
        Hide();
        return;
    }
    const long neighbour = mark.after ? mark.row + 1 : mark.row - 1;
    if (neighbour >= 0 && neighbour < list_.GetItemCount()) {
        list_.EnsureVisible(neighbour);
    }
    wxWindow* rows = list_.RowsWindow();
    if (line_ == nullptr) {
        line_ = new wxWindow(rows, wxID_ANY, wxDefaultPosition, wxSize(1, 3), wxBORDER_NONE);
        line_->SetBackgroundColour(*wxBLACK);
        line_->Enable(false);
    }
    const wxRect rect = RowRect(list_, mark.row);
    const int y = (mark.after ? rect.GetBottom() + 1 : rect.GetTop()) - 1;
    line_->SetSize(0, y, rows->GetClientSize().GetWidth(), 3);
    line_->Show();
    line_->Raise();
    mark_ = mark;
}

void InsertionMarker::Hide() {
    if (line_ != nullptr) {
        line_->Hide();
    }
    mark_ = InsertionMark{};
}

}  // namespace docvane
