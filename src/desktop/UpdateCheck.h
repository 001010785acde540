#pragma once
// The update check: asks the update server for the latest version, compares it with the last one seen,
// offers the installation, downloads the installer and hands over to it. Window-free: the questions and
// the progress display go through UpdatePrompts, the network through UpdateSource.
#include <functional>
#include <string>

#include "app/SettingsStore.h"
#include "app/UpdateSource.h"

namespace docvane {

// The version this program calls its own in the update messages.
inline constexpr const char* kOwnVersion = "0.8.38.195";
inline constexpr const char* kVersionFileName = "Docvane.info";
inline constexpr const char* kInstallerFileName = "Setup.exe";

// Where the update server and the installer are. Both empty by default: without a server the check does
// nothing and shows nothing. Kept in the settings store's section "Update":
//   server    - base address of the update server ("host" means "http://host"); the version file is
//               <server>/Docvane.info
//   installer - address of the installer (https; plain http only for the local machine)
struct UpdateConfig {
    std::string server;
    std::string installer;
};
inline constexpr const char* kUpdateSection = "Update";
UpdateConfig ReadUpdateConfig(const SettingsStore& store);
// The address of the version file for a configured server; empty for an empty server.
std::string VersionFileUrl(const std::string& server);

class UpdatePrompts {
  public:
    virtual ~UpdatePrompts() = default;
    // "Обновление недоступно" with an error icon.
    virtual void ShowUnavailable() = 0;
    // The offer with Yes and No; true for Yes.
    virtual bool AskInstall(const std::string& text) = 0;
    // "Не могу скачать обновление.\nПопробуйте обновиться вручную" with an error icon.
    virtual void ShowDownloadFailed() = 0;
    // Download progress in bytes; the first call opens the progress window.
    virtual void Progress(std::uint64_t done, std::uint64_t total) = 0;
    // The download has ended: the progress window (if any) closes.
    virtual void EndProgress() = 0;
};

enum class UpdateOutcome {
    NoAnswer,        // no version from the server (or no server configured): nothing shown
    Unchanged,       // automatic check, same version as last time: nothing shown
    FirstCheck,      // first version ever seen: stored, "unavailable" shown only for a manual check
    Declined,        // the offer was answered No
    DownloadFailed,  // the installer did not arrive
    HandedOver,      // the installer was started and the main window asked to close
};

struct UpdateEnvironment {
    SettingsStore& store;
    UpdateSource& source;
    UpdatePrompts& prompts;
    // Folder under which the fresh download folder is made (the application's temporary folder).
    std::string tempRoot;
    // Starts the downloaded installer as a program; its failure is not reported.
    std::function<bool(const std::string& path)> startProgram;
    // Asks the main window to close through its normal shut-down.
    std::function<void()> closeMainWindow;
};

UpdateOutcome CheckForUpdate(bool manual, UpdateEnvironment& env);

// The folder under which installers are downloaded: "docvane/update" in the user's cache folder
// ($XDG_CACHE_HOME, else ~/.cache). The program's exit removes its temporary folder while the installer
// it has just started still runs, so the installer is kept here and removed at a later start.
std::string UpdateDownloadRoot();
// Removes the installers earlier hand-overs left under root.
void RemoveLeftoverDownloads(const std::string& root);

// The offer's text for a latest and a stored version (stored not empty).
std::string UpdateOfferText(const std::string& latest, const std::string& stored);

}  // namespace docvane
