#pragma once
// Copies objects of one document into another, following references, each object once. This is what
// makes merging linear: PoDoFo's own Append walks the destination's page tree for every page it adds.
#include <podofo/podofo.h>

#include <cstdint>
#include <deque>
#include <initializer_list>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace docvane {

class ObjectCopier {
  public:
    ObjectCopier(const PoDoFo::PdfVecObjects& source, PoDoFo::PdfVecObjects& target,
                 const std::unordered_set<std::uint64_t>& excluded);

    // A source object that already has its copy (pages are created up front).
    void Map(const PoDoFo::PdfReference& source, const PoDoFo::PdfReference& target);
    // Gives copy the value of original (without the keys in skip when it is a dictionary), with every
    // reference rewritten to the copy of its object; objects not copied yet are queued. References to
    // excluded or missing objects become null. copy must belong to the target.
    void CopyValue(const PoDoFo::PdfObject& original, PoDoFo::PdfObject& copy,
                   std::initializer_list<const char*> skip = {});
    // Copies the queued objects (and whatever they reach) with their streams.
    void CopyPending();

    // Rewrites the references inside value (already part of the target) the same way.
    void Translate(PoDoFo::PdfVariant& value);

  private:
    std::optional<PoDoFo::PdfReference> Target(const PoDoFo::PdfReference& source);

    const PoDoFo::PdfVecObjects& source_;
    PoDoFo::PdfVecObjects& target_;
    const std::unordered_set<std::uint64_t>& excluded_;
    std::unordered_map<std::uint64_t, PoDoFo::PdfReference> copies_;
    std::deque<std::pair<PoDoFo::PdfObject*, PoDoFo::PdfObject*>> pending_;
};

}  // namespace docvane
