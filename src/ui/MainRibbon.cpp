// The main window's ribbon: building its pages, the states of its elements, its boxes and menus.
#include "ui/MainRibbon.h"

#include <wx/artprov.h>
#include <wx/bmpbuttn.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/combobox.h>
#include <wx/dirdlg.h>
#include <wx/frame.h>
#include <wx/menu.h>
#include <wx/ribbon/art.h>
#include <wx/ribbon/bar.h>
#include <wx/ribbon/buttonbar.h>
#include <wx/ribbon/page.h>
#include <wx/ribbon/panel.h>
#include <wx/settings.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/utils.h>

#include <algorithm>
#include <cstdint>

#include "app/ApplicationSettings.h"
#include "base/PathUtils.h"
#include "desktop/ApplicationLooks.h"
#include "desktop/CommandAccelerators.h"
#include "desktop/CommandIds.h"
#include "desktop/CommandTexts.h"
#include "desktop/PathBoxes.h"
#include "desktop/ProjectBindings.h"
#include "desktop/RecentFiles.h"
#include "desktop/RibbonRules.h"
#include "platform/DesktopOpen.h"
#include "project/DocvaneDoc.h"
#include "ui/NumberBox.h"
#include "views/WxText.h"

namespace docvane {

namespace {

constexpr int kNumberBoxWidth = 70;

wxColour FromRgb(std::uint32_t rgb) {
    return wxColour(static_cast<unsigned char>((rgb >> 16) & 0xFF),
                    static_cast<unsigned char>((rgb >> 8) & 0xFF), static_cast<unsigned char>(rgb & 0xFF));
}

// A menu shows the command's shortcut at its right edge.
wxString AcceleratorSuffix(int id) {
    const std::string text = AcceleratorText(id);
    return text.empty() ? wxString() : Wx("\t" + text);
}

wxString MenuLabel(int id) {
    return Wx(CommandLabel(id)) + AcceleratorSuffix(id);
}

wxBitmap LargeIcon(const wxArtID& art) {
    return wxArtProvider::GetBitmap(art, wxART_TOOLBAR, wxSize(32, 32));
}

wxBitmap SmallIcon(const wxArtID& art) {
    return wxArtProvider::GetBitmap(art, wxART_TOOLBAR, wxSize(16, 16));
}

wxRibbonPanel* NewPanel(wxRibbonPage* page, const char* label) {
    return new wxRibbonPanel(page, wxID_ANY, Wx(label), wxNullBitmap, wxDefaultPosition, wxDefaultSize,
                             wxRIBBON_PANEL_NO_AUTO_MINIMISE);
}

wxRibbonButtonBar* NewButtonBar(wxRibbonPanel* panel) {
    return new wxRibbonButtonBar(panel, wxID_ANY);
}

// A large button with the faint icon it shows while disabled.
void AddLargeButton(wxRibbonButtonBar* bar, int id, const wxArtID& art, wxRibbonButtonKind kind) {
    const wxBitmap icon = LargeIcon(art);
    bar->AddButton(id, Wx(CommandLabel(id)), icon, wxNullBitmap, DisabledRibbonIcon(icon), wxNullBitmap, kind,
                   Wx(CommandTooltip(id)));
    bar->SetButtonMinSizeClass(id, wxRIBBON_BUTTONBAR_BUTTON_LARGE);
}

}  // namespace

// The toolkit only brightens a disabled button's icon, which leaves dark icons ("Поля", "Lisp
// скрипт") looking enabled: a disabled button shows its icon grey and faint.
wxBitmap DisabledRibbonIcon(const wxBitmap& icon) {
    if (!icon.IsOk()) {
        return wxNullBitmap;
    }
    wxImage image = icon.ConvertToImage().ConvertToGreyscale();
    if (!image.HasAlpha()) {
        image.InitAlpha();
    }
    unsigned char* alpha = image.GetAlpha();
    if (alpha != nullptr) {
        const int pixels = image.GetWidth() * image.GetHeight();
        for (int i = 0; i < pixels; ++i) {
            alpha[i] = static_cast<unsigned char>(alpha[i] * 2 / 5);
        }
    }
    return wxBitmap(image);
}

void CMainRibbon::SetTooltip(wxWindow* window, int id) {
    const std::string tip = CommandTooltip(id);
    if (!tip.empty()) {
        window->SetToolTip(Wx(tip));
    }
}

wxCheckBox* CMainRibbon::AddCheck(wxWindow* parent, int id) {
    // Command ids lie beyond the range of window ids: controls keep their command in the maps.
    auto* box = new wxCheckBox(parent, wxID_ANY, Wx(CommandLabel(id)));
    SetTooltip(box, id);
    box->Bind(wxEVT_CHECKBOX, [this, id](wxCommandEvent&) { host_.RunCommand(id); });
    checks_[id] = box;
    controls_[id] = box;
    return box;
}

CNumberBox* CMainRibbon::AddNumber(wxWindow* parent, int id) {
    auto* box = new CNumberBox(parent, id, kNumberBoxWidth);
    controls_[id] = box;
    SetTooltip(box->TextCtrl(), id);
    box->onStore = [this](int boxId, const std::string& text) { OnNumber(boxId, text); };
    numbers_[id] = box;
    return box;
}

CMainRibbon::CMainRibbon(wxFrame& frame, RibbonHost& host) : frame_(frame), host_(host) {
    ribbon_ = new wxRibbonBar(
        &frame, wxID_ANY, wxDefaultPosition, wxDefaultSize,
        wxRIBBON_BAR_FLOW_HORIZONTAL | wxRIBBON_BAR_SHOW_PAGE_LABELS | wxRIBBON_BAR_SHOW_HELP_BUTTON);
    // The first tab stands for the application button: it never becomes the active page, it opens
    // the application menu.
    appPage_ = new wxRibbonPage(ribbon_, wxID_ANY, Wx("Файл"));
    BuildHomePage();
    BuildViewPage();
    BuildPdfPage();
    BuildAutocadPage();
    BuildWordPage();
    stylePage_ = new wxRibbonPage(ribbon_, wxID_ANY, Wx("Стиль"));
    ribbon_->Realize();
    ribbon_->SetActivePage(1);
    ribbon_->Bind(wxEVT_RIBBONBAR_PAGE_CHANGING, [this](wxRibbonBarEvent& event) { OnPageChanging(event); });
    ribbon_->Bind(wxEVT_RIBBONBAR_PAGE_CHANGED, [this](wxRibbonBarEvent& event) {
        event.Skip();
        frame_.CallAfter([this] { FitPathBoxes(); });
    });
    ribbon_->Bind(wxEVT_RIBBONBAR_HELP_CLICK, [this](wxRibbonBarEvent&) { host_.RunCommand(ID_APP_ABOUT); });
    // The button bars' events reach the frame, where the ribbon has always taken them.
    frame_.Bind(wxEVT_RIBBONBUTTONBAR_CLICKED,
                [this](wxRibbonButtonBarEvent& event) { OnRibbonButton(event); });
    frame_.Bind(wxEVT_RIBBONBUTTONBAR_DROPDOWN_CLICKED,
                [this](wxRibbonButtonBarEvent& event) { OnRibbonDropdown(event); });
}

void CMainRibbon::BuildHomePage() {
    auto* page = new wxRibbonPage(ribbon_, wxID_ANY, Wx("Главная"));
    homePage_ = page;
    auto* publish = NewPanel(page, "Публикация");
    publishBar_ = NewButtonBar(publish);
    AddLargeButton(publishBar_, ID_PUBLIC_FAST, wxART_GO_FORWARD, wxRIBBON_BUTTON_HYBRID);
    AddLargeButton(publishBar_, ID_REFRESH, wxART_REDO, wxRIBBON_BUTTON_NORMAL);
    AddLargeButton(publishBar_, ID_FIELDS, wxART_REPORT_VIEW, wxRIBBON_BUTTON_NORMAL);
    for (int id : {ID_PUBLIC_FAST, ID_REFRESH, ID_FIELDS}) {
        editButtons_.emplace_back(publishBar_, id);
    }

    auto* paths = NewPanel(page, "Пути");
    pathPanel_ = paths;
    auto* grid = new wxFlexGridSizer(3, 3, 2, 4);
    grid->AddGrowableCol(1);
    const int boxIds[3] = {ID_PATH_COMBINE_PDF, ID_PATH_PDF_DIR, ID_PATH_EDIT_DIR};
    const int openIds[3] = {ID_OPEN_COMPILE_PDF, ID_OPEN_EXIT_PDF_DIR, ID_OPEN_EXIT_EDIT_DIR};
    for (int i = 0; i < 3; ++i) {
        grid->Add(new wxStaticText(paths, wxID_ANY, Wx(CommandLabel(boxIds[i]))), 0, wxALIGN_CENTER_VERTICAL);
        pathBoxes_[i] = new wxComboBox(paths, wxID_ANY, wxEmptyString, wxDefaultPosition,
                                       wxSize(kPathBoxInitialWidth, -1), 0, nullptr, wxTE_PROCESS_ENTER);
        SetTooltip(pathBoxes_[i], boxIds[i]);
        controls_[boxIds[i]] = pathBoxes_[i];
        pathBoxes_[i]->Bind(wxEVT_COMBOBOX,
                            [this](wxCommandEvent&) { frame_.CallAfter([this] { ApplyPathBoxes(); }); });
        pathBoxes_[i]->Bind(wxEVT_TEXT_ENTER, [this](wxCommandEvent&) { ApplyPathBoxes(); });
        pathBoxes_[i]->Bind(wxEVT_COMBOBOX_DROPDOWN, [this](wxCommandEvent&) { ShowProjectSettings(); });
        grid->Add(pathBoxes_[i], 0, wxALIGN_CENTER_VERTICAL);
        auto* open =
            new wxBitmapButton(paths, wxID_ANY, SmallIcon(i == 0 ? wxART_FILE_OPEN : wxART_FOLDER_OPEN));
        SetTooltip(open, openIds[i]);
        const int openId = openIds[i];
        open->Bind(wxEVT_BUTTON, [this, openId](wxCommandEvent&) { OpenPath(openId); });
        controls_[openId] = open;
        grid->Add(open, 0, wxALIGN_CENTER_VERTICAL);
    }
    paths->SetSizer(grid);
}

void CMainRibbon::BuildViewPage() {
    auto* page = new wxRibbonPage(ribbon_, wxID_ANY, Wx("Вид"));
    auto* view = NewPanel(page, "Вид");
    auto* column = new wxBoxSizer(wxVERTICAL);
    for (int id : {static_cast<int>(ID_VIEW_STATUS_BAR), static_cast<int>(ID_VIEW_OUTPUT_WND),
                   static_cast<int>(ID_VIEW_PROPERTY_WND)}) {
        column->Add(AddCheck(view, id), 0, wxALL, 1);
    }
    view->SetSizer(column);
    auto* window = NewPanel(page, "Окно");
    auto* bar = NewButtonBar(window);
    bar->AddHybridButton(ID_WINDOW_MANAGER, Wx(CommandLabel(ID_WINDOW_MANAGER)), LargeIcon(wxART_LIST_VIEW),
                         Wx(CommandTooltip(ID_WINDOW_MANAGER)));
    bar->SetButtonMinSizeClass(ID_WINDOW_MANAGER, wxRIBBON_BUTTONBAR_BUTTON_LARGE);
}

void CMainRibbon::BuildPdfPage() {
    auto* page = new wxRibbonPage(ribbon_, wxID_ANY, Wx("PDF"));
    auto* main = NewPanel(page, "Основные");
    auto* column = new wxBoxSizer(wxVERTICAL);
    for (int id : {ID_CHECK_PDF_MENU, ID_CHECK_PDF_NUMBERING, ID_CHECK_CLEAR_DIR, ID_CHECK_PDF_A}) {
        column->Add(AddCheck(main, id), 0, wxALL, 1);
    }
    main->SetSizer(column);

    auto numberPanel = [this, page](const char* label, std::initializer_list<int> ids) {
        auto* panel = NewPanel(page, label);
        auto* grid = new wxFlexGridSizer(static_cast<int>(ids.size()), 2, 2, 4);
        for (int id : ids) {
            grid->Add(new wxStaticText(panel, wxID_ANY, Wx(CommandLabel(id))), 0, wxALIGN_CENTER_VERTICAL);
            grid->Add(AddNumber(panel, id), 0, wxALIGN_CENTER_VERTICAL);
        }
        panel->SetSizer(grid);
    };
    numberPanel("Нумерация", {ID_SPIN_PAGE_FROM, ID_SPIN_START_PAGE});
    numberPanel("Шрифт", {ID_SPIN_FONT_HEIGHT});
    numberPanel("Позиция номера", {ID_SPIN_POS_X, ID_SPIN_POS_Y});
}

void CMainRibbon::BuildAutocadPage() {
    auto* page = new wxRibbonPage(ribbon_, wxID_ANY, Wx("AutoCAD"));
    auto* formatPanel = NewPanel(page, "Формат");
    const wxString formats[] = {"2000", "2004", "2007", "2010", "2013", "2018"};
    format_ = new wxChoice(formatPanel, wxID_ANY, wxDefaultPosition, wxDefaultSize, 6, formats);
    SetTooltip(format_, ID_AUTOCAD_FORMAT);
    controls_[ID_AUTOCAD_FORMAT] = format_;
    format_->Bind(wxEVT_CHOICE, [this](wxCommandEvent&) {
        OnText(ID_AUTOCAD_FORMAT, Utf8(format_->GetStringSelection()));
    });
    auto* formatSizer = new wxBoxSizer(wxVERTICAL);
    formatSizer->Add(format_, 0, wxALL, 2);
    formatPanel->SetSizer(formatSizer);

    auto* xrefs = NewPanel(page, "Внешние ссылки");
    auto* xrefSizer = new wxBoxSizer(wxVERTICAL);
    xrefSizer->Add(AddCheck(xrefs, ID_AUTOCAD_INCLUDE_XREF), 0, wxALL, 1);
    xrefSizer->Add(AddCheck(xrefs, ID_AUTOCAD_COPY_XREF), 0, wxALL, 1);
    auto* dirRow = new wxBoxSizer(wxHORIZONTAL);
    dirRow->Add(new wxStaticText(xrefs, wxID_ANY, Wx(CommandLabel(ID_AUTOCAD_XREF_DIR))), 0,
                wxALIGN_CENTER_VERTICAL | wxRIGHT, 4);
    xrefDir_ = new wxTextCtrl(xrefs, wxID_ANY, wxEmptyString, wxDefaultPosition, wxSize(100, -1),
                              wxTE_PROCESS_ENTER);
    SetTooltip(xrefDir_, ID_AUTOCAD_XREF_DIR);
    controls_[ID_AUTOCAD_XREF_DIR] = xrefDir_;
    auto storeXrefDir = [this] { OnText(ID_AUTOCAD_XREF_DIR, Utf8(xrefDir_->GetValue())); };
    xrefDir_->Bind(wxEVT_TEXT_ENTER, [storeXrefDir](wxCommandEvent&) { storeXrefDir(); });
    xrefDir_->Bind(wxEVT_KILL_FOCUS, [this, storeXrefDir](wxFocusEvent& event) {
        CDocvaneDoc* project = host_.ActiveProject();
        if (project != nullptr && xrefDir_->IsModified()) {
            storeXrefDir();
        }
        event.Skip();
    });
    dirRow->Add(xrefDir_, 0, wxALIGN_CENTER_VERTICAL);
    xrefSizer->Add(dirRow, 0, wxALL, 1);
    xrefs->SetSizer(xrefSizer);

    auto* general = NewPanel(page, "Общее");
    auto* generalSizer = new wxBoxSizer(wxVERTICAL);
    generalSizer->Add(AddCheck(general, ID_CHECK_AUTOCAD_CLEAR_COMMENTS), 0, wxALL, 1);
    generalSizer->Add(AddCheck(general, ID_CHECK_SPLIT_INTO_LAYOUTS), 0, wxALL, 1);
    general->SetSizer(generalSizer);

    auto* lisp = NewButtonBar(NewPanel(page, "Lisp"));
    AddLargeButton(lisp, ID_LISP, wxART_EXECUTABLE_FILE, wxRIBBON_BUTTON_NORMAL);
    editButtons_.emplace_back(lisp, ID_LISP);
}

void CMainRibbon::BuildWordPage() {
    auto* page = new wxRibbonPage(ribbon_, wxID_ANY, Wx("Word"));
    auto* vba = NewButtonBar(NewPanel(page, "Макросы"));
    AddLargeButton(vba, ID_VBA, wxART_EXECUTABLE_FILE, wxRIBBON_BUTTON_NORMAL);
    editButtons_.emplace_back(vba, ID_VBA);
}

wxWindow* CMainRibbon::Control(int id) const {
    const auto found = controls_.find(id);
    return found != controls_.end() ? found->second : nullptr;
}

bool CMainRibbon::Editable(CDocvaneDoc* project) const {
    return project != nullptr && IsEditingEnabled(project, host_.PublishedProject());
}

// ---- States ----

void CMainRibbon::EnableRibbonButton(wxRibbonButtonBar* bar, int id, bool enable) {
    const auto known = buttonStates_.find(id);
    if (known != buttonStates_.end() && known->second == enable) {
        return;
    }
    if (bar->GetItemById(id) == nullptr) {
        return;
    }
    bar->EnableButton(id, enable);
    buttonStates_[id] = enable;
}

void CMainRibbon::ApplyStates(const RibbonStates& states) {
    const bool edit = states.editing;
    for (const auto& [bar, id] : editButtons_) {
        EnableRibbonButton(bar, id, edit);
    }
    EnableRibbonButton(publishBar_, ID_STOP_PUBLIC, states.stopEnabled);
    for (wxComboBox* box : pathBoxes_) {
        box->Enable(edit);
    }
    xrefDir_->Enable(edit);
    format_->Enable(edit);
    for (auto& [id, box] : numbers_) {
        box->Enable(edit);
    }
    for (auto& [id, box] : checks_) {
        if (id == ID_VIEW_STATUS_BAR) {
            box->SetValue(states.statusBarShown);
        } else if (id == ID_VIEW_OUTPUT_WND) {
            box->SetValue(states.outputShown);
        } else if (id == ID_VIEW_PROPERTY_WND) {
            box->SetValue(states.propertiesShown);
        } else {
            box->Enable(edit);
            if (states.active != nullptr) {
                if (bool* flag = ProjectFlag(*states.active, id)) {
                    box->SetValue(*flag);
                }
            }
        }
    }
}

void CMainRibbon::ShowRunning(bool running) {
    if (running == stopShown_) {
        return;
    }
    const int oldId = running ? ID_PUBLIC_FAST : ID_STOP_PUBLIC;
    const int newId = running ? ID_STOP_PUBLIC : ID_PUBLIC_FAST;
    std::size_t index = 0;
    for (std::size_t i = 0; i < publishBar_->GetButtonCount(); ++i) {
        if (publishBar_->GetItemId(publishBar_->GetItem(i)) == oldId) {
            index = i;
            break;
        }
    }
    publishBar_->DeleteButton(oldId);
    buttonStates_.erase(oldId);
    buttonStates_.erase(newId);
    const wxBitmap icon = LargeIcon(running ? wxART_CROSS_MARK : wxART_GO_FORWARD);
    publishBar_->InsertButton(
        index, newId, Wx(CommandLabel(newId)), icon, wxNullBitmap, DisabledRibbonIcon(icon), wxNullBitmap,
        running ? wxRIBBON_BUTTON_NORMAL : wxRIBBON_BUTTON_HYBRID, Wx(CommandTooltip(newId)));
    publishBar_->SetButtonMinSizeClass(newId, wxRIBBON_BUTTONBAR_BUTTON_LARGE);
    stopShown_ = running;
    publishBar_->Realize();
    Refit();
}

void CMainRibbon::Refit() {
    ribbon_->Realize();
    FitPathBoxes();
    ribbon_->Refresh();
}

void CMainRibbon::ApplyStyle(const LookStyle& style) {
    wxRibbonArtProvider* art = style.art == RibbonArt::Flat
                                   ? static_cast<wxRibbonArtProvider*>(new wxRibbonAUIArtProvider)
                                   : static_cast<wxRibbonArtProvider*>(new wxRibbonMSWArtProvider);
    ribbon_->SetArtProvider(art);
    if (style.systemColours) {
        art->SetColourScheme(wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOW),
                             wxSystemSettings::GetColour(wxSYS_COLOUR_3DLIGHT),
                             wxSystemSettings::GetColour(wxSYS_COLOUR_GRAYTEXT));
    } else {
        art->SetColourScheme(FromRgb(style.primary), FromRgb(style.secondary), FromRgb(style.tertiary));
    }
    // The scheme gives disabled labels the enabled colour; they grey like their icons instead.
    const auto rgb = [](const wxColour& colour) {
        return (static_cast<std::uint32_t>(colour.Red()) << 16) |
               (static_cast<std::uint32_t>(colour.Green()) << 8) | colour.Blue();
    };
    art->SetColour(wxRIBBON_ART_BUTTON_BAR_LABEL_DISABLED_COLOUR,
                   FromRgb(DisabledLabelRgb(rgb(art->GetColour(wxRIBBON_ART_BUTTON_BAR_LABEL_COLOUR)),
                                            rgb(art->GetColour(wxRIBBON_ART_PAGE_BACKGROUND_COLOUR)))));
    ribbon_->GetPage(0)->SetLabel(Wx("Файл"));
    ribbon_->Realize();
}

// ---- Project boxes ----

void CMainRibbon::ShowProjectSettings() {
    CDocvaneDoc* project = host_.ActiveProject();
    if (project == nullptr) {
        return;
    }
    pathBoxes_[0]->ChangeValue(Wx(PathBoxText(*project, PathBox::CombinedPdf)));
    pathBoxes_[1]->ChangeValue(Wx(PathBoxText(*project, PathBox::PdfDir)));
    pathBoxes_[2]->ChangeValue(Wx(PathBoxText(*project, PathBox::EditDir)));
    ApplyPathBoxes();
    for (auto& [id, box] : numbers_) {
        if (int* number = ProjectNumber(*project, id)) {
            box->SetText(wxString::Format("%d", *number));
        }
    }
    const wxString format = Wx(project->propertyDoc.autocad.fileFormat);
    const int item = format_->FindString(format);
    format_->SetSelection(item);
    xrefDir_->ChangeValue(Wx(project->propertyDoc.autocad.xrefDir));
    for (auto& [id, box] : checks_) {
        if (bool* flag = ProjectFlag(*project, id)) {
            box->SetValue(*flag);
        }
    }
}

void CMainRibbon::ShowCombinedPdfPath(const CDocvaneDoc& project) {
    pathBoxes_[0]->ChangeValue(Wx(RelativePath(project.pdfFile)));
}

void CMainRibbon::ApplyPathBoxes() {
    CDocvaneDoc* project = host_.ActiveProject();
    // The pane follows the active project also while that project is being published.
    host_.ShowProjectProperties(project);
    if (!Editable(project)) {
        return;
    }
    const PathBoxTexts texts{Utf8(pathBoxes_[0]->GetValue()), Utf8(pathBoxes_[1]->GetValue()),
                             Utf8(pathBoxes_[2]->GetValue())};
    const PathBoxAction action = DecidePathBoxAction(texts);
    if (action != PathBoxAction::TakeTexts) {
        PathBox box = PathBox::CombinedPdf;
        std::string chosen;
        if (action == PathBoxAction::PickCombinedPdf) {
            chosen = host_.AskCombinedPdfPath();
        } else {
            box = action == PathBoxAction::PickPdfDir ? PathBox::PdfDir : PathBox::EditDir;
            wxDirDialog dialog(&frame_, wxEmptyString, wxEmptyString,
                               wxDD_DEFAULT_STYLE | wxDD_DIR_MUST_EXIST);
            if (dialog.ShowModal() == wxID_OK) {
                chosen = Utf8(dialog.GetPath());
            }
        }
        TakePickedPath(*project, box, chosen);
        wxComboBox* combo = pathBoxes_[static_cast<int>(box)];
        combo->ChangeValue(Wx(PathBoxText(*project, box)));
        combo->SetFocus();
        combo->SelectAll();
        host_.ProjectEdited();
        return;
    }
    TakePathBoxTexts(*project, texts);
    FillPathBoxLists(*project);
}

void CMainRibbon::FillPathBoxLists(CDocvaneDoc& project) {
    const ApplicationSettings& settings = AppSettings();
    for (int i = 0; i < 3; ++i) {
        const auto box = static_cast<PathBox>(i);
        wxComboBox* combo = pathBoxes_[i];
        combo->Clear();
        const wxString text = Wx(PathBoxText(project, box));
        if (combo->GetValue() != text) {
            combo->ChangeValue(text);
        }
        for (const std::string& item :
             PathBoxItems(project, box, settings.pdfDirName, settings.editDirName)) {
            combo->Append(Wx(item));
        }
        // Clearing the list may have taken the text with it.
        if (combo->GetValue() != text) {
            combo->ChangeValue(text);
        }
    }
}

void CMainRibbon::FitPathBoxes() {
    if (homePage_ == nullptr || pathPanel_ == nullptr) {
        return;
    }
    // Measured from what the panels need, not from what they were last given: a page that is not
    // shown keeps an old size, and the publication panel changes width when Stop replaces Publish.
    // A page is as wide as the ribbon, less its scroll arrows when it shows them.
    const int pageWidth = ribbon_->GetClientSize().GetWidth();
    wxRibbonArtProvider* art = ribbon_->GetArtProvider();
    int others = art->GetMetric(wxRIBBON_ART_PAGE_BORDER_LEFT_SIZE) +
                 art->GetMetric(wxRIBBON_ART_PAGE_BORDER_RIGHT_SIZE) + kPathPanelSlack;
    int panels = 0;
    for (wxWindow* child : homePage_->GetChildren()) {
        if (auto* panel = dynamic_cast<wxRibbonPanel*>(child)) {
            ++panels;
            if (panel != pathPanel_) {
                // The widest a panel has been: its button layout changes with the room it gets and
                // with the run, and the boxes must not follow it.
                panel->InvalidateBestSize();
                int& widest = panelWidths_[panel];
                widest = std::max(widest, panel->GetBestSize().GetWidth());
                others += widest;
            }
        }
    }
    others += art->GetMetric(wxRIBBON_ART_PANEL_X_SEPARATION_SIZE) * std::max(0, panels - 1);
    // The labels, open buttons and borders of the path panel take more room here than the 200 pixels
    // the arithmetic leaves for them; the excess is counted with the other panels.
    const int boxWidth = pathBoxes_[0]->GetMinSize().GetWidth();
    pathPanel_->InvalidateBestSize();
    const int overhead = pathPanel_->GetBestSize().GetWidth() - boxWidth - 200;
    const int width = FitPathBoxWidth(pageWidth, others + std::max(0, overhead));
    if (boxWidth == width) {
        return;
    }
    for (wxComboBox* box : pathBoxes_) {
        box->SetMinSize(wxSize(width, -1));
        box->SetSize(wxSize(width, -1));
        box->InvalidateBestSize();
    }
    pathPanel_->InvalidateBestSize();
    pathPanel_->Layout();
    ribbon_->Realize();
    frame_.Layout();
}

void CMainRibbon::ToggleFlag(int id) {
    CDocvaneDoc* project = host_.ActiveProject();
    if (!Editable(project)) {
        return;
    }
    ToggleProjectFlag(*project, id);
    host_.StatesChanged();
}

void CMainRibbon::OnNumber(int id, const std::string& text) {
    CDocvaneDoc* project = host_.ActiveProject();
    if (!Editable(project)) {
        return;
    }
    StoreProjectNumber(*project, id, text);
    host_.ProjectEdited();
}

void CMainRibbon::OnText(int id, const std::string& text) {
    CDocvaneDoc* project = host_.ActiveProject();
    if (!Editable(project)) {
        return;
    }
    StoreProjectText(*project, id, text);
    host_.ProjectEdited();
}

void CMainRibbon::OpenPath(int id) {
    CDocvaneDoc* project = host_.ActiveProject();
    if (project == nullptr) {
        return;
    }
    std::string path;
    switch (id) {
        case ID_OPEN_COMPILE_PDF:
            path = project->pdfFile.fullPath;
            break;
        case ID_OPEN_EXIT_PDF_DIR:
            path = project->pdfDir.fullPath;
            break;
        default:
            path = project->editDir.fullPath;
            break;
    }
    if (!FileExists(path)) {
        path = ShortName(path);
    }
    if (!path.empty() && FileExists(path)) {
        OpenWithDesktop(path);
    }
}

// ---- Menus and key tips ----

void CMainRibbon::ShowApplicationMenu() {
    wxMenu menu;
    for (int id : {ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_SAVE, ID_FILE_SAVE_AS, ID_PROPERTY, ID_UPDATE}) {
        menu.Append(MenuItemOf(id), MenuLabel(id), Wx(CommandTooltip(id)));
    }
    auto* recent = new wxMenu;
    const auto& entries = host_.Recent().Entries();
    for (size_t i = 0; i < entries.size(); ++i) {
        recent->Append(kRecentMenuBase + static_cast<int>(i), Wx(std::to_string(i + 1) + " " + entries[i]));
    }
    menu.AppendSubMenu(recent, Wx("Последние документы"));
    menu.AppendSeparator();
    menu.Append(MenuItemOf(ID_FILE_CLOSE), MenuLabel(ID_FILE_CLOSE), Wx(CommandTooltip(ID_FILE_CLOSE)));
    menu.Append(MenuItemOf(ID_APP_EXIT), MenuLabel(ID_APP_EXIT), Wx(CommandTooltip(ID_APP_EXIT)));
    const bool hasProject = host_.ActiveProject() != nullptr;
    menu.Enable(MenuItemOf(ID_FILE_SAVE), hasProject);
    menu.Enable(MenuItemOf(ID_FILE_SAVE_AS), hasProject);
    menu.Enable(MenuItemOf(ID_FILE_CLOSE), hasProject);
    // Popped from the frame, whose command handler takes the chosen item.
    frame_.PopupMenu(&menu, ribbon_->GetPosition() + wxPoint(0, 24));
}

void CMainRibbon::ShowLookMenu() {
    wxMenu menu;
    for (const LookMenuItem& item : LookMenuItems()) {
        menu.AppendCheckItem(MenuItemOf(item.look), Wx(item.label));
        menu.Check(MenuItemOf(item.look), item.look == host_.Look());
    }
    frame_.PopupMenu(&menu, frame_.ScreenToClient(wxGetMousePosition()));
}

void CMainRibbon::OnPageChanging(wxRibbonBarEvent& event) {
    if (event.GetPage() == appPage_) {
        event.Veto();
        frame_.CallAfter([this] { ShowApplicationMenu(); });
    } else if (event.GetPage() == stylePage_) {
        event.Veto();
        frame_.CallAfter([this] { ShowLookMenu(); });
    } else {
        event.Skip();
    }
}

void CMainRibbon::OnRibbonButton(wxRibbonButtonBarEvent& event) {
    host_.RunCommand(event.GetId());
}

void CMainRibbon::OnRibbonDropdown(wxRibbonButtonBarEvent& event) {
    wxMenu menu;
    if (event.GetId() == ID_PUBLIC_FAST) {
        menu.Append(MenuItemOf(ID_PUBLIC_FAST),
                    Wx("Публикация (быстрая)") + AcceleratorSuffix(ID_PUBLIC_FAST),
                    Wx(CommandTooltip(ID_PUBLIC_FAST)));
        menu.Append(MenuItemOf(ID_PUBLIC_LONG), Wx("Публикация (полная)") + AcceleratorSuffix(ID_PUBLIC_LONG),
                    Wx(CommandTooltip(ID_PUBLIC_LONG)));
    } else if (event.GetId() == ID_WINDOW_MANAGER) {
        menu.Append(MenuItemOf(ID_WINDOW_NEW), MenuLabel(ID_WINDOW_NEW), Wx(CommandTooltip(ID_WINDOW_NEW)));
        menu.Enable(MenuItemOf(ID_WINDOW_NEW), host_.ActiveProject() != nullptr);
    } else {
        return;
    }
    ShowProjectSettings();
    event.PopupMenu(&menu);
}

void CMainRibbon::OnCharHook(wxKeyEvent& event) {
    const int key = event.GetKeyCode();
    const bool letterOrDigit = (key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9');
    if (event.GetModifiers() == wxMOD_ALT && letterOrDigit) {
        keyTips_ = CategoryOfKeyTip(static_cast<char>(key));
        if (!keyTips_) {
            event.Skip();
            return;
        }
        const int page = static_cast<int>(*keyTips_);
        if (*keyTips_ != RibbonCategory::ApplicationMenu && *keyTips_ != RibbonCategory::Style) {
            ribbon_->SetActivePage(static_cast<size_t>(page));
        }
        return;
    }
    if (!keyTips_ || event.GetModifiers() != wxMOD_NONE) {
        event.Skip();
        return;
    }
    const RibbonCategory category = *keyTips_;
    keyTips_.reset();
    const int command = letterOrDigit ? CommandOfKeyTip(category, static_cast<char>(key)) : 0;
    if (command != 0) {
        host_.RunCommand(command);
    } else if (category == RibbonCategory::ApplicationMenu && key != WXK_ESCAPE) {
        ShowApplicationMenu();
    } else if (category == RibbonCategory::Style && key != WXK_ESCAPE) {
        ShowLookMenu();
    } else if (key != WXK_ESCAPE) {
        event.Skip();
    }
}

}  // namespace docvane
