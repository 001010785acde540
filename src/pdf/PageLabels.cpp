#include "pdf/PageLabels.h"

#include <algorithm>

#include "project/PropertyDoc.h"

namespace docvane {

using namespace PoDoFo;

std::vector<PageLabelRange> PageLabelRanges(int pageCount, const PropertyDoc& settings) {
    std::vector<PageLabelRange> ranges;
    if (!settings.isNumbering || pageCount <= 0) {
        return ranges;
    }
    // The same formula as the numbering pass: page i shows i + 1 + startPage - pageFrom.
    const long long firstNumbered = std::max<long long>(0, static_cast<long long>(settings.pageFrom) - 1);
    if (firstNumbered >= pageCount) {
        return ranges;
    }
    if (firstNumbered > 0) {
        ranges.push_back({0, 'r', {}, 1});
    }
    const auto numberOf = [&settings](long long page) {
        return page + 1 + static_cast<long long>(settings.startPage) - settings.pageFrom;
    };
    // A label number is at least 1: pages printed with 0 or a negative number get it as their prefix,
    // each page a range of its own.
    long long page = firstNumbered;
    for (; page < pageCount && numberOf(page) < 1; ++page) {
        ranges.push_back({static_cast<int>(page), 0, std::to_string(numberOf(page)), 1});
    }
    if (page < pageCount) {
        ranges.push_back({static_cast<int>(page), 'D', {}, static_cast<long>(numberOf(page))});
    }
    return ranges;
}

void WritePageLabels(PdfMemDocument& document, const std::vector<PageLabelRange>& ranges) {
    static const PdfName kPageLabels("PageLabels");
    PdfDictionary& catalog = document.GetCatalog()->GetDictionary();
    if (ranges.empty()) {
        catalog.RemoveKey(kPageLabels);
        return;
    }
    PdfArray nums;
    for (const PageLabelRange& range : ranges) {
        PdfDictionary label;
        label.AddKey(PdfName("Type"), PdfName("PageLabel"));
        if (range.style != 0) {
            label.AddKey(PdfName("S"), PdfName(std::string(1, range.style)));
            if (range.start != 1) {
                label.AddKey(PdfName("St"), static_cast<pdf_int64>(range.start));
            }
        }
        if (!range.prefix.empty()) {
            label.AddKey(PdfName("P"), PdfString(range.prefix));
        }
        nums.push_back(static_cast<pdf_int64>(range.firstPage));
        nums.push_back(label);
    }
    PdfDictionary tree;
    tree.AddKey(PdfName("Nums"), nums);
    PdfObject* root = document.GetObjects().CreateObject(PdfVariant(tree));
    catalog.AddKey(kPageLabels, root->Reference());
}

}  // namespace docvane
