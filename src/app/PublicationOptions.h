#pragma once
// The options that steer a publication. A project carries its own copy; the application settings hold
// the copy a new project starts from, which also stands in for an unreadable flag or number of a
// project file. The initial values are the built-in defaults of both.
#include <string>

namespace docvane {

// The drawing-program group of the options.
struct AutocadDoc {
    bool insertXrefs = true;
    bool copyXrefs = true;
    std::string xrefDir = "Refs";
    std::string fileFormat = "2010";
    bool clearComments = true;
    bool splitIntoLayouts = false;
};

struct PublicationOptions {
    // Directories
    bool clearExitDir = true;
    // CombinePdf
    bool isCombine = true;
    bool hasMenu = true;
    bool pdfA = false;  // the combined PDF conforms to PDF/A-1b
    // NumberingPdf
    bool isNumbering = true;
    int startPage = 2;
    int pageFrom = 3;
    int posX = 10;
    int posY = 8;
    int fontHeight = 12;
    std::string fontName = "Times New Roman";
    // Autocad_Path and Autocad_General
    AutocadDoc autocad;
};

}  // namespace docvane
