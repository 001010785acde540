#pragma once
// The user's application settings: defaults for new projects, fallbacks of the project reader and
// the few options that publishing reads directly. One process-wide record.
#include <functional>
#include <string>

namespace docvane {

class SettingsStore;

struct ApplicationSettings {
    // Directories
    std::string editDirName = "EDIT";
    std::string pdfDirName = "PDF";
    std::string xref = "Ссылки";
    bool clearExitDir = true;
    // CombinePdf
    bool isCombine = true;
    bool hasMenu = true;
    bool openAfterPublic = true;
    // NumberingPdf
    bool isNumbering = true;
    int startPage = 2;
    int pageFrom = 3;
    int posX = 10;
    int posY = 8;
    int fontHeight = 12;
    std::string fontName = "Times New Roman";
    // Autocad_Path
    std::string exePath;
    std::string xrefDir = "Refs";
    bool insertXrefs = true;
    bool copyXrefs = true;
    // Autocad_General
    std::string fileFormat = "2010";
    bool clearComments = true;
    bool splitIntoLayouts = false;
    // Word_General
    bool lockComments = false;
    bool readOnlyRecommended = false;
    bool embedTrueTypeFonts = false;
    bool saveNativePictureFormat = true;
    bool refreshFields = true;
    bool toggleFormsDesign = true;
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
