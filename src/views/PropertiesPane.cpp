#include "views/PropertiesPane.h"

#include <wx/artprov.h>
#include <wx/propgrid/manager.h>
#include <wx/propgrid/props.h>
#include <wx/settings.h>
#include <wx/sizer.h>
#include <wx/toolbar.h>

#include <algorithm>

#include "desktop/PropertiesRows.h"
#include "output/DocumentStatus.h"
#include "project/DocvaneDoc.h"
#include "run/MainWindowChannel.h"

namespace docvane {
namespace {

constexpr int kDescriptionRows = 8;
// Below this the description box's texts would get no width or a negative one.
constexpr int kLeastDescribedSize = 48;
// What the grid keeps beside the description: a few rows, and room for its vertical scroll bar.
constexpr int kLeastGridHeight = 80;

wxString FromUtf8(const std::string& text) {
    return wxString::FromUTF8(text.data(), text.size());
}

// A grid that never writes its help text into the frame's status bar.
class CPaneGrid : public wxPropertyGrid {
  public:
    wxStatusBar* GetStatusBar() override { return nullptr; }
};

}  // namespace

class CPropertiesGridManager : public wxPropertyGridManager {
  public:
    CPropertiesGridManager() = default;

  protected:
    wxPropertyGrid* CreatePropertyGrid() const override { return new CPaneGrid(); }
};

CPropertiesPane::CPropertiesPane(wxWindow* parent) : wxPanel(parent, wxID_ANY) {
    auto* toolbar =
        new wxToolBar(this, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxTB_HORIZONTAL | wxTB_FLAT);
    toolbar->AddTool(ID_EXPAND_ALL, wxString::FromUTF8("Развернуть все"),
                     wxArtProvider::GetBitmap(wxART_PLUS, wxART_TOOLBAR, wxSize(16, 16)),
                     wxString::FromUTF8("Развернуть все"));
    toolbar->AddCheckTool(ID_SORT_ALPHABETICAL, wxString::FromUTF8("По алфавиту"),
                          wxArtProvider::GetBitmap(wxART_LIST_VIEW, wxART_TOOLBAR, wxSize(16, 16)),
                          wxNullBitmap, wxString::FromUTF8("По алфавиту"));
    toolbar->AddTool(ID_REFRESH_STATUS, wxString::FromUTF8("Обновить"),
                     wxArtProvider::GetBitmap(wxART_REDO, wxART_TOOLBAR, wxSize(16, 16)),
                     wxString::FromUTF8("Обновить"));
    toolbar->Realize();

    // Two-step creation so that the manager builds our grid; its description box comes once it has a
    // size (DescribeIfSized).
    grid_ = new CPropertiesGridManager();
    grid_->Create(this, wxID_ANY, wxDefaultPosition, wxSize(240, 320), wxPG_SPLITTER_AUTO_CENTER);
    wxFont font = wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT);
    grid_->GetGrid()->SetFont(font);
    // Left to itself the manager keeps the description's height when the pane gets short, squeezing
    // the grid to one row (too short for its scroll bar: a GTK critical), and never gives the area
    // its height back. This runs before the manager's own resize, which applies the height set here.
    grid_->Bind(wxEVT_SIZE, [this](wxSizeEvent& event) {
        event.Skip();
        if (grid_->HasFlag(wxPG_DESCRIPTION)) {
            const int height = DescriptionHeightFor(event.GetSize().GetHeight());
            if (height != grid_->GetDescBoxHeight()) {
                grid_->SetDescBoxHeight(height, false);
            }
            // The manager measures the area against its new size but its old splitter, so a pane
            // growing back may keep the short area: checked again once the resize is done.
            CallAfter([this] {
                const int after = DescriptionHeightFor(grid_->GetClientSize().GetHeight());
                if (grid_->GetDescBoxHeight() != after) {
                    grid_->SetDescBoxHeight(after);
                }
            });
        } else {
            CallAfter([this] {
                if (DescribeIfSized(*grid_, WantedDescriptionHeight())) {
                    grid_->SetDescBoxHeight(DescriptionHeightFor(grid_->GetClientSize().GetHeight()));
                }
            });
        }
    });

    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(toolbar, 0, wxEXPAND);
    sizer->Add(grid_, 1, wxEXPAND);
    SetSizer(sizer);

    Bind(
        wxEVT_TOOL, [this](wxCommandEvent&) { ExpandAll(); }, ID_EXPAND_ALL);
    Bind(
        wxEVT_TOOL, [this](wxCommandEvent&) { ToggleAlphabetical(); }, ID_SORT_ALPHABETICAL);
    Bind(
        wxEVT_TOOL, [this](wxCommandEvent&) { RefreshStatus(); }, ID_REFRESH_STATUS);
    Bind(
        wxEVT_UPDATE_UI, [this](wxUpdateUIEvent& event) { event.Check(alphabetical_); },
        ID_SORT_ALPHABETICAL);
    Bind(
        wxEVT_UPDATE_UI, [this](wxUpdateUIEvent& event) { event.Enable(CanRefresh()); }, ID_REFRESH_STATUS);
    Bind(wxEVT_SET_FOCUS, [this](wxFocusEvent&) { grid_->GetGrid()->SetFocus(); });

    refreshViews_ = [](CDocvaneDoc& project) { MainWindow().RefreshViews(&project); };
    ShowProperties(nullptr, nullptr);
}

void CPropertiesPane::ShowProperties(PathDoc* pdf, FileDoc* file) {
    pdf_ = pdf;
    file_ = file;
    wxPropertyGrid* grid = grid_->GetGrid();
    grid->Freeze();
    grid->Clear();
    wxPGProperty* message = nullptr;
    int group = 0;
    for (const PropertyGroup& entry : PropertyGroupsFor(pdf, file)) {
        auto* category =
            grid->Append(new wxPropertyCategory(FromUtf8(entry.title), wxString::Format("g%d", group)));
        int row = 0;
        for (const PropertyRow& line : entry.rows) {
            auto* property = new wxStringProperty(
                FromUtf8(line.name), wxString::Format("g%dr%d", group, row++), FromUtf8(line.value));
            grid->AppendIn(category, property);
            property->SetHelpString(FromUtf8(line.value));
            grid->SetPropertyReadOnly(property, true);
            message = property;
        }
        ++group;
    }
    if (alphabetical_) {
        grid->Sort();
    }
    grid->Thaw();
    // The last row is the status message; a programmatic selection does not fill the description.
    if (message != nullptr) {
        grid->SelectProperty(message);
        if (grid_->HasFlag(wxPG_DESCRIPTION)) {
            grid_->SetDescription(message->GetLabel(), message->GetHelpString());
        }
    }
}

void CPropertiesPane::ExpandAll() {
    grid_->GetGrid()->ExpandAll(true);
}

void CPropertiesPane::ToggleAlphabetical() {
    alphabetical_ = !alphabetical_;
    wxPropertyGrid* grid = grid_->GetGrid();
    const long style = grid->GetWindowStyleFlag();
    if (alphabetical_) {
        grid->SetWindowStyleFlag(style | wxPG_HIDE_CATEGORIES);
        grid->Sort();
    } else {
        grid->SetWindowStyleFlag(style & ~wxPG_HIDE_CATEGORIES);
        ShowProperties(pdf_, file_);
    }
}

bool CPropertiesPane::StillShownProject(CDocvaneDoc& active) const {
    if (pdf_ != nullptr && pdf_ != &active.pdfFile) {
        return false;
    }
    if (file_ == nullptr) {
        return true;
    }
    return std::any_of(active.fileDocs.begin(), active.fileDocs.end(),
                       [this](const auto& entry) { return entry.get() == file_; });
}

bool CPropertiesPane::CanRefresh() {
    CDocvaneDoc* active = activeProject_ ? activeProject_() : nullptr;
    if (active == nullptr) {
        pdf_ = nullptr;
        file_ = nullptr;
        return false;
    }
    // Entries of another project, or a file excluded meanwhile, are not touched.
    if (!StillShownProject(*active)) {
        pdf_ = nullptr;
        file_ = nullptr;
    }
    return true;
}

void CPropertiesPane::RefreshStatus() {
    if (!CanRefresh()) {
        return;
    }
    if (file_ != nullptr) {
        ComputeStatus(*file_);
    } else if (pdf_ != nullptr && pdf_->owner != nullptr) {
        ComputeProjectStatus(*pdf_->owner);
    }
    if (pdf_ != nullptr && pdf_->owner != nullptr && refreshViews_) {
        refreshViews_(*pdf_->owner);
    }
}

wxString CPropertiesPane::ValueOf(const wxString& group, const wxString& row) const {
    wxPropertyGrid* grid = grid_->GetGrid();
    for (wxPropertyGridIterator it = grid->GetIterator(wxPG_ITERATE_CATEGORIES); !it.AtEnd(); ++it) {
        wxPGProperty* category = *it;
        if (!category->IsCategory() || category->GetLabel() != group) {
            continue;
        }
        for (unsigned int i = 0; i < category->GetChildCount(); ++i) {
            if (category->Item(i)->GetLabel() == row) {
                return category->Item(i)->GetValueAsString();
            }
        }
    }
    return {};
}

wxString CPropertiesPane::DescriptionText() const {
    wxPGProperty* selected = grid_->GetGrid()->GetSelection();
    return selected != nullptr ? selected->GetHelpString() : wxString();
}

wxString CPropertiesPane::SelectedLabel() const {
    wxPGProperty* selected = grid_->GetGrid()->GetSelection();
    return selected != nullptr ? selected->GetLabel() : wxString();
}

std::vector<wxString> CPropertiesPane::GroupTitles() const {
    std::vector<wxString> titles;
    wxPropertyGrid* grid = grid_->GetGrid();
    for (wxPropertyGridIterator it = grid->GetIterator(wxPG_ITERATE_CATEGORIES); !it.AtEnd(); ++it) {
        if ((*it)->IsCategory()) {
            titles.push_back((*it)->GetLabel());
        }
    }
    return titles;
}

int CPropertiesPane::DescriptionHeight() const {
    return grid_->GetDescBoxHeight();
}

bool DescribeIfSized(wxPropertyGridManager& grid, int height) {
    if (grid.HasFlag(wxPG_DESCRIPTION)) {
        return true;
    }
    const wxSize size = grid.GetClientSize();
    if (size.GetWidth() < kLeastDescribedSize || size.GetHeight() < kLeastDescribedSize) {
        return false;
    }
    grid.SetWindowStyleFlag(grid.GetWindowStyleFlag() | wxPG_DESCRIPTION);
    grid.SetDescBoxHeight(std::min(height, size.GetHeight() / 2));
    if (wxPGProperty* selected = grid.GetGrid()->GetSelection()) {
        grid.SetDescription(selected->GetLabel(), selected->GetHelpString());
    }
    return true;
}

void DescribeOnceSized(wxPropertyGridManager& grid, int height) {
    wxPropertyGridManager* manager = &grid;
    // Bound handlers run before the manager's own resize: the check waits until that is done.
    grid.Bind(wxEVT_SIZE, [manager, height](wxSizeEvent& event) {
        event.Skip();
        manager->CallAfter([manager, height] { DescribeIfSized(*manager, height); });
    });
}

int CPropertiesPane::DescriptionHeightFor(int managerHeight) const {
    return std::clamp(managerHeight - kLeastGridHeight, 0, WantedDescriptionHeight());
}

int CPropertiesPane::WantedDescriptionHeight() const {
    return kDescriptionRows * grid_->GetGrid()->GetCharHeight() + 8;
}

}  // namespace docvane
