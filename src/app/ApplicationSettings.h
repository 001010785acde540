#pragma once
// The user's application settings: defaults for new projects, fallbacks of the project reader and
// the few options that publishing reads directly. One process-wide record.
#include <functional>
#include <string>

#include "app/PublicationOptions.h"

namespace docvane {

class SettingsStore;

// The publication options a new project copies, and the settings that belong to the application.
struct ApplicationSettings : PublicationOptions {
    // Directories
    std::string editDirName = "EDIT";
    std::string pdfDirName = "PDF";
    std::string xref = "Ссылки";
    // CombinePdf
    bool openAfterPublic = true;
    // Autocad_Path (no fixed default: looked up when the settings are loaded)
    std::string exePath;
    // Word_General
    bool lockComments = false;
    bool readOnlyRecommended = false;
    bool embedTrueTypeFonts = false;
    bool saveNativePictureFormat = true;
    bool refreshFields = true;
    bool toggleFormsDesign = true;
    // Autocad_General: the project's LISP script may open and write files outside the project's
    // folder and its output folders (the user trusts the folders projects come from).
    bool trustProjectFolder = false;
    // Publication: how many files a run works on at once; 0 (or less) chooses by the machine.
    int parallelJobs = 0;
};

// The process-wide record. Filled by LoadSettings; a fresh process holds the built-in defaults.
ApplicationSettings& AppSettings();

// Reads every value from the store (a missing value reads as its default); the default of exePath is
// the installed lookup's answer at the time of loading (empty without one).
void LoadSettings(ApplicationSettings& settings, const SettingsStore& store);
// Writes every value, flags as 0 or 1, then saves the store. False when the store could not be saved.
bool SaveSettings(const ApplicationSettings& settings, SettingsStore& store);

// The per-user store behind the process-wide record, installed by the program's main (nullptr
// uninstalls). Without one nothing is read and saving fails. It must outlive every call made through it.
void SetUserSettingsStore(SettingsStore* store);
SettingsStore& UserSettingsStore();
// Where a missing exePath is looked up when settings are loaded (an empty function: nowhere).
void SetExePathLookup(std::function<std::string()> lookup);
// Convenience: load or save the process-wide record through the per-user store.
void LoadSettings();
bool SaveSettings();

}  // namespace docvane
