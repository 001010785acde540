#pragma once
// The main window's ribbon: its pages, panels, buttons and boxes, which of them are enabled, the
// menus it opens (application, look, split buttons), its key tips, and the project settings its boxes
// show and edit. Commands it does not carry out itself go back to the window as command ids.
#include <wx/bitmap.h>
#include <wx/defs.h>

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "desktop/KeyTips.h"

class wxCheckBox;
class wxChoice;
class wxComboBox;
class wxFrame;
class wxKeyEvent;
class wxRibbonBar;
class wxRibbonBarEvent;
class wxRibbonButtonBar;
class wxRibbonButtonBarEvent;
class wxTextCtrl;
class wxWindow;

namespace docvane {

class CDocvaneDoc;
class CNumberBox;
class RecentFiles;
struct LookStyle;

// The menu items of the recent projects in the application menu, one after the other from here.
constexpr int kRecentMenuBase = wxID_FILE1;

// The icon a ribbon button shows while it is disabled.
wxBitmap DisabledRibbonIcon(const wxBitmap& icon);

// What the ribbon needs of the window it sits in.
class RibbonHost {
  public:
    virtual ~RibbonHost() = default;
    virtual CDocvaneDoc* ActiveProject() const = 0;
    virtual CDocvaneDoc* PublishedProject() const = 0;
    // Carries out a command as its menu item, shortcut or button does.
    virtual void RunCommand(int id) = 0;
    // Asks for the combined PDF's name; empty when the user cancels.
    virtual std::string AskCombinedPdfPath() = 0;
    // The properties pane shows the project's combined PDF (nothing for null).
    virtual void ShowProjectProperties(CDocvaneDoc* project) = 0;
    // A box changed the active project: the titles show it modified.
    virtual void ProjectEdited() = 0;
    // A check box changed the active project: every command state follows.
    virtual void StatesChanged() = 0;
    virtual const RecentFiles& Recent() const = 0;
    virtual int Look() const = 0;
};

// The states the ribbon's elements show.
struct RibbonStates {
    CDocvaneDoc* active = nullptr;
    bool editing = false;  // the active project may be edited (no run holds it)
    bool stopEnabled = false;
    bool statusBarShown = false;
    bool outputShown = false;
    bool propertiesShown = false;
};

class CMainRibbon {
  public:
    // Builds the ribbon bar as a child of frame; the frame places it.
    CMainRibbon(wxFrame& frame, RibbonHost& host);
    CMainRibbon(const CMainRibbon&) = delete;
    CMainRibbon& operator=(const CMainRibbon&) = delete;

    wxRibbonBar* Bar() const { return ribbon_; }
    wxRibbonButtonBar* PublishBar() const { return publishBar_; }
    // The control of a command (path, number, text and check boxes, open buttons); null for others.
    wxWindow* Control(int id) const;

    void ApplyStates(const RibbonStates& states);
    // Puts Publish or Stop into the publication panel, whichever the run asks for.
    void ShowRunning(bool running);
    void ApplyStyle(const LookStyle& style);
    // Lays the ribbon out again after its contents changed.
    void Refit();
    void FitPathBoxes();

    // The boxes show the active project's settings (and the pane its combined PDF).
    void ShowProjectSettings();
    // Takes the path boxes' texts into the active project, or asks for the path a box leaves open.
    void ApplyPathBoxes();
    void ShowCombinedPdfPath(const CDocvaneDoc& project);
    void ToggleFlag(int id);
    void OpenPath(int id);

    void ShowApplicationMenu();
    void ShowLookMenu();
    // Alt+letter opens a category's key tips, the next letter runs its command.
    void OnCharHook(wxKeyEvent& event);

  private:
    void BuildHomePage();
    void BuildViewPage();
    void BuildPdfPage();
    void BuildAutocadPage();
    void BuildWordPage();
    wxCheckBox* AddCheck(wxWindow* parent, int id);
    CNumberBox* AddNumber(wxWindow* parent, int id);
    void SetTooltip(wxWindow* window, int id);
    void FillPathBoxLists(CDocvaneDoc& project);
    void EnableRibbonButton(wxRibbonButtonBar* bar, int id, bool enable);
    void OnNumber(int id, const std::string& text);
    void OnText(int id, const std::string& text);
    void OnRibbonButton(wxRibbonButtonBarEvent& event);
    void OnRibbonDropdown(wxRibbonButtonBarEvent& event);
    void OnPageChanging(wxRibbonBarEvent& event);
    bool Editable(CDocvaneDoc* project) const;

    wxFrame& frame_;
    RibbonHost& host_;
    wxRibbonBar* ribbon_ = nullptr;
    wxRibbonButtonBar* publishBar_ = nullptr;
    wxWindow* homePage_ = nullptr;
    wxWindow* pathPanel_ = nullptr;
    wxWindow* appPage_ = nullptr;
    wxWindow* stylePage_ = nullptr;
    wxComboBox* pathBoxes_[3] = {nullptr, nullptr, nullptr};
    wxTextCtrl* xrefDir_ = nullptr;
    wxChoice* format_ = nullptr;
    std::map<int, wxCheckBox*> checks_;
    std::map<int, CNumberBox*> numbers_;
    std::map<int, wxWindow*> controls_;  // every control by its command id
    std::vector<std::pair<wxRibbonButtonBar*, int>> editButtons_;
    std::map<int, bool> buttonStates_;
    bool stopShown_ = false;
    std::map<wxWindow*, int> panelWidths_;  // the other panels of "Главная", each at its widest
    // Room kept free at the right end of "Главная" so that rounding never brings its scroll arrow up.
    static constexpr int kPathPanelSlack = 8;
    std::optional<RibbonCategory> keyTips_;  // the category whose tips wait for a letter
};

}  // namespace docvane
