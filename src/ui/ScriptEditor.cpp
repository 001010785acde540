#include "ui/ScriptEditor.h"

#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/stc/stc.h>

#include "desktop/LispColouring.h"
#include "desktop/VbaColouring.h"
#include "project/DocvaneDoc.h"

namespace docvane {
namespace {

// Text colours by class, 0x00BBGGRR as the scripts' users know them.
constexpr unsigned long kColours[] = {0x00000000, 0x00FF0066, 0x00FF3300, 0x00669933, 0x006666FF};

wxColour FromColourRef(unsigned long colour) {
    return wxColour(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

}  // namespace

LispDlg::LispDlg(wxWindow* parent, int mode, const wxString& text)
    : wxDialog(parent, wxID_ANY, wxString::FromUTF8("Скрипт"), wxDefaultPosition, wxSize(620, 420),
               wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER),
      mode_(mode),
      text_(text) {
    editor_ = new wxStyledTextCtrl(this, wxID_ANY);
    editor_->SetLexer(wxSTC_LEX_CONTAINER);
    editor_->SetWrapMode(wxSTC_WRAP_NONE);
    editor_->SetMarginWidth(1, 0);
    for (int style = 0; style < 5; ++style) {
        editor_->StyleSetForeground(style, FromColourRef(kColours[style]));
    }
    editor_->SetModEventMask(wxSTC_MOD_INSERTTEXT | wxSTC_MOD_DELETETEXT);

    auto* top = new wxBoxSizer(wxVERTICAL);
    top->Add(editor_, 1, wxEXPAND);
    auto* buttons = new wxBoxSizer(wxHORIZONTAL);
    buttons->AddStretchSpacer();
    buttons->Add(new wxButton(this, wxID_OK, wxString::FromUTF8("ОК")), 0, wxALL, 2);
    buttons->Add(new wxButton(this, wxID_CANCEL, wxString::FromUTF8("Отмена")), 0, wxALL, 2);
    top->Add(buttons, 0, wxEXPAND);
    SetSizer(top);

    editor_->Bind(wxEVT_STC_MODIFIED, &LispDlg::OnModified, this);
    Bind(wxEVT_BUTTON, &LispDlg::OnOk, this, wxID_OK);
    // The first size the window gets is the smallest it may become.
    Bind(wxEVT_SIZE, [this](wxSizeEvent& event) {
        if (!minimumTaken_) {
            minimumTaken_ = true;
            SetMinSize(event.GetSize());
        }
        event.Skip();
    });

    editor_->SetText(text);
    editor_->EmptyUndoBuffer();
    Colour();
}

void LispDlg::OnModified(wxStyledTextEvent& event) {
    const int type = event.GetModificationType();
    if ((type & wxSTC_MOD_INSERTTEXT) != 0) {
        // Text beyond the limit cannot be entered: what an insertion brought past it is taken off its end
        // once Scintilla has finished the insertion (the document cannot change inside its notification;
        // changing the insertion itself misreads long texts in wxWidgets 3.2).
        const int end = event.GetPosition() + event.GetLength();
        CallAfter([this, end] {
            TrimInsertionEndingAt(end);
            Colour();
        });
        return;
    }
    if ((type & wxSTC_MOD_DELETETEXT) != 0) {
        // Styling while Scintilla is still inside its change notification is not allowed.
        CallAfter([this] { Colour(); });
    }
}

void LispDlg::TrimInsertionEndingAt(int end) {
    const int excess = editor_->CountCharacters(0, editor_->GetLength()) - kScriptCharacterLimit;
    if (excess <= 0 || end > editor_->GetLength()) {
        return;
    }
    const int start = editor_->PositionRelative(end, -excess);
    if (start >= 0 && start < end) {
        editor_->DeleteRange(start, end - start);
    }
}

void LispDlg::Colour() {
    const wxCharBuffer raw = editor_->GetTextRaw();
    const std::string_view text(raw.data(), raw.length());
    if (text.empty() || (mode_ != kScriptLisp && mode_ != kScriptVba)) {
        return;
    }
    int anchor = editor_->GetAnchor();
    int caret = editor_->GetCurrentPos();
    const auto runs = mode_ == kScriptLisp ? ColourLisp(text) : ColourVba(text);
    editor_->StartStyling(0);
    for (const ColourRun& run : runs) {
        editor_->SetStyling(static_cast<int>(run.length), static_cast<int>(run.colour));
    }
    editor_->SetSelection(anchor, caret);
}

void LispDlg::OnOk(wxCommandEvent&) {
    text_ = editor_->GetText();
    EndModal(wxID_OK);
}

bool EditProjectScript(wxWindow* parent, int mode, CDocvaneDoc& project, std::string& script) {
    LispDlg dialog(parent, mode, wxString::FromUTF8(script.data(), script.size()));
    if (dialog.ShowModal() != wxID_OK) {
        return false;
    }
    const wxScopedCharBuffer text = dialog.Text().utf8_str();
    const std::string edited(text.data(), text.length());
    if (edited == script) {
        return false;
    }
    script = edited;
    project.SetModifiedFlag();
    return true;
}

}  // namespace docvane
