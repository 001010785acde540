#pragma once
// One published PDF loaded for merging, with its pages found by our own walk of its page tree (cycles
// and malformed nodes cannot make it loop or crash) and the menu item it brings to the combined outline.
#include <podofo/podofo.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "pdf/OutlineItem.h"

namespace docvane {

// A leaf of the page tree with the attributes it inherits from its ancestors (null when the page has
// its own value or none is inherited).
struct PublishedPage {
    PoDoFo::PdfObject* object = nullptr;
    const PoDoFo::PdfObject* resources = nullptr;
    const PoDoFo::PdfObject* mediaBox = nullptr;
    const PoDoFo::PdfObject* cropBox = nullptr;
    const PoDoFo::PdfObject* rotate = nullptr;
};

std::uint64_t ReferenceKey(const PoDoFo::PdfReference& reference);

// A published PDF that is damaged beyond what repair can save; what() says what is wrong.
class DamagedPdfError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class PublishedPdf {
  public:
    // Loads the file and walks its page tree. A file PoDoFo cannot read, or whose structure shows
    // damage, is repaired in memory first (Repaired() then tells). Library errors of a file that
    // cannot be repaired come out as PoDoFo::PdfError, damage that remains after repair as
    // DamagedPdfError.
    void Load(const std::string& path);
    // Loads from bytes in memory, as Load does from a file.
    void LoadBytes(const std::string& bytes);

    bool Repaired() const { return repaired_; }

    PoDoFo::PdfMemDocument& Document() { return *document_; }
    const PoDoFo::PdfMemDocument& Document() const { return *document_; }
    const std::vector<PublishedPage>& Pages() const { return pages_; }
    int PageCount() const { return static_cast<int>(pages_.size()); }
    // The index of the page with that object, -1 when it is no page of this document.
    int PageIndexOf(const PoDoFo::PdfReference& reference) const;
    // Objects of the page tree other than pages, and the catalog: never copied into another document.
    const std::unordered_set<std::uint64_t>& StructureObjects() const { return structure_; }

    // The outline root when the document has one (never created).
    const PoDoFo::PdfObject* OutlineRoot() const;
    // A named destination looked up in the catalog's /Dests or the /Names /Dests tree.
    const PoDoFo::PdfObject* NamedDestination(const PoDoFo::PdfObject& name) const;

    // The single top-level item this PDF brings to the combined outline, when the menu is on.
    std::optional<OutlineItem> menuItem;

  private:
    // Loads bytes afresh; returns what damage the structure shows ("" when none).
    std::string TryLoad(const std::string& bytes);
    void CollectPages();
    void CollectNames() const;

    std::unique_ptr<PoDoFo::PdfMemDocument> document_;
    std::string damage_;  // found while collecting pages
    bool repaired_ = false;
    std::vector<PublishedPage> pages_;
    std::unordered_map<std::uint64_t, int> pageIndex_;
    std::unordered_set<std::uint64_t> structure_;
    mutable bool namesCollected_ = false;
    mutable std::unordered_map<std::string, const PoDoFo::PdfObject*> names_;
};

}  // namespace docvane
