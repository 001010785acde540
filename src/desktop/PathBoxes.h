#pragma once
// The three path boxes of the ribbon (combined PDF, PDF folder, editable folder): what confirming
// them does to the project and which items their lists offer.
#include <string>
#include <vector>

namespace docvane {

class CDocvaneDoc;

// The list item that opens a file or folder picker instead of naming a path.
extern const char* const kChooseItem;  // "Выбрать..."

enum class PathBox { CombinedPdf = 0, PdfDir = 1, EditDir = 2 };

struct PathBoxTexts {
    std::string combinedPdf;
    std::string pdfDir;
    std::string editDir;
};

// What confirming the boxes asks for: a picker for one box (the first box holding "Выбрать..."),
// or taking the three texts into the project.
enum class PathBoxAction { PickCombinedPdf, PickPdfDir, PickEditDir, TakeTexts };
PathBoxAction DecidePathBoxAction(const PathBoxTexts& texts);

// Takes the three texts into the project (not marked modified): each resolved against the project's
// folder; a combined PDF text without ".pdf" gets it appended.
void TakePathBoxTexts(CDocvaneDoc& project, const PathBoxTexts& texts);

// A picker's choice for one box: an empty choice (cancelled) changes nothing; another choice is set
// and marks the project modified. True when the project changed.
bool TakePickedPath(CDocvaneDoc& project, PathBox box, const std::string& chosen);

// The text a box shows for the project's entry.
std::string PathBoxText(const CDocvaneDoc& project, PathBox box);

// The box's list: empty item, the current path, a ".\" suggestion when the project has a folder, and
// "Выбрать...". pdfDirName/editDirName are the application's default folder names.
std::vector<std::string> PathBoxItems(const CDocvaneDoc& project, PathBox box, const std::string& pdfDirName,
                                      const std::string& editDirName);

}  // namespace docvane
