#pragma once
// The settings dialog: the application settings on three tabs of property grids. An edit goes into
// the settings when it ends; "ОК" writes them all to the settings store, "Отмена" undoes nothing.
#include <wx/dialog.h>

#include <map>

class wxNotebook;
class wxPGProperty;
class wxPropertyGridEvent;
class wxPropertyGridManager;

namespace docvane {

struct ApplicationSettings;
class SettingsStore;
struct SettingProperty;

class CPropertyDlg : public wxDialog {
  public:
    CPropertyDlg(wxWindow* parent, ApplicationSettings& settings, SettingsStore& store);

    wxNotebook* Tabs() { return tabs_; }
    // The grid of a tab, null until the tab was first shown.
    wxPropertyGridManager* Grid(std::size_t tab) { return tab < 3 ? grids_[tab] : nullptr; }
    // The property with that label on a tab's grid (creating the grid when needed).
    wxPGProperty* PropertyByLabel(std::size_t tab, const wxString& label);
    // Puts value into the property as an ended edit does.
    bool EditProperty(std::size_t tab, const wxString& label, const wxVariant& value);

  private:
    void EnsureGrid(std::size_t tab);
    void ShowTab(std::size_t tab);
    void OnChanged(wxPropertyGridEvent& event);
    void Apply(wxPGProperty* property);
    void OnOk(wxCommandEvent& event);

    ApplicationSettings& settings_;
    SettingsStore& store_;
    wxNotebook* tabs_ = nullptr;
    wxPropertyGridManager* grids_[3] = {nullptr, nullptr, nullptr};
    std::map<wxPGProperty*, const SettingProperty*> bindings_;
};

}  // namespace docvane
