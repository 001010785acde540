#pragma once
// Clickable links on the rows of contents tables, leading to the pages the rows name.
#include <vector>

#include "pdf/CombinedDocument.h"

namespace docvane {

class CDocvaneDoc;

// Adds the links of every file's contents rows; pageCounts holds the page count of every appended
// PDF in order. Returns false after logging the error line of a failure.
bool AddContentsLinks(CombinedDocument& combined, const CDocvaneDoc& project,
                      const std::vector<int>& pageCounts);

// A link annotation without a frame on page, over the rectangle (points, from the page's lower-left
// corner), leading to target with the whole page in view.
void AddLink(PoDoFo::PdfObject& page, const PoDoFo::PdfObject& target, double left, double bottom,
             double width, double height);

}  // namespace docvane
