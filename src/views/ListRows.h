#pragma once
// Row geometry of a report-view wxListCtrl in the coordinates of its inner window, where its mouse
// and drop events arrive, and the insertion mark drawn there.
#include <wx/listctrl.h>

#include "desktop/FileListEdits.h"

namespace docvane {

// A report-view list that gives access to the window inside it that shows the rows.
class CReportList : public wxListCtrl {
  public:
    using wxListCtrl::wxListCtrl;
    wxWindow* RowsWindow();
};

// The row's rectangle in RowsWindow coordinates; empty when the row does not exist.
wxRect RowRect(CReportList& list, long row);

// The row at point (RowsWindow coordinates), -1 when none; lowerHalf tells which half was hit and
// belowRows whether the point lies below the last row.
long RowAt(CReportList& list, const wxPoint& point, bool* lowerHalf = nullptr, bool* belowRows = nullptr);

// The insertion mark for a pointer at point (RowsWindow coordinates).
InsertionMark MarkAt(CReportList& list, const wxPoint& point);

// A thin line between two rows, shown while something is dragged over the list. It is a child
// window of the rows window: drawing on that window from outside its paint handler shows nothing.
class InsertionMarker {
  public:
    explicit InsertionMarker(CReportList& list);
    // Shows the mark and scrolls the neighbouring row in its direction into view.
    void Show(const InsertionMark& mark);
    void Hide();
    const InsertionMark& Current() const { return mark_; }

  private:
    CReportList& list_;
    wxWindow* line_ = nullptr;
    InsertionMark mark_;
};

}  // namespace docvane
