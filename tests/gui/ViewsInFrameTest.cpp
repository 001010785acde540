// The project views inside the main window: the tab's file list feeds the docking properties pane,
// and the ribbon's commands open the fields and settings dialogs over the active project.
#include <gtest/gtest.h>
#include <wx/aui/auibook.h>
#include <wx/button.h>
#include <wx/propgrid/advprops.h>
#include <wx/propgrid/manager.h>

#include "GuiHarness.h"
#include "app/ApplicationSettings.h"
#include "base/PathUtils.h"
#include "desktop/CommandIds.h"
#include "gui/ViewsTestSupport.h"
#include "platform/SettingsFile.h"
#include "project/DocvaneDoc.h"
#include "ui/SettingsDialog.h"
#include "views/FieldsDlg.h"
#include "views/FileListView.h"
#include "views/ProjectPanel.h"
#include "views/PropertiesPane.h"

namespace docvane {
namespace {

class ViewsInFrame : public gui::WindowTest {
  protected:
    void Command(int id) {
        wxCommandEvent event(wxEVT_MENU, id);
        frame->ProcessWindowEvent(event);
    }
};

TEST_F(ViewsInFrame, ClickedFileFillsThePaneAndDialogsEditTheActiveProject) {
    Start(demo.Project());
    CDocvaneDoc& project = *frame->ActiveProject();
    ASSERT_GE(project.FileCount(), 2u);
    auto* list = dynamic_cast<CFileListViewList*>(&frame->ActivePanel()->FileList());
    ASSERT_NE(list, nullptr);
    CFileListView& view = *list->View();
    ASSERT_EQ(static_cast<std::size_t>(view.GetItemCount()), project.FileCount());

    // A click on the second row shows that file in the pane.
    const wxRect row = RowRect(view, 1);
    test::ClickAt(*view.RowsWindow(), wxPoint(row.GetLeft() + 20, row.GetTop() + row.GetHeight() / 2));
    CPropertiesPane* pane = gui::Parts(frame).PropertiesPane();
    ASSERT_NE(pane, nullptr);
    EXPECT_EQ(pane->ShownFile(), &project.File(1));
    EXPECT_EQ(
        pane->ValueOf(wxString::FromUTF8("Свойства файла"), wxString::FromUTF8("Имя файла")).utf8_string(),
        FileName(project.File(1).fullPath));
    EXPECT_EQ(pane->DescriptionText().utf8_string(), project.File(1).statusText);
    // The arrow keys move the pane along with the selection.
    test::PressKey(WXK_DOWN);
    test::Pump(300);
    EXPECT_EQ(pane->ShownFile(), &project.File(2));
    test::PressKey(WXK_UP);
    test::PressKey(WXK_UP);
    test::Pump(300);
    EXPECT_EQ(pane->ShownFile(), &project.File(0));

    // "Исключить" marks the project modified, which its tab shows.
    ASSERT_FALSE(project.IsModified());
    const std::size_t filesBefore = project.FileCount();
    view.SelectRows({0});
    view.ExcludeSelected();
    EXPECT_EQ(project.FileCount(), filesBefore - 1);
    EXPECT_EQ(static_cast<std::size_t>(view.GetItemCount()), filesBefore - 1);
    EXPECT_TRUE(project.IsModified());
    EXPECT_TRUE(gui::Parts(frame).Notebook()->GetPageText(0).EndsWith("*"));

    // "Поля": a field named in the dialog reaches the project, which is marked modified.
    project.SetModifiedFlag(false);
    const std::size_t fieldsBefore = project.fieldDocs.size();
    test::RunModal(
        [&] {
            Command(ID_FIELDS);
            return 0;
        },
        [&] {
            auto* dialog = test::FindTopLevel<CFieldsDlg>();
            ASSERT_NE(dialog, nullptr);
            dialog->AddField();
            dialog->OpenEditor(static_cast<long>(fieldsBefore), 1);
            ASSERT_NE(dialog->ValueEditor(), nullptr);
            dialog->ValueEditor()->SetValue(wxString::FromUTF8("Значение"));
            dialog->OpenEditor(static_cast<long>(fieldsBefore), 0);
            ASSERT_NE(dialog->NameEditor(), nullptr);
            dialog->NameEditor()->SetValue(wxString::FromUTF8("Шифр:проекта"));
            test::ClickAt(*dialog->FindWindow(wxID_OK), wxPoint(5, 5));
        });
    ASSERT_EQ(project.fieldDocs.size(), fieldsBefore + 1);
    EXPECT_EQ(project.fieldDocs.back().name, "Шифрпроекта");
    EXPECT_EQ(project.fieldDocs.back().value, "Значение");
    EXPECT_TRUE(project.IsModified());

    // "Настройки": an edit is in the settings file after "ОК".
    const std::string before = AppSettings().pdfDirName;
    test::RunModal(
        [&] {
            Command(ID_PROPERTY);
            return 0;
        },
        [&] {
            auto* dialog = test::FindTopLevel<CPropertyDlg>();
            ASSERT_NE(dialog, nullptr);
            EXPECT_TRUE(
                dialog->EditProperty(0, wxString::FromUTF8("Директория pdf"), wxString::FromUTF8("Листы")));
            // The font's choice rows offer Russian texts.
            wxFontProperty* font = nullptr;
            for (auto it = dialog->Grid(0)->GetGrid()->GetIterator(); !it.AtEnd() && font == nullptr; ++it) {
                font = dynamic_cast<wxFontProperty*>(*it);
            }
            ASSERT_NE(font, nullptr);
            std::vector<std::string> firsts;
            for (unsigned int i = 0; i < font->GetChildCount(); ++i) {
                const wxPGChoices& choices = font->Item(i)->GetChoices();
                if (font->Item(i)->IsKindOf(wxCLASSINFO(wxBoolProperty))) {
                    EXPECT_TRUE(font->Item(i)->GetAttribute(wxPG_BOOL_USE_CHECKBOX).GetBool());
                } else if (font->Item(i)->GetBaseName() != "Face Name" && choices.IsOk() &&
                           choices.GetCount() > 0) {
                    firsts.push_back(choices.GetLabel(0).utf8_string());
                }
            }
            // Style, weight and family; the underline row is a check box.
            EXPECT_EQ(firsts, (std::vector<std::string>{"Обычный", "Тонкий", "По умолчанию"}));
            test::ClickAt(*dialog->FindWindow(wxID_OK), wxPoint(5, 5));
        });
    EXPECT_EQ(AppSettings().pdfDirName, "Листы");
    EXPECT_EQ(SettingsFile(UserSettingsFilePath()).GetText("Directories", "pdf"), "Листы");
    AppSettings().pdfDirName = before;
    SaveSettings();
}

}  // namespace
}  // namespace docvane
