// Entry point of the window tests for as long as no other one is linked in: the application's own
// test entry point replaces it (this one is weak).
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/init.h>
#include <wx/log.h>

namespace {

class TestApp : public wxApp {
  public:
    bool OnInit() override { return true; }
};

}  // namespace

__attribute__((weak)) int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    wxApp::SetInstance(new TestApp);
    if (!wxEntryStart(argc, argv) || !wxTheApp->CallOnInit()) {
        return 2;
    }
    // A message box would wait for a click that never comes.
    delete wxLog::SetActiveTarget(new wxLogStderr);
    const int result = RUN_ALL_TESTS();
    wxTheApp->OnExit();
    wxEntryCleanup();
    return result;
}
