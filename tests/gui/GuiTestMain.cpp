// The window tests' own main: wxWidgets needs its application object and an active event loop.
#include <glib.h>
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/dialog.h>
#include <wx/evtloop.h>
#include <wx/log.h>
#include <wx/timer.h>
#include <wx/uiaction.h>

#include <cstdio>
#include <string>

#include "app/ApplicationSettings.h"
#include "gui/GuiHarness.h"
#include "platform/SettingsFile.h"
#include "worker/PlatformServices.h"

namespace {

const char* tolerated = nullptr;

// Any wxWidgets assertion fails the test it happens in (the program would show its dialog there).
void FailOnAssertion(const wxString& file, int line, const wxString& function, const wxString& condition,
                     const wxString& message) {
    ADD_FAILURE() << "wxWidgets assertion at " << file.utf8_str() << "(" << line << ") in "
                  << function.utf8_str() << ": " << condition.utf8_str() << " " << message.utf8_str();
}

// So does any GTK or GLib critical (a widget given an impossible size, a bad call): the program would
// print it on every start. Warnings are still only printed. GTK logs through GLib's structured log, so
// the check is GLib's one log writer (wxWidgets takes that writer only after GTKAllowDiagnosticsControl,
// which nothing here calls).
GLogWriterOutput FailOnCritical(GLogLevelFlags level, const GLogField* fields, gsize count, gpointer data) {
    if ((level & (G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_ERROR)) != 0) {
        std::string domain;
        std::string message;
        for (gsize i = 0; i < count; ++i) {
            const std::string key = fields[i].key;
            if (fields[i].length < 0 && fields[i].value != nullptr &&
                (key == "GLIB_DOMAIN" || key == "MESSAGE")) {
                (key == "MESSAGE" ? message : domain) = static_cast<const char*>(fields[i].value);
            }
        }
        if (tolerated == nullptr || message.rfind(tolerated, 0) != 0) {
            ADD_FAILURE() << domain << " critical: " << message;
        }
    }
    return g_log_writer_default(level, fields, count, data);
}

// A test still running after this long waits for something that never comes, most often a menu or a
// modal dialog a stray click opened: GTK keeps those open in a loop of their own, where the test's own
// checks never run again and only the whole run's time limit would end it.
constexpr int kStuckTestMs = 60000;

// Fails the stuck test by name and closes what holds it (a modal dialog ends, a menu gets Escape),
// repeating until the test returns, so that the tests after it still run.
class StuckTestWatch : public ::testing::EmptyTestEventListener {
  public:
    StuckTestWatch() {
        timer_.Bind(wxEVT_TIMER, [this](wxTimerEvent&) { Release(); });
    }
    void OnTestStart(const ::testing::TestInfo&) override {
        reported_ = false;
        timer_.StartOnce(kStuckTestMs);
    }
    void OnTestEnd(const ::testing::TestInfo&) override { timer_.Stop(); }

  private:
    void Release() {
        if (!reported_) {
            reported_ = true;
            ADD_FAILURE() << "the test ran longer than " << kStuckTestMs / 1000
                          << " s: a menu or a dialog it did not expect holds it";
        }
        for (wxWindow* window : wxTopLevelWindows) {
            if (auto* dialog = dynamic_cast<wxDialog*>(window); dialog != nullptr && dialog->IsModal()) {
                dialog->EndModal(wxID_CANCEL);
            }
        }
        wxUIActionSimulator().Char(WXK_ESCAPE);
        timer_.StartOnce(2000);
    }

    wxTimer timer_;
    bool reported_ = false;
};

class TestApp : public wxApp {
  public:
    bool OnInit() override {
        delete wxLog::SetActiveTarget(new wxLogStderr);
        return true;
    }
};

}  // namespace

namespace docvane::gui {

ToleratedCritical::ToleratedCritical(const char* messageStart) {
    tolerated = messageStart;
}

ToleratedCritical::~ToleratedCritical() {
    tolerated = nullptr;
}

}  // namespace docvane::gui

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    wxSetAssertHandler(FailOnAssertion);
    g_log_set_writer_func(FailOnCritical, nullptr, nullptr);
    wxApp::SetInstance(new TestApp);
    if (!wxEntryStart(argc, argv) || !wxTheApp->CallOnInit()) {
        std::fprintf(stderr, "docvane_gui_tests: no display\n");
        return 2;
    }
    wxSetAssertHandler(FailOnAssertion);  // in case the application object installed its own
    // The window's own settings go to the private settings folder the test run is given.
    docvane::SettingsFile settings(docvane::UserSettingsFilePath());
    docvane::PlatformServices services;
    services.settings = &settings;
    docvane::InstallPlatformServices(services);
    docvane::LoadSettings();
    int result = 0;
    // Taken back from the listener list before wxWidgets goes: its timer belongs to this application.
    StuckTestWatch watch;
    ::testing::TestEventListeners& listeners = ::testing::UnitTest::GetInstance()->listeners();
    listeners.Append(&watch);
    {
        wxEventLoop loop;
        wxEventLoopActivator active(&loop);
        result = RUN_ALL_TESTS();
    }
    listeners.Release(&watch);
    wxTheApp->OnExit();
    wxEntryCleanup();
    return result;
}
