#include "ui/SettingsDialog.h"

#include <wx/button.h>
#include <wx/filedlg.h>
#include <wx/msgdlg.h>
#include <wx/notebook.h>
#include <wx/propgrid/advprops.h>
#include <wx/propgrid/manager.h>
#include <wx/propgrid/props.h>
#include <wx/sizer.h>

#include "app/ApplicationSettings.h"
#include "app/SettingsStore.h"
#include "desktop/SettingsPages.h"
#include "ui/DocvaneApp.h"
#include "views/PropertiesPane.h"

namespace docvane {
namespace {

// The catalogue leaves the font property's choices in English: each choice row gets its values
// again under Russian texts (the numbers, which the property turns into the font, stay), and the
// underline row a check box instead of "False"/"True".
void RelabelFontChoices(wxPGProperty& font) {
    for (unsigned int i = 0; i < font.GetChildCount(); ++i) {
        wxPGProperty* child = font.Item(i);
        std::string row = child->GetBaseName().utf8_string();
        if (row == "Underlined") {
            child->SetAttribute(wxPG_BOOL_USE_CHECKBOX, true);
            continue;
        }
        if (row == "PointSize" && child->IsKindOf(wxCLASSINFO(wxEnumProperty))) {
            row = "Family";  // wxWidgets 3.2 names its family row so
        }
        if (row != "Style" && row != "Weight" && row != "Family") {
            continue;
        }
        const wxPGChoices& old = child->GetChoices();
        if (!old.IsOk()) {
            continue;
        }
        wxPGChoices relabelled;
        for (unsigned int c = 0; c < old.GetCount(); ++c) {
            const std::string russian = FontChoiceText(row, old.GetLabel(c).utf8_string());
            relabelled.Add(russian.empty() ? old.GetLabel(c) : wxString::FromUTF8(russian), old.GetValue(c));
        }
        const wxVariant value = child->GetValue();
        child->SetChoices(relabelled);
        child->SetValue(value);
    }
}

wxString FromUtf8(const std::string& text) {
    return wxString::FromUTF8(text.data(), text.size());
}

std::string ToUtf8(const wxString& text) {
    const wxScopedCharBuffer utf8 = text.utf8_str();
    return std::string(utf8.data(), utf8.length());
}

wxPGProperty* MakeProperty(const SettingProperty& entry, ApplicationSettings& settings,
                           const wxString& name) {
    const wxString label = FromUtf8(entry.label);
    wxPGProperty* property = nullptr;
    switch (entry.kind) {
        case SettingKind::Text:
            property =
                new wxStringProperty(label, name, FromUtf8(std::get<TextSetting>(entry.setting)(settings)));
            break;
        case SettingKind::Flag:
            property = new wxBoolProperty(label, name, std::get<FlagSetting>(entry.setting)(settings));
            property->SetAttribute(wxPG_BOOL_USE_CHECKBOX, true);
            break;
        case SettingKind::Number:
            property = new wxIntProperty(label, name, std::get<NumberSetting>(entry.setting)(settings));
            break;
        case SettingKind::Font: {
            wxFont font(wxFontInfo(settings.fontHeight).FaceName(FromUtf8(settings.fontName)));
            // The font property names its rows itself.
            ScopedRussianToolkitTexts russian;
            property = new wxFontProperty(label, name, font);
            RelabelFontChoices(*property);
            break;
        }
        case SettingKind::FilePath:
            property =
                new wxFileProperty(label, name, FromUtf8(std::get<TextSetting>(entry.setting)(settings)));
            property->SetAttribute(wxPG_FILE_SHOW_FULL_PATH, true);
            property->SetAttribute(wxPG_FILE_WILDCARD, wxString::FromUTF8("AutoCad file|*"));
            property->SetAttribute(wxPG_FILE_DIALOG_STYLE, wxFD_OPEN | wxFD_FILE_MUST_EXIST);
            property->SetAttribute(wxPG_DIALOG_TITLE, wxString::FromUTF8("Выберите файл"));
            break;
        case SettingKind::Choice: {
            wxArrayString choices;
            for (const std::string& choice : entry.choices) {
                choices.Add(FromUtf8(choice));
            }
            const std::string& current = std::get<TextSetting>(entry.setting)(settings);
            const auto found = std::find(entry.choices.begin(), entry.choices.end(), current);
            auto* choice = new wxEnumProperty(label, name, choices);
            if (found != entry.choices.end()) {
                choice->SetChoiceSelection(static_cast<int>(found - entry.choices.begin()));
            } else {
                // A stored value outside the list is shown as it is until a choice replaces it.
                choice->SetValueToUnspecified();
            }
            property = choice;
            break;
        }
    }
    property->SetHelpString(FromUtf8(entry.description));
    return property;
}

}  // namespace

CPropertyDlg::CPropertyDlg(wxWindow* parent, ApplicationSettings& settings, SettingsStore& store)
    : wxDialog(parent, wxID_ANY, wxString::FromUTF8("Настройки"), wxDefaultPosition, wxSize(640, 560),
               wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER),
      settings_(settings),
      store_(store) {
    auto* top = new wxBoxSizer(wxVERTICAL);
    tabs_ = new wxNotebook(this, wxID_ANY);
    for (const SettingsPage& page : SettingsPages()) {
        auto* panel = new wxPanel(tabs_);
        panel->SetSizer(new wxBoxSizer(wxVERTICAL));
        tabs_->AddPage(panel, FromUtf8(page.title));
    }
    top->Add(tabs_, 1, wxEXPAND | wxALL, 4);
    auto* buttons = new wxBoxSizer(wxHORIZONTAL);
    buttons->AddStretchSpacer();
    buttons->Add(new wxButton(this, wxID_OK, wxString::FromUTF8("ОК")), 0, wxALL, 4);
    buttons->Add(new wxButton(this, wxID_CANCEL, wxString::FromUTF8("Отмена")), 0, wxALL, 4);
    top->Add(buttons, 0, wxEXPAND | wxALL, 4);
    SetSizer(top);

    // The other tabs' grids are built the first time their tab is shown.
    ShowTab(0);
    tabs_->Bind(wxEVT_NOTEBOOK_PAGE_CHANGED, [this](wxBookCtrlEvent& event) {
        event.Skip();
        if (event.GetSelection() >= 0) {
            ShowTab(static_cast<std::size_t>(event.GetSelection()));
        }
    });
    Bind(wxEVT_BUTTON, &CPropertyDlg::OnOk, this, wxID_OK);
}

void CPropertyDlg::EnsureGrid(std::size_t tab) {
    if (tab >= 3 || grids_[tab] != nullptr) {
        return;
    }
    wxWindow* panel = tabs_->GetPage(tab);
    // The description box comes once the grid has a size (DescribeOnceSized).
    auto* grid = new wxPropertyGridManager(
        panel, wxID_ANY, wxDefaultPosition, wxSize(400, 300),
        wxPG_BOLD_MODIFIED | wxPG_SPLITTER_AUTO_CENTER | wxTAB_TRAVERSAL | wxBORDER_SUNKEN);
    grid->AddPage();
    grid->ShowHeader();
    grid->SetColumnTitle(0, wxString::FromUTF8("Наименование"));
    grid->SetColumnTitle(1, wxString::FromUTF8("Значение"));
    DescribeOnceSized(*grid, 3 * grid->GetGrid()->GetCharHeight() + 12);
    const SettingsPage& page = SettingsPages()[tab];
    int index = 0;
    for (const SettingGroup& group : page.groups) {
        wxPGProperty* category =
            grid->Append(new wxPropertyCategory(FromUtf8(group.title), wxString::Format("c%d", index++)));
        for (const SettingProperty& entry : group.properties) {
            wxPGProperty* property = MakeProperty(entry, settings_, wxString::Format("p%d", index++));
            grid->GetGrid()->AppendIn(category, property);
            bindings_[property] = &entry;
        }
    }
    grid->GetGrid()->ExpandAll(true);
    grid->Bind(wxEVT_PG_CHANGED, &CPropertyDlg::OnChanged, this);
    panel->GetSizer()->Add(grid, 1, wxEXPAND);
    panel->Layout();
    grids_[tab] = grid;
}

void CPropertyDlg::ShowTab(std::size_t tab) {
    EnsureGrid(tab);
    for (std::size_t i = 0; i < 3; ++i) {
        if (grids_[i] != nullptr) {
            grids_[i]->Show(i == tab);
        }
    }
    Refresh();
}

wxPGProperty* CPropertyDlg::PropertyByLabel(std::size_t tab, const wxString& label) {
    EnsureGrid(tab);
    if (grids_[tab] == nullptr) {
        return nullptr;
    }
    wxPropertyGrid* grid = grids_[tab]->GetGrid();
    for (wxPropertyGridIterator it = grid->GetIterator(); !it.AtEnd(); ++it) {
        if ((*it)->GetLabel() == label && bindings_.count(*it) != 0) {
            return *it;
        }
    }
    return nullptr;
}

bool CPropertyDlg::EditProperty(std::size_t tab, const wxString& label, const wxVariant& value) {
    wxPGProperty* property = PropertyByLabel(tab, label);
    if (property == nullptr) {
        return false;
    }
    grids_[tab]->GetGrid()->ChangePropertyValue(property, value);
    return true;
}

void CPropertyDlg::OnChanged(wxPropertyGridEvent& event) {
    Apply(event.GetProperty());
    event.Skip();
}

void CPropertyDlg::Apply(wxPGProperty* property) {
    const auto found = bindings_.find(property);
    if (found == bindings_.end()) {
        return;
    }
    const SettingProperty& entry = *found->second;
    const wxVariant value = property->GetValue();
    switch (entry.kind) {
        case SettingKind::Text:
        case SettingKind::FilePath:
            std::get<TextSetting>(entry.setting)(settings_) = ToUtf8(property->GetValueAsString());
            break;
        case SettingKind::Flag:
            std::get<FlagSetting>(entry.setting)(settings_) = value.GetBool();
            break;
        case SettingKind::Number:
            std::get<NumberSetting>(entry.setting)(settings_) = static_cast<int>(value.GetLong());
            break;
        case SettingKind::Choice: {
            const int index = static_cast<int>(value.GetLong());
            if (index >= 0 && static_cast<std::size_t>(index) < entry.choices.size()) {
                std::get<TextSetting>(entry.setting)(settings_) = entry.choices[index];
            }
            break;
        }
        case SettingKind::Font: {
            // The numbering font: its face and height.
            wxFont font;
            font << value;
            if (font.IsOk()) {
                settings_.fontName = ToUtf8(font.GetFaceName());
                settings_.fontHeight = font.GetPointSize();
            }
            break;
        }
    }
}

void CPropertyDlg::OnOk(wxCommandEvent&) {
    if (!SaveSettings(settings_, store_)) {
        wxMessageBox(wxString::FromUTF8("Не удалось сохранить настройки."), wxString::FromUTF8("Настройки"),
                     wxOK | wxICON_ERROR, this);
    }
    EndModal(wxID_OK);
}

}  // namespace docvane
