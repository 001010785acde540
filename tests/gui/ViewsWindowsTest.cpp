// The project views and dialogs as windows under a display, driven through real pointer and keyboard
// input where the window system allows it.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <wx/button.h>
#include <wx/clipbrd.h>
#include <wx/combobox.h>
#include <wx/dnd.h>
#include <wx/notebook.h>
#include <wx/propgrid/manager.h>
#include <wx/sizer.h>
#include <wx/stc/stc.h>
#include <wx/textctrl.h>
#include <wx/timer.h>

#include <filesystem>
#include <fstream>

#include "app/ApplicationSettings.h"
#include "desktop/FieldClipboard.h"
#include "desktop/FieldListStore.h"
#include "gui/ViewsTestSupport.h"
#include "output/DocumentStatus.h"
#include "output/OutputPaths.h"
#include "output/OutputRecord.h"
#include "platform/SettingsFile.h"
#include "project/DocvaneDoc.h"
#include "ui/ScriptEditor.h"
#include "ui/SettingsDialog.h"
#include "views/FieldsDlg.h"
#include "views/FileListHost.h"
#include "views/FileListView.h"
#include "views/PropertiesPane.h"

namespace docvane {
namespace {

namespace fs = std::filesystem;
using test::Pump;

class ScratchDir {
  public:
    ScratchDir() {
        std::string pattern = (fs::temp_directory_path() / "views-XXXXXX").string();
        path_ = mkdtemp(pattern.data()) != nullptr ? pattern : std::string();
    }
    ~ScratchDir() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }
    const std::string& Path() const { return path_; }

  private:
    std::string path_;
};

void Touch(const std::string& path, const std::string& content = "x") {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path) << content;
}

// Records what the file list asks of its surroundings.
class RecordingHost : public FileListHost {
  public:
    void ShowProperties(PathDoc* pdf, FileDoc* file) override {
        shownPdf = pdf;
        shownFile = file;
        ++shows;
    }
    void OpenProjectFile(const std::string& path) override { openedProjects.push_back(path); }
    void RefreshViews(CDocvaneDoc&) override { ++refreshes; }
    void OpenSourceFile(const std::string& path) override { openedSources.push_back(path); }
    bool CanEdit(const CDocvaneDoc&) override { return editable; }

    PathDoc* shownPdf = nullptr;
    FileDoc* shownFile = nullptr;
    int shows = 0;
    int refreshes = 0;
    bool editable = true;
    std::vector<std::string> openedProjects;
    std::vector<std::string> openedSources;
};

// Stands for the file manager: a drag started over it offers its files.
class FileDragSource : public wxPanel {
  public:
    FileDragSource(wxWindow* parent, std::vector<std::string> paths)
        : wxPanel(parent, wxID_ANY, wxDefaultPosition, wxSize(160, 200)), paths_(std::move(paths)) {
        SetBackgroundColour(*wxLIGHT_GREY);
        Bind(wxEVT_MOTION, [this](wxMouseEvent& event) {
            if (!event.LeftIsDown() || started_) {
                return;
            }
            started_ = true;
            wxFileDataObject data;
            for (const std::string& path : paths_) {
                data.AddFile(wxString::FromUTF8(path));
            }
            wxDropSource source(data, this);
            result_ = source.DoDragDrop(wxDrag_CopyOnly);
        });
    }
    bool Started() const { return started_; }
    wxDragResult Result() const { return result_; }

  private:
    std::vector<std::string> paths_;
    bool started_ = false;
    wxDragResult result_ = wxDragNone;
};

class ViewsWindowsTest : public ::testing::Test {
  protected:
    ViewsWindowsTest() {
        project_.propertyDoc.projectDir = dir_.Path();
        project_.propertyDoc.tempDir = dir_ / "tmp";
        project_.SetPathName(dir_ / "project.dv1");
        SetPath(project_.pdfDir, dir_ / "PDF");
        SetPath(project_.editDir, dir_ / "EDIT");
        SetPath(project_.pdfFile, dir_ / "Общий.pdf");
    }
    void AddFiles(std::initializer_list<const char*> names) {
        for (const char* name : names) {
            project_.AppendFile(dir_ / name);
        }
    }
    std::vector<std::string> FileNames() const {
        std::vector<std::string> names;
        for (const auto& file : project_.fileDocs) {
            names.push_back(fs::path(file->fullPath).filename().string());
        }
        return names;
    }
    static std::vector<std::string> RowNames(CFileListView& view) {
        std::vector<std::string> names;
        for (long row = 0; row < view.GetItemCount(); ++row) {
            names.push_back(view.GetItemText(row).utf8_string());
        }
        return names;
    }
    static wxPoint RowPoint(CFileListView& view, long row, double fraction = 0.5) {
        const wxRect rect = RowRect(view, row);
        return wxPoint(rect.GetLeft() + 30, rect.GetTop() + static_cast<int>(rect.GetHeight() * fraction));
    }

    ScratchDir dir_;
    CDocvaneDoc project_;
    RecordingHost host_;
    test::TestFrame frame_;
};

TEST_F(ViewsWindowsTest, FileListDropsDragsClicksAndExcludes) {
    AddFiles({"План.dwg", "b.dwg", "c.docx", "d.pdf"});
    for (const auto& file : project_.fileDocs) {
        Touch(file->fullPath);
    }
    auto* panel = new wxPanel(&*frame_);
    auto* view = new CFileListView(panel, project_, host_);
    auto* source = new FileDragSource(
        panel, {dir_ / "x1.dwg", dir_ / "notes.txt", dir_ / "x2.DXF", dir_ / "x3.dwg", dir_ / "other.dv1"});
    auto* sizer = new wxBoxSizer(wxHORIZONTAL);
    sizer->Add(view, 1, wxEXPAND);
    sizer->Add(source, 0, wxEXPAND | wxLEFT, 20);
    panel->SetSizer(sizer);
    frame_.Show(panel);
    ASSERT_EQ(RowNames(*view), FileNames());
    EXPECT_EQ(view->GetItemText(0, 1).utf8_string(), RelativePath(project_.File(0)));

    // Three files dragged from the file manager above the second row, in its order; others ignored.
    ASSERT_TRUE(test::DragWithButtonHeld(source->ClientToScreen(wxPoint(80, 100)),
                                         view->RowsWindow()->ClientToScreen(RowPoint(*view, 1, 0.2))));
    EXPECT_TRUE(source->Started());
    EXPECT_EQ(source->Result(), wxDragCopy);
    EXPECT_EQ(FileNames(), (std::vector<std::string>{"План.dwg", "x1.dwg", "x2.DXF", "x3.dwg", "b.dwg",
                                                     "c.docx", "d.pdf"}));
    EXPECT_EQ(RowNames(*view), FileNames());
    EXPECT_EQ(host_.openedProjects, std::vector<std::string>{dir_ / "other.dv1"});
    EXPECT_TRUE(project_.IsModified());
    EXPECT_EQ(view->CurrentDragMode(), CFileListView::DragMode::None);
    // While a run walks the list, nothing changes it.
    host_.editable = false;
    view->DragEntered(true);
    EXPECT_EQ(view->CurrentDragMode(), CFileListView::DragMode::None);
    EXPECT_FALSE(view->DropAt(RowPoint(*view, 0), {dir_ / "late.dwg"}));
    view->SelectRows({0});
    view->ExcludeSelected();
    EXPECT_EQ(project_.FileCount(), 7u);
    host_.editable = true;
    // A drop of nothing acceptable is refused.
    view->DragEntered(true);
    EXPECT_FALSE(view->DropAt(RowPoint(*view, 0), {dir_ / "a.txt"}));
    EXPECT_EQ(project_.FileCount(), 7u);

    // A single click fills the properties pane; a click below the rows shows the combined PDF.
    test::ClickAt(*view->RowsWindow(), RowPoint(*view, 4));
    EXPECT_EQ(host_.shownFile, &project_.File(4));
    EXPECT_EQ(host_.shownPdf, &project_.pdfFile);
    const wxRect last = RowRect(*view, view->GetItemCount() - 1);
    test::ClickAt(*view->RowsWindow(), wxPoint(30, last.GetBottom() + 40));
    EXPECT_EQ(host_.shownFile, nullptr);
    // A cell too narrow for its text shows it as a tooltip; one wide enough does not.
    view->SetColumnWidth(1, 30);
    const wxRect first = RowRect(*view, 0);
    wxUIActionSimulator().MouseMove(
        view->RowsWindow()->ClientToScreen(wxPoint(view->GetColumnWidth(0) + 10, first.GetTop() + 3)));
    Pump(300);
    EXPECT_EQ(view->RowsWindow()->GetToolTipText(), view->GetItemText(0, 1));
    wxUIActionSimulator().MouseMove(view->RowsWindow()->ClientToScreen(wxPoint(10, first.GetTop() + 3)));
    Pump(300);
    EXPECT_EQ(view->RowsWindow()->GetToolTipText(), wxString());
    test::DoubleClickAt(*view->RowsWindow(), RowPoint(*view, 0));
    EXPECT_EQ(host_.openedSources, std::vector<std::string>{dir_ / "План.dwg"});

    // Row "b.dwg" (4) dragged with the pointer above row 1.
    test::ClickAt(*view->RowsWindow(), RowPoint(*view, 4));
    ASSERT_TRUE(test::DragWithButtonHeld(view->RowsWindow()->ClientToScreen(RowPoint(*view, 4)),
                                         view->RowsWindow()->ClientToScreen(RowPoint(*view, 1, 0.25))));
    EXPECT_EQ(FileNames(), (std::vector<std::string>{"План.dwg", "b.dwg", "x1.dwg", "x2.DXF", "x3.dwg",
                                                     "c.docx", "d.pdf"}));
    EXPECT_EQ(RowNames(*view), FileNames());
    EXPECT_EQ(view->CurrentDragMode(), CFileListView::DragMode::None);

    // Two rows excluded through the context menu: results gone, sources kept, rows removed.
    project_.SetModifiedFlag(false);
    const std::string cSource = project_.File(5).fullPath;
    const std::string cPdf = PdfOutputPath(project_.File(5), -1);
    const std::string bPdf = PdfOutputPath(project_.File(1), -1);
    Touch(cPdf);
    Touch(bPdf);
    // As a run placed them: only recorded results are ever removed.
    RecordPlacedOutput(project_, cPdf);
    RecordPlacedOutput(project_, bPdf);
    view->SelectRows({1, 5});
    Pump();
    const wxPoint menuAt = view->RowsWindow()->ClientToScreen(RowPoint(*view, 5));
    test::RunSteps(
        {[menuAt] { wxUIActionSimulator().MouseMove(menuAt); },
         [] { wxUIActionSimulator().MouseClick(wxMOUSE_BTN_RIGHT); }, [] {},
         [] { wxUIActionSimulator().Char(WXK_DOWN); }, [] {}, [] { wxUIActionSimulator().Char(WXK_RETURN); }},
        250);
    EXPECT_EQ(FileNames(), (std::vector<std::string>{"План.dwg", "x1.dwg", "x2.DXF", "x3.dwg", "d.pdf"}));
    EXPECT_EQ(RowNames(*view), FileNames());
    EXPECT_TRUE(project_.IsModified());
    EXPECT_FALSE(fs::exists(cPdf));
    EXPECT_FALSE(fs::exists(bPdf));
    EXPECT_TRUE(fs::exists(cSource));

    // Rows are painted in their files' status colours.
    ComputeProjectStatus(project_);
    view->RefreshFromProject();
    const Colour colour = project_.File(0).statusColor;
    EXPECT_EQ(view->GetItemBackgroundColour(0),
              wxColour(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF));
}

TEST_F(ViewsWindowsTest, PropertiesPaneShowsGroupsAndSelectsTheMessage) {
    AddFiles({"План.dwg", "Готовый.pdf"});
    FileDoc& plan = project_.File(0);
    plan.xrefsBefore = {XrefFile(dir_ / "r1.dwg", &project_, &plan),
                        XrefFile(dir_ / "r2.dwg", &project_, &plan)};
    plan.sheetNames = {"Лист1", "Лист2", "Лист3"};
    ComputeProjectStatus(project_);
    auto* pane = new CPropertiesPane(&*frame_);
    frame_.Show(pane);
    CDocvaneDoc* active = &project_;
    pane->SetActiveProjectSource([&] { return active; });
    int refreshed = 0;
    pane->SetRefreshViews([&](CDocvaneDoc&) { ++refreshed; });

    pane->ShowProperties(&project_.pdfFile, &plan);
    EXPECT_EQ(pane->GroupTitles().size(), 4u);
    EXPECT_EQ(pane->ValueOf(wxString::FromUTF8("Листы"), "3").utf8_string(), "Лист3");
    EXPECT_EQ(pane->ValueOf(wxString::FromUTF8("Внешние ссылки"), "r2.dwg").utf8_string(), dir_ / "r2.dwg");
    EXPECT_EQ(pane->SelectedLabel().utf8_string(), "Сообщение");
    EXPECT_EQ(pane->DescriptionText().utf8_string(), plan.statusText);
    EXPECT_FALSE(plan.statusText.empty());

    pane->ShowProperties(&project_.pdfFile, nullptr);
    EXPECT_EQ(
        pane->ValueOf(wxString::FromUTF8("Свойства файла"), wxString::FromUTF8("Имя файла")).utf8_string(),
        "Общий.pdf");
    EXPECT_EQ(pane->GroupTitles().size(), 2u);

    // Refresh recomputes what is shown and repaints the project; without a project it is disabled
    // and forgets what it showed.
    project_.pdfFile.statusText.clear();
    ASSERT_TRUE(pane->CanRefresh());
    pane->RefreshStatus();
    EXPECT_FALSE(project_.pdfFile.statusText.empty());
    EXPECT_EQ(refreshed, 1);
    active = nullptr;
    EXPECT_FALSE(pane->CanRefresh());
    pane->RefreshStatus();
    EXPECT_EQ(pane->ShownPdf(), nullptr);
    EXPECT_EQ(refreshed, 1);
}

TEST_F(ViewsWindowsTest, FieldsDialogEditsMovesStoresAndMarksTheProject) {
    project_.AddField("first", "1");
    project_.AddField("second", "2");
    project_.AddField("third", "3");
    SettingsFile store(dir_ / "settings.xml");
    frame_.Show(new wxPanel(&*frame_));

    std::vector<std::string> names;
    std::vector<std::string> namesAfterValueDrag;
    bool changed = false;
    test::RunModal(
        [&] {
            changed = EditProjectFields(&*frame_, project_, store);
            return 0;
        },
        [&] {
            auto* dialog = test::FindTopLevel<CFieldsDlg>();
            if (dialog == nullptr) {
                ADD_FAILURE() << "no fields dialog";
                return;
            }
            CListCtrlEx& list = *dialog->List();
            // The third field dragged above the first.
            const wxRect third = RowRect(list, 2);
            const wxRect first = RowRect(list, 0);
            test::DragBetween(*list.RowsWindow(), wxPoint(20, third.GetTop() + third.GetHeight() / 2),
                              *list.RowsWindow(), wxPoint(20, first.GetTop() + 2));
            for (const FieldDoc& field : dialog->Fields()) {
                names.push_back(field.name);
            }
            // A drag that starts in the value column moves the row too, and opens no editor.
            const int valueX = list.GetColumnWidth(0) + 10;
            const wxRect last = RowRect(list, 2);
            test::DragBetween(*list.RowsWindow(), wxPoint(valueX, last.GetTop() + last.GetHeight() / 2),
                              *list.RowsWindow(), wxPoint(valueX, first.GetTop() + 2));
            Pump(200);
            EXPECT_EQ(dialog->ValueEditor(), nullptr);
            for (const FieldDoc& field : dialog->Fields()) {
                namesAfterValueDrag.push_back(field.name);
            }
            // A value of two lines shows on one row.
            list.SetItemState(0, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
            test::ClickAt(*list.RowsWindow(), wxPoint(valueX, RowRect(list, 0).GetTop() + 4));
            Pump(200);
            if (dialog->ValueEditor() == nullptr) {
                ADD_FAILURE() << "no value editor";
            } else {
                dialog->ValueEditor()->SetValue("a\nb");
                Pump();
                EXPECT_EQ(dialog->Fields()[0].value, "a\r\nb");
                EXPECT_EQ(list.GetItemText(0, 1).utf8_string(), "a \xC2\xB6 b");
                dialog->CloseEditors();
            }
            // A new field named by typing; the slash vanishes as it is typed.
            dialog->AddField();
            Pump();
            const wxRect added = RowRect(list, 3);
            test::ClickAt(*list.RowsWindow(), wxPoint(15, added.GetTop() + added.GetHeight() / 2));
            Pump(200);
            if (dialog->NameEditor() == nullptr) {
                ADD_FAILURE() << "no name editor";
            } else {
                test::TypeText("ab/c");
                EXPECT_EQ(dialog->NameEditor()->GetValue(), "abc");
            }
            EXPECT_EQ(list.GetItemText(3, 0), "abc");
            // One more field left nameless: "ОК" drops it.
            dialog->AddField();
            dialog->ListNames()->SetValue(wxString::FromUTF8("Мой список"));
            dialog->SaveList();
            // "Удалить" asks first; "Нет" (the default) keeps the stored list.
            auto* remove = dynamic_cast<wxButton*>(dialog->FindWindow(CFieldsDlg::ID_DELETE_LIST));
            ASSERT_NE(remove, nullptr);
            wxTimer no;
            no.Bind(wxEVT_TIMER, [](wxTimerEvent&) { wxUIActionSimulator().Char(WXK_RETURN); });
            no.StartOnce(700);
            test::ClickAt(*remove, wxPoint(5, 5));
            Pump(1200);
            EXPECT_TRUE(LoadFieldList(store, "Мой список").has_value());
            // Both clipboard forms of the selected field.
            list.SetItemState(3, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
            EXPECT_TRUE(dialog->CopySelectedField());
            if (wxTheClipboard->Open()) {
                wxCustomDataObject html{wxDataFormat(kHtmlFormat)};
                wxCustomDataObject acad{wxDataFormat(kAcadFieldFormat)};
                EXPECT_TRUE(wxTheClipboard->GetData(html));
                EXPECT_TRUE(wxTheClipboard->GetData(acad));
                const std::string expected = WordFieldHtml(dialog->Fields()[3]);
                EXPECT_EQ(std::string(static_cast<const char*>(html.GetData()), html.GetSize()),
                          std::string(expected.c_str(), expected.size() + 1));
                const std::u16string code = AcadFieldClipboardData(dialog->Fields()[3]);
                EXPECT_EQ(acad.GetSize(), code.size() * sizeof(char16_t));
                wxTheClipboard->Close();
            } else {
                ADD_FAILURE() << "clipboard not opened";
            }
            auto* ok = dynamic_cast<wxButton*>(dialog->FindWindow(wxID_OK));
            test::ClickAt(*ok, wxPoint(5, 5));
        });
    EXPECT_EQ(names, (std::vector<std::string>{"third", "first", "second"}));
    EXPECT_EQ(namesAfterValueDrag, (std::vector<std::string>{"second", "third", "first"}));
    EXPECT_TRUE(changed);
    EXPECT_TRUE(project_.IsModified());
    ASSERT_EQ(project_.fieldDocs.size(), 4u);
    EXPECT_EQ(project_.fieldDocs[3].name, "abc");
    SettingsFile reread(dir_ / "settings.xml");
    const auto stored = LoadFieldList(reread, "Мой список");
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(stored->size(), 5u);
}

TEST_F(ViewsWindowsTest, SettingsDialogAppliesEditsAndSavesOnOk) {
    ApplicationSettings settings;
    SettingsFile store(dir_ / "settings.xml");
    frame_.Show(new wxPanel(&*frame_));

    // Cancel keeps an applied edit in memory but writes nothing.
    test::RunModal([&] { return CPropertyDlg(&*frame_, settings, store).ShowModal(); },
                   [&] {
                       auto* dialog = test::FindTopLevel<CPropertyDlg>();
                       ASSERT_NE(dialog, nullptr);
                       EXPECT_TRUE(dialog->EditProperty(0, wxString::FromUTF8("Директория pdf"),
                                                        wxString::FromUTF8("Выход")));
                       EXPECT_EQ(dialog->Grid(1), nullptr);  // built when first shown
                       // The font's rows speak Russian too.
                       wxPGProperty* font =
                           dialog->Grid(0)->GetGrid()->GetPropertyByLabel(wxString::FromUTF8("Шрифт"));
                       ASSERT_NE(font, nullptr);
                       ASSERT_GT(font->GetChildCount(), 3u);
                       std::vector<std::string> rows;
                       for (unsigned i = 0; i < font->GetChildCount(); ++i) {
                           rows.push_back(font->Item(i)->GetLabel().utf8_string());
                       }
                       EXPECT_NE(std::find(rows.begin(), rows.end(), "Размер точки"), rows.end());
                       for (const char* english :
                            {"Point Size", "Face Name", "Style", "Weight", "Underlined", "Family"}) {
                           EXPECT_EQ(std::find(rows.begin(), rows.end(), english), rows.end()) << english;
                       }
                       dialog->EndModal(wxID_CANCEL);
                   });
    EXPECT_EQ(settings.pdfDirName, "Выход");
    EXPECT_FALSE(fs::exists(dir_ / "settings.xml"));

    test::RunModal(
        [&] { return CPropertyDlg(&*frame_, settings, store).ShowModal(); },
        [&] {
            auto* dialog = test::FindTopLevel<CPropertyDlg>();
            ASSERT_NE(dialog, nullptr);
            dialog->Tabs()->SetSelection(1);
            Pump();
            ASSERT_NE(dialog->Grid(1), nullptr);
            EXPECT_TRUE(dialog->Grid(1)->IsShown());
            EXPECT_TRUE(dialog->EditProperty(1, wxString::FromUTF8("Формат файла"), 4L));
            // The path row tells where the word processor's server is named.
            wxPGProperty* exe =
                dialog->Grid(1)->GetGrid()->GetPropertyByLabel(wxString::FromUTF8("Путь к exe"));
            ASSERT_NE(exe, nullptr);
            EXPECT_TRUE(exe->GetHelpString().Contains("Word.Application")) << exe->GetHelpString();
            EXPECT_TRUE(exe->GetHelpString().Contains("classes.conf"));
            EXPECT_TRUE(dialog->EditProperty(1, wxString::FromUTF8("Внедрять внешние ссылки"), false));
            EXPECT_TRUE(dialog->EditProperty(0, wxString::FromUTF8("Нумеровать с"), 5L));
            auto* ok = dynamic_cast<wxButton*>(dialog->FindWindow(wxID_OK));
            test::ClickAt(*ok, wxPoint(5, 5));
        });
    EXPECT_EQ(settings.autocad.fileFormat, "2013");
    EXPECT_FALSE(settings.autocad.insertXrefs);
    EXPECT_EQ(settings.startPage, 5);
    SettingsFile reread(dir_ / "settings.xml");
    EXPECT_EQ(reread.GetText("Directories", "pdf"), "Выход");
    EXPECT_EQ(reread.GetText("Autocad_General", "fileFormat"), "2013");
    EXPECT_EQ(reread.GetNumber("NumberingPdf", "startPage"), 5);
}

TEST_F(ViewsWindowsTest, ScriptEditorColoursTypedTextAndKeepsTheLimit) {
    frame_.Show(new wxPanel(&*frame_));
    wxString result;
    const int answer = test::RunModal(
        [&] {
            LispDlg dialog(&*frame_, kScriptLisp, wxString::FromUTF8("; Привет\n"));
            const int code = dialog.ShowModal();
            result = dialog.Text();
            return code;
        },
        [&] {
            auto* dialog = test::FindTopLevel<LispDlg>();
            ASSERT_NE(dialog, nullptr);
            wxStyledTextCtrl* editor = dialog->Editor();
            EXPECT_EQ(editor->GetStyleAt(0), 3);  // coloured on opening
            editor->SetFocus();
            editor->DocumentEnd();
            Pump();
            test::TypeText("(command \"a\")");
            Pump(200);
            const int start = editor->GetLength() - 13;
            EXPECT_EQ(editor->GetStyleAt(start), 1);
            EXPECT_EQ(editor->GetStyleAt(start + 1), 2);
            EXPECT_EQ(editor->GetStyleAt(start + 8), 0);
            EXPECT_EQ(editor->GetStyleAt(start + 9), 4);
            EXPECT_EQ(editor->GetStyleAt(start + 12), 1);
            EXPECT_EQ(editor->GetCurrentPos(), editor->GetLength());  // the caret stays where typing left it

            // Text beyond the limit cannot be entered.
            editor->AppendText(wxString(wxUniChar(0x0416), kScriptCharacterLimit));
            Pump();
            EXPECT_EQ(editor->CountCharacters(0, editor->GetLength()), kScriptCharacterLimit);
            EXPECT_EQ(editor->GetCharAt(0), ';');  // what was there before stays
            editor->ClearAll();
            editor->SetText("(x)");
            auto* ok = dynamic_cast<wxButton*>(dialog->FindWindow(wxID_OK));
            test::ClickAt(*ok, wxPoint(5, 5));
        });
    EXPECT_EQ(answer, wxID_OK);
    EXPECT_EQ(result, "(x)");
}

}  // namespace
}  // namespace docvane
