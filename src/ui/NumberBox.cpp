#include "ui/NumberBox.h"

#include <wx/sizer.h>
#include <wx/spinbutt.h>
#include <wx/textctrl.h>

#include "desktop/RibbonRules.h"
#include "views/WxText.h"

namespace docvane {

CNumberBox::CNumberBox(wxWindow* parent, int commandId, int textWidth)
    : wxPanel(parent, wxID_ANY), commandId_(commandId) {
    text_ = new wxTextCtrl(this, wxID_ANY, wxEmptyString, wxDefaultPosition, wxSize(textWidth, -1),
                           wxTE_PROCESS_ENTER);
    spin_ = new wxSpinButton(this, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxSP_VERTICAL);
    spin_->SetRange(0, 100);
    auto* sizer = new wxBoxSizer(wxHORIZONTAL);
    sizer->Add(text_, 0, wxALIGN_CENTER_VERTICAL);
    sizer->Add(spin_, 0, wxALIGN_CENTER_VERTICAL);
    SetSizer(sizer);
    text_->Bind(wxEVT_TEXT_ENTER, [this](wxCommandEvent&) { Store(); });
    text_->Bind(wxEVT_KILL_FOCUS, [this](wxFocusEvent& event) {
        if (text_->GetValue() != shown_) {
            Store();
        }
        event.Skip();
    });
    spin_->Bind(wxEVT_SPIN, [this](wxSpinEvent& event) {
        text_->ChangeValue(wxString::Format("%d", event.GetPosition()));
        Store();
    });
}

void CNumberBox::SetText(const wxString& text) {
    shown_ = text;
    text_->ChangeValue(text);
    const int value = ParseNumberBox(Utf8(text));
    spin_->SetValue(value < 0 ? 0 : (value > 100 ? 100 : value));
}

wxString CNumberBox::GetText() const {
    return text_->GetValue();
}

void CNumberBox::Store() {
    shown_ = text_->GetValue();
    const int value = ParseNumberBox(Utf8(shown_));
    spin_->SetValue(value < 0 ? 0 : (value > 100 ? 100 : value));
    if (onStore) {
        onStore(commandId_, Utf8(shown_));
    }
}

}  // namespace docvane
