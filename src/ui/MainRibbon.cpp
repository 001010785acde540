// Building the main window: ribbon, docking panes, status bar.
#include <wx/artprov.h>
#include <wx/aui/auibook.h>
#include <wx/bmpbuttn.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/combobox.h>
#include <wx/ribbon/bar.h>
#include <wx/ribbon/buttonbar.h>
#include <wx/ribbon/page.h>
#include <wx/ribbon/panel.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/toolbar.h>

#include "desktop/CommandIds.h"
#include "desktop/CommandTexts.h"
#include "desktop/RibbonRules.h"
#include "ui/MainFrame.h"
#include "ui/NumberBox.h"
#include "ui/OutputPane.h"
#include "views/WxText.h"

namespace docvane {

namespace {

constexpr int kNumberBoxWidth = 70;

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

void CMainFrame::SetTooltip(wxWindow* window, int id) {
    const std::string tip = CommandTooltip(id);
    if (!tip.empty()) {
        window->SetToolTip(Wx(tip));
    }
}

wxCheckBox* CMainFrame::AddCheck(wxWindow* parent, int id) {
    // Command ids lie beyond the range of window ids: controls keep their command in the maps.
    auto* box = new wxCheckBox(parent, wxID_ANY, Wx(CommandLabel(id)));
    SetTooltip(box, id);
    box->Bind(wxEVT_CHECKBOX, [this, id](wxCommandEvent&) {
        wxCommandEvent command(wxEVT_MENU, id);
        OnCommand(command);
    });
    checks_[id] = box;
    controls_[id] = box;
    return box;
}

CNumberBox* CMainFrame::AddNumber(wxWindow* parent, int id) {
    auto* box = new CNumberBox(parent, id, kNumberBoxWidth);
    controls_[id] = box;
    SetTooltip(box->TextCtrl(), id);
    box->onStore = [this](int boxId, const std::string& text) { OnNumber(boxId, text); };
    numbers_[id] = box;
    return box;
}

void CMainFrame::BuildRibbon() {
    ribbon_ = new wxRibbonBar(
        this, wxID_ANY, wxDefaultPosition, wxDefaultSize,
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
    ribbon_->Bind(wxEVT_RIBBONBAR_PAGE_CHANGING, &CMainFrame::OnPageChanging, this);
    ribbon_->Bind(wxEVT_RIBBONBAR_PAGE_CHANGED, [this](wxRibbonBarEvent& event) {
        event.Skip();
        CallAfter([this] { FitPathBoxes(); });
    });
    ribbon_->Bind(wxEVT_RIBBONBAR_HELP_CLICK, [this](wxRibbonBarEvent&) { ShowAbout(); });
    Bind(wxEVT_RIBBONBUTTONBAR_CLICKED, &CMainFrame::OnRibbonButton, this);
    Bind(wxEVT_RIBBONBUTTONBAR_DROPDOWN_CLICKED, &CMainFrame::OnRibbonDropdown, this);
}

void CMainFrame::BuildHomePage() {
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
                            [this](wxCommandEvent&) { CallAfter([this] { ApplyPathBoxes(); }); });
        pathBoxes_[i]->Bind(wxEVT_TEXT_ENTER, [this](wxCommandEvent&) { ApplyPathBoxes(); });
        pathBoxes_[i]->Bind(wxEVT_COMBOBOX_DROPDOWN, [this](wxCommandEvent&) { ShowProjectSettings(); });
        grid->Add(pathBoxes_[i], 0, wxALIGN_CENTER_VERTICAL);
        auto* open =
            new wxBitmapButton(paths, wxID_ANY, SmallIcon(i == 0 ? wxART_FILE_OPEN : wxART_FOLDER_OPEN));
        SetTooltip(open, openIds[i]);
        const int openId = openIds[i];
        open->Bind(wxEVT_BUTTON, [this, openId](wxCommandEvent&) { OnOpenPath(openId); });
        controls_[openId] = open;
        grid->Add(open, 0, wxALIGN_CENTER_VERTICAL);
    }
    paths->SetSizer(grid);
}

void CMainFrame::BuildViewPage() {
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

void CMainFrame::BuildPdfPage() {
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

void CMainFrame::BuildAutocadPage() {
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
        CDocvaneDoc* project = ActiveProject();
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

void CMainFrame::BuildWordPage() {
    auto* page = new wxRibbonPage(ribbon_, wxID_ANY, Wx("Word"));
    auto* vba = NewButtonBar(NewPanel(page, "Макросы"));
    AddLargeButton(vba, ID_VBA, wxART_EXECUTABLE_FILE, wxRIBBON_BUTTON_NORMAL);
    editButtons_.emplace_back(vba, ID_VBA);
}

void CMainFrame::BuildQuickAccess() {
    wxToolBar* bar = CreateToolBar(wxTB_HORIZONTAL | wxTB_FLAT | wxTB_NODIVIDER);
    const struct {
        int id;
        const wxArtID art;
    } tools[] = {{ID_FILE_NEW, wxART_NEW}, {ID_FILE_OPEN, wxART_FILE_OPEN}, {ID_FILE_SAVE, wxART_FILE_SAVE}};
    for (const auto& tool : tools) {
        bar->AddTool(MenuItemOf(tool.id), Wx(CommandLabel(tool.id)), SmallIcon(tool.art),
                     Wx(CommandTooltip(tool.id)));
    }
    bar->Realize();
    // Shown once the frame has its real size (ShowQuickAccessOnceSized): a toolbar allocated at the
    // few pixels of a window manager's first configure gets a negative content width.
    bar->Hide();
}

void CMainFrame::BuildDocking() {
    dockHost_ = new wxPanel(this, wxID_ANY);
    aui_.SetManagedWindow(dockHost_);
    notebook_ = new wxAuiNotebook(dockHost_, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                                  wxAUI_NB_TOP | wxAUI_NB_TAB_MOVE | wxAUI_NB_SCROLL_BUTTONS |
                                      wxAUI_NB_CLOSE_ON_ACTIVE_TAB | wxAUI_NB_WINDOWLIST_BUTTON);
    output_ = new COutputWnd(dockHost_);
    output_->SetHideAction([this] {
        SetFocus();
        aui_.GetPane("output").Hide();
        aui_.Update();
    });
    propertiesHost_ = new wxPanel(dockHost_, 150);
    aui_.AddPane(notebook_, wxAuiPaneInfo().Name("projects").CenterPane().PaneBorder(false));
    aui_.AddPane(output_, wxAuiPaneInfo()
                              .Name("output")
                              .Caption(Wx("Выпуск"))
                              .Bottom()
                              .BestSize(100, 180)
                              .MinSize(100, 60)
                              .FloatingSize(600, 240)
                              .CloseButton(true));
    aui_.AddPane(propertiesHost_, wxAuiPaneInfo()
                                      .Name("properties")
                                      .Caption(Wx("Свойства"))
                                      .Right()
                                      .BestSize(200, 200)
                                      .MinSize(120, 100)
                                      .FloatingSize(300, 400)
                                      .CloseButton(true));
    notebook_->Bind(wxEVT_AUINOTEBOOK_PAGE_CLOSE, &CMainFrame::OnPageClose, this);
    notebook_->Bind(wxEVT_AUINOTEBOOK_PAGE_CHANGED, &CMainFrame::OnPageChanged, this);
}

}  // namespace docvane
