#pragma once
// The output pane "Выпуск": three tabbed lists of log lines ("Информация", "Предупреждения",
// "Ошибки"), each line on its own background colour.
#include <wx/panel.h>
#include <wx/vlbox.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class wxAuiNotebook;

namespace docvane {

class COutputList : public wxVListBox {
  public:
    COutputList(wxWindow* parent, wxWindowID id);

    void AddLine(const wxString& text, std::uint32_t itemData);
    void Clear();
    std::size_t LineCount() const { return lines_.size(); }
    const wxString& LineText(std::size_t i) const { return lines_.at(i).text; }
    std::uint32_t LineData(std::size_t i) const { return lines_.at(i).itemData; }
    // Scrolls so that the last line is shown.
    void ShowLastLine();
    void ResetFont();

    // What the context menu's "&Скрыть" does (the frame hides the pane).
    std::function<void()> onHide;

  protected:
    void OnDrawItem(wxDC& dc, const wxRect& rect, size_t n) const override;
    void OnDrawBackground(wxDC& dc, const wxRect& rect, size_t n) const override;
    wxCoord OnMeasureItem(size_t n) const override;

  private:
    void OnContextMenu(wxContextMenuEvent& event);
    void OnMenu(wxCommandEvent& event);

    struct Line {
        wxString text;
        std::uint32_t itemData;
    };
    std::vector<Line> lines_;
};

class COutputWnd : public wxPanel {
  public:
    explicit COutputWnd(wxWindow* parent);

    // A line of the given log kind (0..3) goes to the lists of its kind; other kinds show nothing.
    void AddLogLine(int kind, const std::string& line);
    void Clear();
    void ResetFonts();

    COutputList* InfoList() const { return lists_[0]; }
    COutputList* WarningList() const { return lists_[1]; }
    COutputList* ErrorList() const { return lists_[2]; }
    wxAuiNotebook* Tabs() const { return tabs_; }
    void SetHideAction(std::function<void()> hide);

  private:
    wxAuiNotebook* tabs_ = nullptr;
    COutputList* lists_[3] = {nullptr, nullptr, nullptr};
};

}  // namespace docvane
