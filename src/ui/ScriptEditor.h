#pragma once
// The script editor: a plain text editor for a project's LISP or VBA script with syntax colouring.
#include <wx/dialog.h>

#include <string>

class wxStyledTextCtrl;
class wxStyledTextEvent;

namespace docvane {

// Which colouring rules the editor applies.
inline constexpr int kScriptLisp = 1;
inline constexpr int kScriptVba = 2;
// The most characters the editor takes.
inline constexpr int kScriptCharacterLimit = 65536;

class LispDlg : public wxDialog {
  public:
    // mode: kScriptLisp, kScriptVba, anything else for no colouring.
    LispDlg(wxWindow* parent, int mode, const wxString& text);

    // The script after "ОК" (the text given before that).
    const wxString& Text() const { return text_; }
    wxStyledTextCtrl* Editor() { return editor_; }
    // Colours the whole text by the mode's rules, keeping the selection.
    void Colour();

  private:
    void OnModified(wxStyledTextEvent& event);
    void TrimInsertionEndingAt(int end);
    void OnOk(wxCommandEvent& event);

    int mode_;
    wxString text_;
    wxStyledTextCtrl* editor_ = nullptr;
    bool minimumTaken_ = false;
};

class CDocvaneDoc;

// The frame's script commands: edits script (the project's LISP or VBA text) and, after "ОК" with a
// changed text, stores it and marks the project modified. True when it did.
bool EditProjectScript(wxWindow* parent, int mode, CDocvaneDoc& project, std::string& script);

}  // namespace docvane
