#pragma once
// The page labels of the combined PDF: a viewer's page box shows the number printed on the page, so a
// reviewer who types a sheet number lands on that sheet.
#include <podofo/podofo.h>

#include <string>
#include <vector>

namespace docvane {

struct PropertyDoc;

// One range of the label number tree: from its first page on, pages are labelled prefix followed by
// the number start, start + 1, ... in style ('D' decimal, 'r' lower roman, 0 the prefix alone).
struct PageLabelRange {
    int firstPage = 0;  // 0-based
    char style = 0;
    std::string prefix;
    long start = 1;

    bool operator==(const PageLabelRange&) const = default;
};

// The ranges for a combined PDF of pageCount pages numbered with these settings: the numbered pages
// carry their printed number, the pages before the first numbered one lower roman numerals (the
// usual labels of front matter). Empty when numbering is off or no page is numbered: viewers then
// show the physical page numbers, which is what the pages show too.
std::vector<PageLabelRange> PageLabelRanges(int pageCount, const PropertyDoc& settings);

// Puts the ranges into the document's catalog as /PageLabels (removes it when there are none).
void WritePageLabels(PoDoFo::PdfMemDocument& document, const std::vector<PageLabelRange>& ranges);

}  // namespace docvane
