#pragma once
// The layers (optional content) of the combined PDF: the union of the inputs' groups, each shown or
// hidden as its own file showed it by default, and the viewers' layer list grouped by file. Without
// this, layers that are off in a published drawing become visible in the combined PDF.
#include <podofo/podofo.h>

#include <cstdint>
#include <string>
#include <unordered_set>

namespace docvane {

class ObjectCopier;
class PublishedPdf;

class OptionalContentMerge {
  public:
    // Adds the part's layers before its copied objects are written out: copier must be the one the
    // part's pages are copied with, so that the groups the pages use and those listed here are the
    // same objects. label heads the part's entry in the layer list (none when empty).
    void Add(const PublishedPdf& part, ObjectCopier& copier, const std::string& label);

    bool Empty() const { return groups_.empty(); }

    // Writes the catalog's /OCProperties when any part had layers; optional content needs PDF 1.5.
    void Commit(PoDoFo::PdfMemDocument& document) const;

  private:
    PoDoFo::PdfArray groups_;
    PoDoFo::PdfArray on_;
    PoDoFo::PdfArray off_;
    PoDoFo::PdfArray order_;
    PoDoFo::PdfArray radioGroups_;
    PoDoFo::PdfArray locked_;
    std::unordered_set<std::uint64_t> seen_;
};

}  // namespace docvane
