#include "ui/UpdateWindows.h"

#include <wx/frame.h>
#include <wx/gauge.h>
#include <wx/msgdlg.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include <algorithm>
#include <atomic>

#include "app/ApplicationSettings.h"
#include "base/TempFolders.h"
#include "platform/DetachedProgram.h"
#include "ui/DocvaneApp.h"
#include "views/WxText.h"

namespace docvane {

namespace {

std::atomic<UpdateSource*> installedSource{nullptr};

constexpr const char* kCaption = "Обновление";

int Kilobytes(std::uint64_t bytes) {
    const std::uint64_t kb = bytes / 1000;
    return kb > 0x7fffffff ? 0x7fffffff : static_cast<int>(kb);
}

}  // namespace

CUpdatePrompts::CUpdatePrompts(wxWindow* mainWindow) : mainWindow_(mainWindow) {}

CUpdatePrompts::~CUpdatePrompts() {
    EndProgress();
}

void CUpdatePrompts::ShowUnavailable() {
    wxMessageBox(Wx("Обновление недоступно"), Wx(kCaption), wxOK | wxICON_ERROR);
}

bool CUpdatePrompts::AskInstall(const std::string& text) {
    wxMessageDialog ask(nullptr, Wx(text), Wx(kCaption), wxYES_NO | wxICON_INFORMATION);
    ask.SetYesNoLabels(Wx("Да"), Wx("Нет"));
    return ask.ShowModal() == wxID_YES;
}

void CUpdatePrompts::ShowDownloadFailed() {
    wxMessageBox(Wx("Не могу скачать обновление.\nПопробуйте обновиться вручную"), Wx(kCaption),
                 wxOK | wxICON_ERROR);
}

void CUpdatePrompts::Progress(std::uint64_t done, std::uint64_t total) {
    if (progress_ == nullptr) {
        // A small window over the middle of the main window, as long as the download runs.
        progress_ = new wxFrame(mainWindow_, wxID_ANY, Wx("Обновление..."), wxDefaultPosition,
                                wxSize(400, 40), wxCAPTION | wxFRAME_FLOAT_ON_PARENT | wxFRAME_TOOL_WINDOW);
        auto* sizer = new wxBoxSizer(wxVERTICAL);
        bar_ = new wxGauge(progress_, wxID_ANY, 1);
        kilobytes_ = new wxStaticText(progress_, wxID_ANY, wxString());
        sizer->Add(bar_, 0, wxEXPAND | wxALL, 4);
        sizer->Add(kilobytes_, 0, wxLEFT | wxRIGHT | wxBOTTOM, 4);
        progress_->SetSizerAndFit(sizer);
        progress_->SetSize(wxSize(400, progress_->GetSize().GetHeight()));
        if (mainWindow_ != nullptr) {
            progress_->CentreOnParent();
        }
        progress_->Show();
    }
    const int range = Kilobytes(total);
    bar_->SetRange(range > 0 ? range : 1);
    bar_->SetValue(range > 0 ? std::min(Kilobytes(done), range) : 0);
    kilobytes_->SetLabel(total > 0
                             ? Wx(std::to_string(Kilobytes(done)) + " КБ из " + std::to_string(range) + " КБ")
                             : Wx(std::to_string(Kilobytes(done)) + " КБ"));
    progress_->Refresh();
    progress_->Update();
}

void CUpdatePrompts::EndProgress() {
    if (progress_ != nullptr) {
        progress_->Destroy();
        progress_ = nullptr;
        bar_ = nullptr;
        kilobytes_ = nullptr;
    }
}

void InstallUpdateSource(UpdateSource* source) {
    installedSource = source;
}

void RunUpdateCheck(wxWindow* mainWindow, bool manual) {
    UpdateSource* source = installedSource;
    if (source == nullptr) {
        return;
    }
    CUpdatePrompts prompts(mainWindow);
    UpdateEnvironment env{UserSettingsStore(), *source, prompts,
                          // The user's cache, else the user's private temporary base: never a folder
                          // others may write.
                          UpdateDownloadRoot().empty() ? UserTempBase() : UpdateDownloadRoot(),
                          [](const std::string& path) { return StartDetachedProgram({path}, false); },
                          [mainWindow] {
                              if (mainWindow != nullptr) {
                                  mainWindow->CallAfter([mainWindow] { mainWindow->Close(); });
                              }
                          }};
    CheckForUpdate(manual, env);
}

}  // namespace docvane
