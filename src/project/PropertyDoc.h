#pragma once
#include <string>

namespace docvane {

struct ApplicationSettings;

// The drawing-program group of the project settings.
struct AutocadDoc {
    bool insertXrefs = true;
    bool copyXrefs = true;
    std::string xrefDir = "Refs";
    std::string fileFormat = "2010";
    bool clearComments = true;
    bool splitIntoLayouts = false;
    std::string lispScript;
};

// The project settings.
struct PropertyDoc {
    std::string projectDir;  // run time only: the folder of the project file
    std::string tempDir;     // run time only: the project's temporary working folder
    bool clearExitDir = true;
    bool isCombine = true;
    bool hasMenu = true;
    bool isNumbering = true;
    int startPage = 2;
    int pageFrom = 3;
    int posX = 10;
    int posY = 8;
    int fontHeight = 12;
    std::string fontName = "Times New Roman";
    AutocadDoc autocad;
    std::string vbaScript;

    // The settings a new project takes from the application settings in force.
    void TakeDefaultsFrom(const ApplicationSettings& settings);
};

// A fresh temporary folder name under the system temporary folder's "DV" (not created here).
std::string ChooseTempDir();

}  // namespace docvane
