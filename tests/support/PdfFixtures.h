#pragma once
// Input PDFs for the combined-PDF tests: real text and vector content drawn with cairo, then edited
// with PoDoFo where cairo has no say (rotation, annotations, odd page dictionaries).
#include <functional>
#include <string>
#include <vector>

namespace PoDoFo {
class PdfMemDocument;
}

namespace docvane::test {

inline constexpr double kA4Width = 595.2756;
inline constexpr double kA4Height = 841.8898;

struct FixturePage {
    double width = kA4Width;
    double height = kA4Height;
    std::string text;  // drawn near the middle of the page
};

struct FixtureOutline {
    std::string title;
    int page = 0;  // 0-based page the item leads to
    std::vector<FixtureOutline> children;
};

// Writes a PDF with the pages and a (possibly nested) outline.
void WriteFixturePdf(const std::string& path, const std::vector<FixturePage>& pages,
                     const std::vector<FixtureOutline>& outline = {});
// n A4 pages whose text is prefix + page number (1-based).
void WriteFixturePdf(const std::string& path, int pageCount, const std::string& prefix);

// Loads the file, lets edit change it and writes it back (PoDoFo).
void EditPdf(const std::string& path, const std::function<void(PoDoFo::PdfMemDocument&)>& edit);

}  // namespace docvane::test
