// The real main window under Xvfb: publishing from the ribbon, Stop, second starts, ribbon boxes.
#include <sys/wait.h>
#include <unistd.h>
#include <wx/app.h>
#include <wx/aui/auibook.h>
#include <wx/checkbox.h>
#include <wx/combobox.h>
#include <wx/listctrl.h>
#include <wx/ribbon/art.h>
#include <wx/ribbon/bar.h>
#include <wx/ribbon/buttonbar.h>
#include <wx/ribbon/page.h>
#include <wx/ribbon/panel.h>
#include <wx/statusbr.h>
#include <wx/timer.h>
#include <wx/toolbar.h>
#include <wx/uiaction.h>

#include <atomic>
#include <filesystem>
#include <thread>

#include "GuiHarness.h"
#include "app/ApplicationSettings.h"
#include "app/SettingsStore.h"
#include "desktop/ApplicationLooks.h"
#include "desktop/CommandIds.h"
#include "output/DocumentStatus.h"
#include "platform/InstanceSocket.h"
#include "project/DocvaneDoc.h"
#include "project/ProjectFile.h"
#include "run/Log.h"
#include "run/PublishState.h"
#include "ui/OutputPane.h"
#include "views/ColorRef.h"
#include "views/FileListView.h"
#include "views/ProjectPanel.h"
#include "views/PropertiesPane.h"
#include "views/WxText.h"
#include "worker/EndPublication.h"
#include "worker/PublishWorker.h"

namespace docvane::gui {
namespace {

std::vector<std::string> Lines(const COutputList* list) {
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < list->LineCount(); ++i) {
        lines.push_back(Utf8(list->LineText(i)));
    }
    return lines;
}

bool HasLine(const COutputList* list, const std::string& line) {
    const auto lines = Lines(list);
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// The lines of the information list whose prefix is one of the given ones, in order.
std::vector<std::string> InfoLinesWith(const COutputWnd& output,
                                       std::initializer_list<const char*> prefixes) {
    std::vector<std::string> picked;
    for (const std::string& line : Lines(output.InfoList())) {
        for (const char* prefix : prefixes) {
            if (line.rfind(prefix, 0) == 0) {
                picked.push_back(line);
            }
        }
    }
    return picked;
}

bool RunOver(CMainFrame* frame) {
    return !IsWorkerActive() && frame->PublishedProject() == nullptr &&
           Parts(frame).PublishBar()->GetItemById(ID_PUBLIC_FAST) != nullptr;
}

using DesktopWindow = WindowTest;

TEST_F(DesktopWindow, PublishingFromTheRibbonFillsTheThreeListsAndPaintsTheRows) {
    // The first run meets a missing source and fails; the second, with the file back, succeeds.
    const std::string plan = demo.Folder() + "/03 План этажа.pdf";
    std::filesystem::rename(plan, plan + ".away");
    Start(demo.Project());
    CProjectPanel* panel = frame->ActivePanel();
    ASSERT_NE(panel, nullptr);
    CDocvaneDoc& project = panel->Project();
    ASSERT_EQ(project.FileCount(), 4u);

    ClickRibbonButton(Parts(frame).PublishBar(), ID_PUBLIC_FAST);
    ASSERT_TRUE(PumpUntil([&] {
        return RunOver(frame) && HasLine(Parts(frame).Output()->InfoList(), "[X] Публикация окончена.");
    }));
    const COutputWnd& output = *Parts(frame).Output();
    ASSERT_FALSE(output.ErrorList()->LineCount() == 0);
    EXPECT_EQ(Lines(output.ErrorList()), InfoLinesWith(output, {"[X] "}));
    EXPECT_EQ(Lines(output.WarningList()), InfoLinesWith(output, {"[!] ", "[X] "}));
    EXPECT_EQ(output.ErrorList()->LineData(0), kColourError);
    EXPECT_EQ(output.InfoList()->LineData(0), 0u);
    EXPECT_TRUE(openedCombinedPdf.empty());

    std::filesystem::rename(plan + ".away", plan);
    ClickRibbonButton(Parts(frame).PublishBar(), ID_PUBLIC_FAST);
    ASSERT_TRUE(
        PumpUntil([&] { return RunOver(frame) && HasLine(output.InfoList(), "[+] Публикация окончена."); }));
    // The second run started from empty lists.
    EXPECT_EQ(output.ErrorList()->LineCount(), 0u);
    EXPECT_EQ(Lines(output.WarningList()), InfoLinesWith(output, {"[!] ", "[X] "}));
    EXPECT_EQ(Lines(output.InfoList()).back(), "[+] Публикация окончена.");
    EXPECT_EQ(output.InfoList()->LineData(output.InfoList()->LineCount() - 1), kColourUpToDate);

    // The rows were repainted with the statuses the run left.
    auto* list = dynamic_cast<CFileListViewList*>(&panel->FileList());
    ASSERT_NE(list, nullptr);
    for (std::size_t i = 0; i < project.FileCount(); ++i) {
        EXPECT_EQ(project.File(i).statusColor, kColourUpToDate) << project.File(i).statusText;
        EXPECT_EQ(list->View()->GetItemBackgroundColour(static_cast<long>(i)), FromColorRef(kColourUpToDate));
    }
    EXPECT_TRUE(std::filesystem::exists(project.pdfFile.fullPath));
    EXPECT_EQ(openedCombinedPdf, project.pdfFile.fullPath);
    // The pane no longer says the combined PDF is missing.
    EXPECT_EQ(Parts(frame).PropertiesPane()->DescriptionText().utf8_string(), project.pdfFile.statusText);
    EXPECT_EQ(Utf8(frame->GetStatusBar()->GetStatusText(1)).rfind("[00:00:", 0), 0u);
    SaveScreenshotIfAsked();
}

// A run that lasts until it is cancelled, then ends the way every run ends.
void HeldRun(CDocvaneDoc*, bool) {
    GetPublishState().severity = 0;
    GetPublishState().running = true;
    MainWindow().PublishStateChanged(kRunStarted);
    LogInfo("Начинаю публикацию...");
    while (GetPublishState().running) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EndPublication();
}

TEST_F(DesktopWindow, StopReplacesPublishDuringARunAndOnlyThatProjectIsLocked) {
    Start(demo.Project());
    Parts(frame).SetPublishWorker(HeldRun);
    CProjectPanel* published = frame->ActivePanel();
    ClickRibbonButton(Parts(frame).PublishBar(), ID_PUBLIC_FAST);
    ASSERT_TRUE(PumpUntil([&] { return Parts(frame).PublishBar()->GetItemById(ID_STOP_PUBLIC) != nullptr; }));
    EXPECT_EQ(Parts(frame).PublishBar()->GetItemById(ID_PUBLIC_FAST), nullptr);
    EXPECT_EQ(frame->PublishedProject(), &published->Project());
    frame->UpdateCommandStates();
    EXPECT_FALSE(Parts(frame).Control(ID_CHECK_PDF_MENU)->IsEnabled());
    EXPECT_FALSE(Parts(frame).Control(ID_PATH_COMBINE_PDF)->IsEnabled());

    frame->NewProject();  // another tab stays editable
    Pump(100);
    frame->UpdateCommandStates();
    EXPECT_TRUE(Parts(frame).Control(ID_CHECK_PDF_MENU)->IsEnabled());
    EXPECT_TRUE(Parts(frame).Control(ID_SPIN_POS_X)->IsEnabled());
    Parts(frame).Notebook()->SetSelection(
        static_cast<size_t>(Parts(frame).Notebook()->GetPageIndex(published)));
    Pump(300);
    frame->UpdateCommandStates();
    Pump(100);

    ClickRibbonButton(Parts(frame).PublishBar(), ID_STOP_PUBLIC);
    ASSERT_TRUE(PumpUntil([&] { return RunOver(frame); }));
    const COutputWnd& output = *Parts(frame).Output();
    EXPECT_TRUE(HasLine(output.WarningList(), "[!] Отмена публикации..."));
    EXPECT_EQ(Lines(output.InfoList()).back(), "[!] Публикация окончена.");
    frame->UpdateCommandStates();
    EXPECT_TRUE(Parts(frame).Control(ID_CHECK_PDF_MENU)->IsEnabled());
}

TEST_F(DesktopWindow, KeyTipsOpenCategoriesAndRunCommands) {
    Start(demo.Project());
    Parts(frame).SetPublishWorker(HeldRun);
    frame->Raise();
    frame->ActivePanel()->FileList().Window()->SetFocus();
    Pump(200);
    wxUIActionSimulator keys;
    keys.Char('p', wxMOD_ALT);
    ASSERT_TRUE(PumpUntil([&] { return Parts(frame).Ribbon()->GetActivePage() == 3; }, 3000));  // "PDF"
    keys.Char('h', wxMOD_ALT);
    keys.Char('p');
    ASSERT_TRUE(
        PumpUntil([&] { return Parts(frame).PublishBar()->GetItemById(ID_STOP_PUBLIC) != nullptr; }, 5000));
    EXPECT_EQ(Parts(frame).Ribbon()->GetActivePage(), 1u);
    keys.Char('h', wxMOD_ALT);
    keys.Char('s');
    ASSERT_TRUE(PumpUntil([&] { return RunOver(frame); }));
    EXPECT_TRUE(HasLine(Parts(frame).Output()->WarningList(), "[!] Отмена публикации..."));
}

TEST_F(DesktopWindow, ClosingTheWindowDuringARunStopsTheRunFirst) {
    Start(demo.Project());
    Parts(frame).SetPublishWorker(HeldRun);
    ClickRibbonButton(Parts(frame).PublishBar(), ID_PUBLIC_FAST);
    ASSERT_TRUE(PumpUntil([&] { return GetPublishState().running.load(); }));
    frame->Close();
    Pump(50);
    ASSERT_TRUE(PumpUntil([&] { return shell.Frame() == nullptr; }));
    EXPECT_FALSE(IsWorkerActive());
    EXPECT_FALSE(GetPublishState().running);
}

TEST_F(DesktopWindow, SecondStartOpensItsProjectInANewTabOfTheFirstWindow) {
    const std::string socket = InstanceSocketPath();
    ASSERT_FALSE(socket.empty());
    Start(demo.Project(), socket);
    ASSERT_EQ(frame->Panels().size(), 1u);
    std::filesystem::copy_file(demo.Project(), demo.Folder() + "/ВТОРОЙ.DV1");
    auto secondStart = [](const std::string& argument) {
        const pid_t pid = fork();
        if (pid == 0) {
            execl(DOCVANE_GUI_BINARY, DOCVANE_GUI_BINARY, argument.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        int status = -1;
        // The second process only hands its path over; pump so the first one can take it.
        EXPECT_TRUE(PumpUntil([&] { return waitpid(pid, &status, WNOHANG) == pid; }, 10000));
        return status;
    };
    const int status = secondStart(demo.Folder() + "/ВТОРОЙ.DV1");
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    ASSERT_TRUE(PumpUntil([&] { return frame->Panels().size() == 2; }, 5000));
    EXPECT_EQ(frame->ActiveProject()->PathName(), demo.Folder() + "/ВТОРОЙ.DV1");
    EXPECT_EQ(frame->ActiveProject()->FileCount(), 4u);

    // Something that is not a project is ignored.
    const int other = secondStart(demo.Folder() + "/01 Титульный лист.pdf");
    EXPECT_TRUE(WIFEXITED(other) && WEXITSTATUS(other) == 0);
    Pump(500);
    EXPECT_EQ(frame->Panels().size(), 2u);
}

TEST_F(DesktopWindow, RibbonCheckBoxChangesTheProjectAndMarksItModified) {
    Start(demo.Project());
    CDocvaneDoc& project = *frame->ActiveProject();
    const bool before = project.propertyDoc.hasMenu;
    ASSERT_FALSE(project.IsModified());
    Parts(frame).Ribbon()->SetActivePage(3);  // "PDF"
    Pump(300);
    wxWindow* box = Parts(frame).Control(ID_CHECK_PDF_MENU);
    ASSERT_TRUE(box->IsShownOnScreen());
    EXPECT_EQ(static_cast<wxCheckBox*>(box)->GetValue(), before);
    ClickAt(box->GetScreenRect());
    ASSERT_TRUE(PumpUntil([&] { return project.IsModified(); }, 3000));
    EXPECT_EQ(project.propertyDoc.hasMenu, !before);
    EXPECT_EQ(static_cast<wxCheckBox*>(box)->GetValue(), !before);
    const wxString title =
        Parts(frame).Notebook()->GetPageText(static_cast<size_t>(Parts(frame).Notebook()->GetSelection()));
    EXPECT_TRUE(title.EndsWith("*")) << title;

    // With no project open, the editing elements are off and the open buttons do nothing.
    Parts(frame).Notebook()->DeletePage(0);
    Pump(100);
    frame->UpdateCommandStates();
    EXPECT_EQ(frame->ActiveProject(), nullptr);
    for (int id :
         {ID_CHECK_PDF_MENU, ID_PATH_PDF_DIR, ID_SPIN_START_PAGE, ID_AUTOCAD_FORMAT, ID_AUTOCAD_XREF_DIR}) {
        EXPECT_FALSE(Parts(frame).Control(id)->IsEnabled()) << id;
    }
    EXPECT_TRUE(Parts(frame).Control(ID_VIEW_OUTPUT_WND)->IsEnabled());

    // The look chosen is what the next window starts with.
    frame->ApplyLook(216);
    EXPECT_EQ(UserSettingsStore().GetNumber("Workspace", "ApplicationLook").value_or(0), 216);
    // In every look a disabled button's label is greyed, not drawn like an enabled one.
    for (const LookMenuItem& item : LookMenuItems()) {
        const int look = item.look;
        frame->ApplyLook(look);
        wxRibbonArtProvider* art = Parts(frame).Ribbon()->GetArtProvider();
        EXPECT_NE(art->GetColour(wxRIBBON_ART_BUTTON_BAR_LABEL_DISABLED_COLOUR),
                  art->GetColour(wxRIBBON_ART_BUTTON_BAR_LABEL_COLOUR))
            << look;
    }
    frame->ApplyLook(216);
}

// Presses a key once a modal question is up (the question's own loop runs the timer).
void AnswerSoon(wxTimer& timer, int key) {
    timer.Bind(wxEVT_TIMER, [key](wxTimerEvent&) {
        wxUIActionSimulator sim;
        sim.Char(key);
    });
    timer.StartOnce(700);
}

TEST_F(DesktopWindow, ClosingAModifiedProjectAsksWhetherToSaveIt) {
    Start(demo.Project());
    CDocvaneDoc& project = *frame->ActiveProject();
    project.propertyDoc.hasMenu = !project.propertyDoc.hasMenu;
    project.SetModifiedFlag(true);
    const bool changed = project.propertyDoc.hasMenu;

    wxTimer cancel;
    AnswerSoon(cancel, WXK_ESCAPE);
    frame->Close();  // "Отмена" keeps the window and the project
    Pump(200);
    ASSERT_NE(shell.Frame(), nullptr);
    EXPECT_EQ(frame->Panels().size(), 1u);
    EXPECT_TRUE(project.IsModified());

    wxTimer save;
    AnswerSoon(save, WXK_RETURN);
    frame->Close();  // "Да" saves, then the window goes
    ASSERT_TRUE(PumpUntil([&] { return shell.Frame() == nullptr; }, 5000));
    CDocvaneDoc reread;
    ASSERT_TRUE(LoadProjectFile(reread, demo.Project()));
    EXPECT_EQ(reread.propertyDoc.hasMenu, changed);
}

// Runs a command as its menu item does.
void RunMenuCommand(CMainFrame* frame, int command) {
    wxCommandEvent event(wxEVT_MENU, MenuItemOf(command));
    event.SetEventObject(frame);
    frame->ProcessWindowEvent(event);
    Pump(200);
}

std::string WindowTitle(CMainFrame* frame) {
    return Utf8(frame->GetTitle());
}

// Two views of one project: both tabs and the window title carry its name and modified mark, closing
// a view another one keeps open asks nothing, and only the project's last view asks before closing.
TEST_F(DesktopWindow, TabsOfOneProjectShareItsTitleAndOnlyItsLastTabAsksBeforeClosing) {
    Start(demo.Project());
    EXPECT_EQ(WindowTitle(frame), "demo.dv1 - Docvane");
    CDocvaneDoc& project = *frame->ActiveProject();

    RunMenuCommand(frame, ID_WINDOW_NEW);
    ASSERT_EQ(frame->Panels().size(), 2u);
    EXPECT_EQ(frame->ActivePanel(), frame->Panels()[1]);
    EXPECT_EQ(&frame->ActiveProject()->pdfFile, &project.pdfFile);
    project.SetModifiedFlag(true);
    frame->UpdateCommandStates();
    wxAuiNotebook* tabs = Parts(frame).Notebook();
    EXPECT_EQ(Utf8(tabs->GetPageText(0)), "demo.dv1*");
    EXPECT_EQ(Utf8(tabs->GetPageText(1)), "demo.dv1*");
    EXPECT_EQ(WindowTitle(frame), "demo.dv1* - Docvane");

    RunMenuCommand(frame, ID_FILE_NEW);
    ASSERT_EQ(frame->Panels().size(), 3u);
    EXPECT_EQ(WindowTitle(frame), "Docvane1 - Docvane");
    // The ribbon's boxes follow the new, empty project.
    EXPECT_EQ(Utf8(dynamic_cast<wxComboBox*>(Parts(frame).Control(ID_PATH_COMBINE_PDF))->GetValue()), "");
    RunMenuCommand(frame, ID_FILE_CLOSE);  // unmodified: closes without a question
    ASSERT_EQ(frame->Panels().size(), 2u);

    tabs->SetSelection(1);
    Pump(200);
    RunMenuCommand(frame, ID_FILE_CLOSE);  // the first tab still shows the project
    ASSERT_EQ(frame->Panels().size(), 1u);
    EXPECT_TRUE(project.IsModified());
    EXPECT_EQ(WindowTitle(frame), "demo.dv1* - Docvane");
    EXPECT_NE(Utf8(dynamic_cast<wxComboBox*>(Parts(frame).Control(ID_PATH_COMBINE_PDF))->GetValue()), "");

    wxTimer cancel;
    AnswerSoon(cancel, WXK_ESCAPE);
    RunMenuCommand(frame, ID_FILE_CLOSE);  // the last view asks; "Отмена" keeps it
    Pump(800);
    EXPECT_EQ(frame->Panels().size(), 1u);
    EXPECT_TRUE(project.IsModified());
}

TEST_F(DesktopWindow, PaneVisibilityAndWindowSizeComeBackInTheNextSession) {
    Start(demo.Project());
    Parts(frame).Ribbon()->SetActivePage(2);  // "Вид"
    Pump(300);
    wxWindow* toggle = Parts(frame).Control(ID_VIEW_OUTPUT_WND);
    ASSERT_TRUE(toggle->IsShownOnScreen());
    ASSERT_TRUE(Parts(frame).Docking().GetPane("output").IsShown());
    ClickAt(toggle->GetScreenRect());
    ASSERT_TRUE(PumpUntil([&] { return !Parts(frame).Docking().GetPane("output").IsShown(); }, 3000));
    EXPECT_FALSE(static_cast<wxCheckBox*>(toggle)->GetValue());
    frame->SetSize(wxSize(1100, 700));
    Pump(200);
    frame->Close();
    ASSERT_TRUE(PumpUntil([&] { return shell.Frame() == nullptr; }, 5000));

    frame = shell.Start(*wxTheApp, UserSettingsStore(), {}, demo.Project());
    Pump(300);
    EXPECT_FALSE(Parts(frame).Docking().GetPane("output").IsShown());
    EXPECT_TRUE(Parts(frame).Docking().GetPane("properties").IsShown());
    EXPECT_EQ(frame->GetSize(), wxSize(1100, 700));
    Parts(frame).Ribbon()->SetActivePage(2);
    Pump(200);
    frame->UpdateCommandStates();
    EXPECT_FALSE(static_cast<wxCheckBox*>(Parts(frame).Control(ID_VIEW_OUTPUT_WND))->GetValue());
    Parts(frame).Docking().GetPane("output").Show();  // later tests start with the usual layout
    Parts(frame).Docking().Update();
}

// Opens a popup menu through open() and, from inside the menu's own loop, presses keys in it.
void InPopup(const std::function<void()>& open, const std::vector<int>& keys) {
    wxTimer timer;
    bool pressed = false;
    timer.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
        wxUIActionSimulator sim;
        for (int key : keys) {
            sim.Char(key);
            wxMilliSleep(40);
        }
        pressed = true;
    });
    timer.StartOnce(800);
    open();
    EXPECT_TRUE(PumpUntil([&] { return pressed; }, 5000));
    Pump(400);
}

// The menu arrow of a split button: the lower part of the large button.
void ClickRibbonDropdown(wxRibbonButtonBar* bar, int id) {
    wxRect rect = bar->GetItemRect(id);
    rect.SetPosition(bar->ClientToScreen(rect.GetPosition()));
    rect.y += rect.height * 3 / 4;
    rect.height = rect.height / 8;
    ClickAt(rect);
}

// A right click at the offset into the window, as a user opens its context menu.
void RightClickIn(wxWindow* window, const wxPoint& offset) {
    wxUIActionSimulator sim;
    const wxRect rect = window->GetScreenRect();
    sim.MouseMove(rect.x + offset.x, rect.y + offset.y);
    Pump(150);
    sim.MouseClick(wxMOUSE_BTN_RIGHT);
}

void ChangeRibbonPage(wxRibbonBar* ribbon, size_t page) {
    wxRibbonBarEvent changing(wxEVT_RIBBONBAR_PAGE_CHANGING, ribbon->GetId(), ribbon->GetPage(page));
    changing.SetEventObject(ribbon);
    ribbon->ProcessWindowEvent(changing);
}

TEST_F(DesktopWindow, EveryMenuOpensWithoutAssertionsAndItsItemsAndShortcutsRunTheirCommands) {
    Start(demo.Project());
    std::vector<bool> runs;  // the fast flag of every run started
    Parts(frame).SetPublishWorker([&runs](CDocvaneDoc* project, bool fast) {
        runs.push_back(fast);
        HeldRun(project, fast);
    });
    frame->Raise();
    Pump(300);
    auto endRun = [&] {
        GetPublishState().running = false;
        ASSERT_TRUE(PumpUntil([&] { return RunOver(frame); }));
    };

    // Application menu: its first item, "Создать".
    InPopup([&] { ChangeRibbonPage(Parts(frame).Ribbon(), 0); }, {WXK_DOWN, WXK_RETURN});
    EXPECT_EQ(frame->Panels().size(), 2u);
    Parts(frame).Notebook()->SetSelection(0);
    Pump(200);

    // "Стиль": its last item, "Windows 10".
    std::vector<int> toLast(8, WXK_DOWN);
    toLast.push_back(WXK_RETURN);
    InPopup([&] { ChangeRibbonPage(Parts(frame).Ribbon(), Parts(frame).Ribbon()->GetPageCount() - 1); },
            toLast);
    EXPECT_EQ(Parts(frame).Look(), ID_VIEW_APPLOOK_WINDOWS_10);

    // "Публикация ▾": the full publication.
    Parts(frame).Ribbon()->SetActivePage(1);
    Pump(300);
    InPopup([&] { ClickRibbonDropdown(Parts(frame).PublishBar(), ID_PUBLIC_FAST); },
            {WXK_DOWN, WXK_DOWN, WXK_RETURN});
    ASSERT_TRUE(PumpUntil([&] { return frame->PublishedProject() != nullptr; }, 5000));
    EXPECT_EQ(runs, std::vector<bool>{false});
    endRun();

    // "Окна ▾": "Новое окно" opens another view of the active project.
    Parts(frame).Ribbon()->SetActivePage(2);
    Pump(300);
    wxRibbonButtonBar* windows = nullptr;
    for (wxWindowList::compatibility_iterator node =
             Parts(frame).Ribbon()->GetPage(2)->GetChildren().GetFirst();
         node != nullptr && windows == nullptr; node = node->GetNext()) {
        for (wxWindow* child : node->GetData()->GetChildren()) {
            if (auto* bar = dynamic_cast<wxRibbonButtonBar*>(child);
                bar && bar->GetItemById(ID_WINDOW_MANAGER)) {
                windows = bar;
            }
        }
    }
    ASSERT_NE(windows, nullptr);
    InPopup([&] { ClickRibbonDropdown(windows, ID_WINDOW_MANAGER); }, {WXK_DOWN, WXK_RETURN});
    EXPECT_EQ(frame->Panels().size(), 3u);

    // The output pane's menu: "Скрыть".
    COutputList* info = Parts(frame).Output()->InfoList();
    InPopup([&] { RightClickIn(info, wxPoint(info->GetSize().x / 2, info->GetSize().y / 2)); },
            {WXK_DOWN, WXK_DOWN, WXK_DOWN, WXK_RETURN});
    EXPECT_FALSE(Parts(frame).Docking().GetPane("output").IsShown());
    Parts(frame).Docking().GetPane("output").Show();
    Parts(frame).Docking().Update();

    // The file list's menu opens and closes.
    Parts(frame).Notebook()->SetSelection(0);
    Pump(200);
    wxWindow* rows = frame->ActivePanel()->FileList().Window();
    InPopup([&] { RightClickIn(rows, wxPoint(40, 40)); }, {WXK_ESCAPE});

    // Shortcuts: Ctrl+P publishes fast, Ctrl+S saves, Ctrl+N makes a project.
    rows->SetFocus();
    Pump(200);
    wxUIActionSimulator keys;
    keys.Char('p', wxMOD_CONTROL);
    ASSERT_TRUE(PumpUntil([&] { return frame->PublishedProject() != nullptr; }, 5000));
    EXPECT_EQ(runs, (std::vector<bool>{false, true}));
    endRun();
    CDocvaneDoc& project = *frame->ActiveProject();
    project.SetModifiedFlag(true);
    rows->SetFocus();
    Pump(100);
    keys.Char('s', wxMOD_CONTROL);
    EXPECT_TRUE(PumpUntil([&] { return !project.IsModified(); }, 3000));
    const std::size_t before = frame->Panels().size();
    keys.Char('n', wxMOD_CONTROL);
    EXPECT_TRUE(PumpUntil([&] { return frame->Panels().size() == before + 1; }, 3000));
}

// The open buttons of "Пути" are inside the page and the page needs no scrolling.
void ExpectPathPanelFits(CMainFrame* frame, int width) {
    wxRibbonPage* home = Parts(frame).Ribbon()->GetPage(1);
    const wxRect page = home->GetScreenRect();
    for (int id : {ID_OPEN_COMPILE_PDF, ID_OPEN_EXIT_PDF_DIR, ID_OPEN_EXIT_EDIT_DIR}) {
        const wxRect button = Parts(frame).Control(id)->GetScreenRect();
        EXPECT_LE(button.GetRight(), page.GetRight()) << "window width " << width << ", button " << id;
    }
    for (wxWindow* child : home->GetChildren()) {
        if (dynamic_cast<wxRibbonPanel*>(child) == nullptr) {
            EXPECT_FALSE(child->IsShown()) << "a scroll arrow at window width " << width;
        }
    }
}

TEST_F(DesktopWindow, PathPanelShowsItsOpenButtonsAndKeepsItsWidthAcrossTabsAndRuns) {
    Start(demo.Project());
    Parts(frame).SetPublishWorker(HeldRun);
    wxWindow* box = Parts(frame).Control(ID_PATH_COMBINE_PDF);
    int wide = 0;
    for (int width : {1280, 1200}) {
        frame->SetSize(wxSize(width, 760));
        Pump(500);
        ExpectPathPanelFits(frame, width);
        if (width == 1280) {
            wide = box->GetSize().GetWidth();
        }
    }
    const int boxWidth = box->GetSize().GetWidth();
    EXPECT_LT(boxWidth, wide);
    EXPECT_GT(boxWidth, 300);

    Parts(frame).Ribbon()->SetActivePage(3);
    Pump(300);
    for (int width : {1280, 1200}) {  // resized while another category is shown
        frame->SetSize(wxSize(width, 760));
        Pump(300);
    }
    Parts(frame).Ribbon()->SetActivePage(1);
    Pump(400);
    EXPECT_EQ(box->GetSize().GetWidth(), boxWidth);
    ClickRibbonButton(Parts(frame).PublishBar(), ID_PUBLIC_FAST);
    ASSERT_TRUE(PumpUntil([&] { return Parts(frame).PublishBar()->GetItemById(ID_STOP_PUBLIC) != nullptr; }));
    Pump(400);
    ExpectPathPanelFits(frame, 1200);
    GetPublishState().running = false;
    ASSERT_TRUE(PumpUntil([&] { return RunOver(frame); }));
    Pump(400);
    EXPECT_EQ(box->GetSize().GetWidth(), boxWidth);
    ExpectPathPanelFits(frame, 1200);
}

// A run that paints its second row "in progress" and holds there until it is stopped.
void RunHeldOnSecondRow(CDocvaneDoc* project, bool fast) {
    FileDoc& file = project->File(1);
    file.statusColor = kColourPublishing;
    file.statusText = "Публикую";
    GetPublishState().severity = 0;
    GetPublishState().running = true;
    MainWindow().PublishStateChanged(kRunStarted);
    MainWindow().RefreshViews(project);
    (void)fast;
    while (GetPublishState().running) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EndPublication();
}

TEST_F(DesktopWindow, AStoppedRunRepaintsItsRowsAndThePaneFollowsTheActiveProject) {
    Start(demo.Project());
    Parts(frame).SetPublishWorker(RunHeldOnSecondRow);
    CProjectPanel* published = frame->ActivePanel();
    CDocvaneDoc& project = published->Project();
    const Colour before = project.File(1).statusColor;
    ASSERT_NE(before, kColourPublishing);
    ClickRibbonButton(Parts(frame).PublishBar(), ID_PUBLIC_FAST);
    ASSERT_TRUE(PumpUntil([&] { return Parts(frame).PublishBar()->GetItemById(ID_STOP_PUBLIC) != nullptr; }));
    auto* list = dynamic_cast<CFileListViewList*>(&published->FileList());
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->View()->GetItemBackgroundColour(1), FromColorRef(kColourPublishing));

    // Another project's tab and back: the pane shows the published project's combined PDF again.
    frame->NewProject();
    Pump(200);
    EXPECT_EQ(Parts(frame).PropertiesPane()->ShownPdf(), &frame->ActiveProject()->pdfFile);
    Parts(frame).Notebook()->SetSelection(
        static_cast<size_t>(Parts(frame).Notebook()->GetPageIndex(published)));
    Pump(300);
    EXPECT_EQ(Parts(frame).PropertiesPane()->ShownPdf(), &project.pdfFile);

    ClickRibbonButton(Parts(frame).PublishBar(), ID_STOP_PUBLIC);
    ASSERT_TRUE(PumpUntil([&] { return RunOver(frame); }));
    EXPECT_EQ(project.File(1).statusColor, before);
    EXPECT_EQ(list->View()->GetItemBackgroundColour(1), FromColorRef(before));
    // The pane shows the combined PDF's status as the run's end computed it.
    EXPECT_EQ(Parts(frame).PropertiesPane()->ShownPdf(), &project.pdfFile);
    EXPECT_EQ(Parts(frame).PropertiesPane()->DescriptionText().utf8_string(), project.pdfFile.statusText);

    // The description area keeps its rows after the output pane is hidden, shown and resized.
    CPropertiesPane* pane = Parts(frame).PropertiesPane();
    const int wanted = pane->WantedDescriptionHeight();
    EXPECT_EQ(pane->DescriptionHeight(), wanted);
    wxAuiPaneInfo& output = Parts(frame).Docking().GetPane("output");
    output.Hide();
    Parts(frame).Docking().Update();
    Pump(200);
    output.Show();
    Parts(frame).Docking().Update();
    Pump(200);
    frame->SetSize(wxSize(1200, 420));  // the panes get short, then tall again
    Pump(400);
    frame->SetSize(wxSize(1200, 760));
    Pump(400);
    EXPECT_EQ(pane->DescriptionHeight(), wanted);
}

TEST_F(DesktopWindow, AFirstStartWithAProjectThatCannotBeOpenedEndsAfterSayingWhy) {
    wxTimer answer;
    AnswerSoon(answer, WXK_RETURN);  // the message naming the file and the reason
    EXPECT_EQ(shell.Start(*wxTheApp, UserSettingsStore(), {}, demo.Folder() + "/нет такого.dv1"), nullptr);
    EXPECT_EQ(shell.Frame(), nullptr);
    Pump(300);
    for (wxWindow* window : wxTopLevelWindows) {
        EXPECT_EQ(dynamic_cast<CMainFrame*>(window), nullptr) << "a window was left";
    }
}

// A window manager first configures a new frame to a few pixels; laid out at that size the panes got
// negative widths (GTK criticals fail the test). Once the frame has its real size it keeps a minimum.
TEST_F(DesktopWindow, ATinyConfigureNeitherBreaksTheLayoutNorShrinksTheFrame) {
    Start(demo.Project());
    ASSERT_NE(frame->GetToolBar(), nullptr);
    EXPECT_TRUE(frame->GetToolBar()->IsShown());
    frame->SetSize(wxSize(4, 26));  // the frame stops at its least size
    Pump(400);
    EXPECT_GE(frame->GetSize().GetWidth(), 640);
    EXPECT_GE(frame->GetSize().GetHeight(), 420);
    EXPECT_GE(frame->ActivePanel()->FileList().Window()->GetSize().GetWidth(), 100);
    EXPECT_GE(Parts(frame).PropertiesHost()->GetSize().GetWidth(), 80);
    frame->SetSize(wxSize(1200, 760));
    Pump(300);
    EXPECT_TRUE(frame->GetToolBar()->IsShown());
}

// At 640 x 480 the docked panes kept their sizes and left the file list 60 pixels.
TEST_F(DesktopWindow, ASmallWindowKeepsRoomForTheFileList) {
    Start(demo.Project());
    frame->SetSize(wxSize(640, 480));
    Pump(800);
    const wxSize list = frame->ActivePanel()->FileList().Window()->GetSize();
    EXPECT_GE(list.GetHeight(), 100) << "file list " << list.GetWidth() << "x" << list.GetHeight();
    EXPECT_GE(list.GetWidth(), 300);
    EXPECT_TRUE(Parts(frame).Docking().GetPane("output").IsShown());
    EXPECT_TRUE(Parts(frame).Docking().GetPane("properties").IsShown());
    EXPECT_GE(Parts(frame).PropertiesHost()->GetSize().GetWidth(), 80);
    frame->SetSize(wxSize(1200, 760));
    Pump(300);
}

// The README's desktop command must reach the stand-in servers, which the program looks for beside
// itself: the build puts it beside them (and docvane-cli).
TEST(DesktopProgram, IsBuiltBesideTheStandInServers) {
    const std::filesystem::path folder = std::filesystem::path(DOCVANE_GUI_BINARY).parent_path();
    for (const char* name : {"docvane-acad-server", "docvane-word-server"}) {
        EXPECT_TRUE(std::filesystem::exists(folder / name)) << (folder / name);
    }
    EXPECT_TRUE(std::filesystem::is_directory(folder / "docvane_servers"));
}

}  // namespace
}  // namespace docvane::gui
