// The window tests' own main: wxWidgets needs its application object and an active event loop.
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/log.h>

#include "app/ApplicationSettings.h"
#include "platform/SettingsFile.h"
#include "worker/PlatformServices.h"

namespace {

// Any wxWidgets assertion fails the test it happens in (the program would show its dialog there).
void FailOnAssertion(const wxString& file, int line, const wxString& function, const wxString& condition,
                     const wxString& message) {
    ADD_FAILURE() << "wxWidgets assertion at " << file.utf8_str() << "(" << line << ") in "
                  << function.utf8_str() << ": " << condition.utf8_str() << " " << message.utf8_str();
}

class TestApp : public wxApp {
  public:
    bool OnInit() override {
        delete wxLog::SetActiveTarget(new wxLogStderr);
        return true;
    }
};

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    wxSetAssertHandler(FailOnAssertion);
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
    {
        wxEventLoop loop;
        wxEventLoopActivator active(&loop);
        result = RUN_ALL_TESTS();
    }
    wxTheApp->OnExit();
    wxEntryCleanup();
    return result;
}
