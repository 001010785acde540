#pragma once
// The pass over every page of the combined PDF: guarding each page's content, counting A4 formats and
// drawing page numbers.
#include <podofo/podofo.h>

#include <optional>
#include <string>

#include "pdf/CombinedDocument.h"

namespace docvane {

class CDocvaneDoc;
struct PropertyDoc;

// Two content streams, "q\n" and "\nQ", shared by every page they bracket.
struct ContentBrackets {
    PoDoFo::PdfReference open;
    PoDoFo::PdfReference close;

    static ContentBrackets Create(PoDoFo::PdfVecObjects& objects);
};

// Runs the pass and returns the A4 count, or -1 after logging the error line of a failure. The file of
// the numbering font is looked up here unless the caller already has it (empty: none matched).
long ProcessCombinedPages(CombinedDocument& combined, const CDocvaneDoc& project,
                          const std::optional<std::string>& numberFontFile = std::nullopt);

// Gives the page a contents array of its own and, when the page draws anything, brackets its content
// with q/Q so that a transformation, colour or clip it leaves active cannot reach what is drawn after it
// (with as many as it takes when the content's own q and Q do not balance).
void GuardPageContent(PoDoFo::PdfObject& page, const ContentBrackets& brackets);

// Draws number near the top-right corner of the page as displayed, upright, after its own content.
// grey: in DeviceGray (black) instead of the CMYK black, for PDF/A with its sRGB output intent.
void DrawPageNumber(PoDoFo::PdfObject& page, PoDoFo::PdfFont& font, long number, const PropertyDoc& settings,
                    bool grey = false);

}  // namespace docvane
