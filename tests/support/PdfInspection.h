#pragma once
// What independent readers (qpdf, poppler) see in a PDF.
#include <string>
#include <vector>

namespace docvane::test {

// qpdf --check finds neither errors nor warnings.
bool QpdfCheckClean(const std::string& path);
// The page count qpdf reads, -1 when it cannot read the file.
int QpdfPageCount(const std::string& path);

struct OutlineNode {
    std::string title;
    int page = 0;  // 1-based page of its destination, 0 without one
    std::vector<OutlineNode> kids;
};
// The outline as qpdf reads it.
std::vector<OutlineNode> QpdfOutline(const std::string& path);

// The text of every page (pdftotext), in page order.
std::vector<std::string> PageTexts(const std::string& path);

struct WordBox {
    std::string text;
    double xMin = 0, yMin = 0, xMax = 0, yMax = 0;  // displayed page space, y downward from the top
};
struct PageWords {
    double width = 0, height = 0;  // displayed size
    std::vector<WordBox> words;
};
// Every word with its box as poppler lays the page out for display (pdftotext -bbox).
std::vector<PageWords> WordBoxes(const std::string& path);
// The first word of the page with exactly that text; null when there is none.
const WordBox* FindWord(const PageWords& page, const std::string& text);

// pdffonts' table.
std::string FontTable(const std::string& path);

struct LinkAnnotation {
    int page = 0;  // 1-based page that carries it
    double rect[4] = {};
    int targetPage = 0;  // 1-based page of its destination, 0 without one
    std::string fit;     // the destination's fit mode ("/Fit")
    std::string border;  // the /Border array as qpdf writes it
};
// Every link annotation as qpdf reads it.
std::vector<LinkAnnotation> QpdfLinks(const std::string& path);

// Checks the outline's links as qpdf reads the objects: parents, first/last, prev/next and counts
// (all items closed). Returns an empty text when consistent, else what is wrong.
std::string QpdfOutlineProblems(const std::string& path);

// One object as qpdf shows it (qpdf --show-object=N).
std::string QpdfObject(const std::string& path, int objectNumber);

}  // namespace docvane::test
