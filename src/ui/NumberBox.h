#pragma once
// A ribbon number box: free text (what the user types is stored as ParseNumberBox reads it) with spin
// buttons from 0 to 100.
#include <wx/panel.h>

#include <functional>
#include <string>

class wxTextCtrl;
class wxSpinButton;

namespace docvane {

class CNumberBox : public wxPanel {
  public:
    // commandId: the number box's command (beyond the range of window ids).
    CNumberBox(wxWindow* parent, int commandId, int textWidth);
    int CommandId() const { return commandId_; }
    void SetText(const wxString& text);
    wxString GetText() const;
    wxTextCtrl* TextCtrl() const { return text_; }

    // Called with the box's id and text when the user confirms it (Enter, focus leaves, spin).
    std::function<void(int id, const std::string& text)> onStore;

  private:
    void Store();
    wxTextCtrl* text_;
    wxSpinButton* spin_;
    wxString shown_;
    int commandId_;
};

}  // namespace docvane
