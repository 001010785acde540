#include "GuiHarness.h"

#include <wx/app.h>
#include <wx/ribbon/buttonbar.h>
#include <wx/toolbar.h>
#include <wx/uiaction.h>
#include <wx/utils.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>

#include "app/ApplicationSettings.h"
#include "project/DocvaneDoc.h"
#include "views/ProjectPanel.h"
#include "worker/PublishWorker.h"

namespace docvane::gui {

void Pump(int ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
        wxTheApp->Yield(true);
        wxMilliSleep(5);
    }
}

bool PumpUntil(const std::function<bool()>& done, int timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) {
            return done();
        }
        Pump(20);
    }
    return true;
}

void ClickAt(const wxRect& screenRect) {
    wxUIActionSimulator sim;
    sim.MouseMove(screenRect.x + screenRect.width / 2, screenRect.y + screenRect.height / 2);
    Pump(120);
    sim.MouseClick();
    Pump(200);
}

void ClickRibbonButton(wxRibbonButtonBar* bar, int id) {
    wxRect rect = bar->GetItemRect(id);
    rect.height = rect.height / 2;  // the icon half: a split button's menu arrow sits lower
    rect.SetPosition(bar->ClientToScreen(rect.GetPosition()));
    ClickAt(rect);
}

DemoCopy::DemoCopy() {
    char pattern[] = "/tmp/docvane-gui-XXXXXX";
    folder_ = mkdtemp(pattern);
    std::filesystem::copy(DOCVANE_DEMO_DIR, folder_, std::filesystem::copy_options::recursive);
    std::filesystem::remove_all(folder_ + "/out");
    KeepReadyPdfsOnly(Project());
}

// The window tests publish the demo's ready PDFs only: the drawings and documents need the stand-in
// servers (and an office start), which have end-to-end tests of their own.
void DemoCopy::KeepReadyPdfsOnly(const std::string& project) {
    std::ifstream in(project, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    in.close();
    static const std::regex entry(
        R"(\s*<fileDoc>(?:(?!</fileDoc>)[\s\S])*?<fileRelativePath>([^<]*)</fileRelativePath>[\s\S]*?</fileDoc>)");
    std::string kept;
    std::size_t last = 0;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), entry); it != std::sregex_iterator();
         ++it) {
        const std::string path = (*it)[1].str();
        const bool pdf = path.size() > 4 && path.compare(path.size() - 4, 4, ".pdf") == 0;
        kept += text.substr(last, static_cast<std::size_t>(it->position()) - last);
        if (pdf) {
            kept += it->str();
        }
        last = static_cast<std::size_t>(it->position() + it->length());
    }
    kept += text.substr(last);
    std::ofstream(project, std::ios::binary | std::ios::trunc) << kept;
}

DemoCopy::~DemoCopy() {
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
}

void WindowTest::SetUp() {
    AppSettings().openAfterPublic = true;
    SetOpenCombinedPdfAction([this](const std::string& path) { openedCombinedPdf = path; });
}

CMainFrame* WindowTest::Start(const std::string& project, const std::string& socket) {
    frame = shell.Start(*wxTheApp, UserSettingsStore(), socket, project);
    frame->SetSize(wxSize(1200, 760));
    frame->Move(0, 0);
    // The quick-access toolbar comes up once the frame has its real size, and the ribbon moves down by
    // its height: a click aimed before that lands on the tab row above ("Файл" opens its menu).
    EXPECT_TRUE(
        PumpUntil([this] { return frame->GetToolBar() != nullptr && frame->GetToolBar()->IsShown(); }, 10000))
        << "the window never reached its real size";
    Pump(300);
    return frame;
}

void WindowTest::SaveScreenshotIfAsked() {
    const char* target = std::getenv("DOCVANE_SCREENSHOT");
    if (target == nullptr || *target == '\0' || frame == nullptr) {
        return;
    }
    frame->Raise();
    Pump(500);
    const wxRect r = frame->GetScreenRect();
    const std::string command = "import -window root -crop " + std::to_string(r.width) + "x" +
                                std::to_string(r.height) + "+" + std::to_string(r.x) + "+" +
                                std::to_string(r.y) + " +repage '" + target + "'";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
}

void WindowTest::TearDown() {
    if (HasFailure()) {
        const std::string shot = std::string("gui-failure-") +
                                 ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".png";
        const std::string command = "import -window root '" + shot + "' 2>/dev/null";
        [[maybe_unused]] const int ignored = std::system(command.c_str());
    }
    if (shell.Frame() != nullptr) {
        for (CProjectPanel* panel : shell.Frame()->Panels()) {
            panel->Project().SetModifiedFlag(false);  // no save question in a headless run
        }
        shell.Frame()->Close(true);
    }
    PumpUntil([this] { return shell.Frame() == nullptr && !IsWorkerActive(); }, 10000);
    Pump(100);
    SetOpenCombinedPdfAction({});
}

}  // namespace docvane::gui
