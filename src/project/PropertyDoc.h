#pragma once
#include <string>

#include "app/SettingsDefaults.h"

namespace docvane {

struct ApplicationSettings;

// The drawing-program group of the project settings.
struct AutocadDoc {
    bool insertXrefs = defaults::kInsertXrefs;
    bool copyXrefs = defaults::kCopyXrefs;
    std::string xrefDir = defaults::kXrefDir;
    std::string fileFormat = defaults::kFileFormat;
    bool clearComments = defaults::kClearComments;
    bool splitIntoLayouts = defaults::kSplitIntoLayouts;
    std::string lispScript;
};

// The project settings.
struct PropertyDoc {
    std::string projectDir;  // run time only: the folder of the project file
    std::string tempDir;     // run time only: the project's temporary working folder
    bool clearExitDir = defaults::kClearExitDir;
    bool isCombine = defaults::kIsCombine;
    bool hasMenu = defaults::kHasMenu;
    bool pdfA = defaults::kPdfA;  // the combined PDF conforms to PDF/A-1b
    bool isNumbering = defaults::kIsNumbering;
    int startPage = defaults::kStartPage;
    int pageFrom = defaults::kPageFrom;
    int posX = defaults::kPosX;
    int posY = defaults::kPosY;
    int fontHeight = defaults::kFontHeight;
    std::string fontName = defaults::kFontName;
    AutocadDoc autocad;
    std::string vbaScript;

    // The settings a new project takes from the application settings in force.
    void TakeDefaultsFrom(const ApplicationSettings& settings);
};

}  // namespace docvane
