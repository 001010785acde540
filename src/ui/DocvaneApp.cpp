#include "ui/DocvaneApp.h"

#include <wx/intl.h>
#include <wx/log.h>
#include <wx/translation.h>

#include <cstdio>
#include <exception>
#include <filesystem>
#include <system_error>

#include "app/ApplicationSettings.h"
#include "desktop/UpdateCheck.h"

namespace docvane {

CDocvaneApp::CDocvaneApp(std::string projectPath, std::string socketPath)
    : projectPath_(std::move(projectPath)), socketPath_(std::move(socketPath)) {}

bool CDocvaneApp::OnInit() {
    // A message box at exit would block a headless run: log to the terminal.
    delete wxLog::SetActiveTarget(new wxLogStderr);
    SetAppName("Docvane");
    SetVendorName("Ostrel");
    LoadSettings();
    // The installer an earlier hand-over started has done its work by now.
    RemoveLeftoverDownloads(UpdateDownloadRoot());
    return shell_.Start(*this, UserSettingsStore(), socketPath_, projectPath_) != nullptr;
}

int CDocvaneApp::OnExit() {
    // Each project removes its own temporary folder when it closes; nothing shared is swept here, so
    // runs of other programs and other users keep theirs.
    shell_.Stop();
    return wxApp::OnExit();
}

bool CDocvaneApp::OnExceptionInMainLoop() {
    try {
        throw;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "docvane: unexpected failure in a window command: %s\n", e.what());
    } catch (...) {
        std::fprintf(stderr, "docvane: unexpected failure in a window command\n");
    }
    return true;
}

ScopedRussianToolkitTexts::ScopedRussianToolkitTexts() : installed_(wxTranslations::Get() == nullptr) {
    // The program keeps no translations otherwise; should something have installed its own, those stay.
    if (installed_) {
        auto* translations = new wxTranslations;
        translations->SetLanguage(wxLANGUAGE_RUSSIAN);
        translations->AddStdCatalog();
        wxTranslations::Set(translations);
    }
}

ScopedRussianToolkitTexts::~ScopedRussianToolkitTexts() {
    if (installed_) {
        wxTranslations::Set(nullptr);
    }
}

}  // namespace docvane
