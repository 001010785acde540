#pragma once
// The user's application settings: defaults for new projects, fallbacks of the project reader and
// the few options that publishing reads directly. One process-wide record.
#include <functional>
#include <string>

#include "app/SettingsDefaults.h"

namespace docvane {

class SettingsStore;

struct ApplicationSettings {
    // Directories
    std::string editDirName = defaults::kEditDirName;
    std::string pdfDirName = defaults::kPdfDirName;
    std::string xref = defaults::kXref;
    bool clearExitDir = defaults::kClearExitDir;
    // CombinePdf
    bool isCombine = defaults::kIsCombine;
    bool hasMenu = defaults::kHasMenu;
    bool openAfterPublic = defaults::kOpenAfterPublic;
    bool pdfA = defaults::kPdfA;
    // NumberingPdf
    bool isNumbering = defaults::kIsNumbering;
    int startPage = defaults::kStartPage;
    int pageFrom = defaults::kPageFrom;
    int posX = defaults::kPosX;
    int posY = defaults::kPosY;
    int fontHeight = defaults::kFontHeight;
    std::string fontName = defaults::kFontName;
    // Autocad_Path
    std::string exePath;
    std::string xrefDir = defaults::kXrefDir;
    bool insertXrefs = defaults::kInsertXrefs;
    bool copyXrefs = defaults::kCopyXrefs;
    // Autocad_General
    std::string fileFormat = defaults::kFileFormat;
    bool clearComments = defaults::kClearComments;
    bool splitIntoLayouts = defaults::kSplitIntoLayouts;
    // Word_General
    bool lockComments = defaults::kLockComments;
    bool readOnlyRecommended = defaults::kReadOnlyRecommended;
    bool embedTrueTypeFonts = defaults::kEmbedTrueTypeFonts;
    bool saveNativePictureFormat = defaults::kSaveNativePictureFormat;
    bool refreshFields = defaults::kRefreshFields;
    bool toggleFormsDesign = defaults::kToggleFormsDesign;
    // Autocad_General: the project's LISP script may open and write files outside the project's
    // folder and its output folders (the user trusts the folders projects come from).
    bool trustProjectFolder = defaults::kTrustProjectFolder;
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
