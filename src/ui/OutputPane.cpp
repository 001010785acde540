#include "ui/OutputPane.h"

#include <wx/aui/auibook.h>
#include <wx/dc.h>
#include <wx/menu.h>
#include <wx/msgdlg.h>
#include <wx/renderer.h>
#include <wx/settings.h>
#include <wx/sizer.h>

#include "desktop/CommandIds.h"
#include "desktop/OutputLines.h"
#include "views/ColorRef.h"
#include "views/WxText.h"

namespace docvane {

COutputList::COutputList(wxWindow* parent, wxWindowID id)
    : wxVListBox(parent, id, wxDefaultPosition, wxDefaultSize, wxHSCROLL | wxVSCROLL) {
    ResetFont();
    SetItemCount(0);
    Bind(wxEVT_CONTEXT_MENU, &COutputList::OnContextMenu, this);
    Bind(wxEVT_MENU, &COutputList::OnMenu, this);
}

void COutputList::AddLine(const wxString& text, std::uint32_t itemData) {
    lines_.push_back({text, itemData});
    SetItemCount(lines_.size());
    Refresh();
}

void COutputList::Clear() {
    lines_.clear();
    SetItemCount(0);
    SetSelection(wxNOT_FOUND);
    Refresh();
}

void COutputList::ShowLastLine() {
    if (!lines_.empty()) {
        ScrollToRow(lines_.size() - 1);
    }
}

void COutputList::ResetFont() {
    SetFont(wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT));
    RefreshAll();
}

wxCoord COutputList::OnMeasureItem(size_t) const {
    // The height of a menu check mark; lines are single lines of the interface font.
    const int check = wxRendererNative::Get().GetCheckMarkSize(const_cast<COutputList*>(this)).GetHeight();
    return std::max(check, GetCharHeight() + 4);
}

void COutputList::OnDrawBackground(wxDC& dc, const wxRect& rect, size_t n) const {
    const std::uint32_t data = n < lines_.size() ? lines_[n].itemData : 0;
    const std::uint32_t colour = LineBackground(data, IsSelected(n));
    dc.SetBrush(wxBrush(FromColorRef(colour)));
    dc.SetPen(*wxTRANSPARENT_PEN);
    dc.DrawRectangle(rect);
}

void COutputList::OnDrawItem(wxDC& dc, const wxRect& rect, size_t n) const {
    if (n >= lines_.size()) {
        return;
    }
    dc.SetBackgroundMode(wxBRUSHSTYLE_TRANSPARENT);
    dc.SetTextForeground(*wxBLACK);
    wxString text = lines_[n].text;
    text.Replace("\n", " ");
    const int y = rect.y + (rect.height - dc.GetCharHeight()) / 2;
    dc.DrawText(text, rect.x, y);
}

void COutputList::OnContextMenu(wxContextMenuEvent&) {
    wxMenu menu;
    menu.Append(MenuItemOf(ID_EDIT_COPY), Wx("&Копировать"));
    menu.Append(MenuItemOf(ID_EDIT_CLEAR), Wx("&Очистить"));
    menu.AppendSeparator();
    menu.Append(MenuItemOf(ID_OUTPUT_HIDE), Wx("&Скрыть"));
    PopupMenu(&menu);
    SetFocus();
}

void COutputList::OnMenu(wxCommandEvent& event) {
    switch (CommandOfMenuItem(event.GetId())) {
        case ID_EDIT_COPY:
            wxMessageBox(Wx("Копировать выходные данные"), Wx("Docvane"), wxOK, this);
            break;
        case ID_EDIT_CLEAR:
            wxMessageBox(Wx("Очистить выходные данные"), Wx("Docvane"), wxOK, this);
            break;
        case ID_OUTPUT_HIDE:
            if (onHide) {
                onHide();
            }
            break;
        default:
            event.Skip();
    }
}

COutputWnd::COutputWnd(wxWindow* parent) : wxPanel(parent, ID_OUTPUT_HIDE) {
    tabs_ =
        new wxAuiNotebook(this, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                          wxAUI_NB_BOTTOM | wxAUI_NB_TAB_MOVE | wxAUI_NB_TAB_SPLIT | wxAUI_NB_SCROLL_BUTTONS);
    static const char* const kTitles[] = {"Информация", "Предупреждения", "Ошибки"};
    for (int i = 0; i < 3; ++i) {
        lists_[i] = new COutputList(tabs_, 2 + i);
        tabs_->AddPage(lists_[i], Wx(kTitles[i]));
    }
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(tabs_, 1, wxEXPAND);
    SetSizer(sizer);
}

void COutputWnd::SetHideAction(std::function<void()> hide) {
    for (COutputList* list : lists_) {
        list->onHide = hide;
    }
}

void COutputWnd::AddLogLine(int kind, const std::string& line) {
    const OutputLineTarget target = TargetOfLine(kind);
    if (target.lists == 0) {
        return;
    }
    const wxString text = Wx(line);
    const unsigned masks[3] = {kInfoList, kWarningList, kErrorList};
    for (int i = 0; i < 3; ++i) {
        if ((target.lists & masks[i]) != 0) {
            lists_[i]->AddLine(text, target.colour);
        }
    }
    lists_[0]->ShowLastLine();
}

void COutputWnd::Clear() {
    for (COutputList* list : lists_) {
        list->Clear();
    }
}

void COutputWnd::ResetFonts() {
    for (COutputList* list : lists_) {
        list->ResetFont();
    }
}

}  // namespace docvane
