#pragma once
// One item of an outline menu as the combined PDF builds it: a title, where it leads and the items
// below it. The tree lives in memory; it is written as PDF objects only once, with the combined PDF.
#include <podofo/podofo.h>

#include <vector>

namespace docvane {

struct OutlineItem {
    PoDoFo::PdfString title;
    int page = -1;          // index of the page it leads to, in the document that holds the item
    PoDoFo::PdfArray view;  // what follows the page in the destination: /Fit, /XYZ l t z, ...
    std::vector<OutlineItem> children;

    bool HasDestination() const { return page >= 0; }
};

}  // namespace docvane
