#pragma once
// Copies objects of one document into another, following references, each object once. This is what
// makes merging linear: PoDoFo's own Append walks the destination's page tree for every page it adds.
#include <podofo/podofo.h>

#include <cstdint>
#include <deque>
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
    // Rewrites every reference inside value to the copy of its object, queueing objects not copied yet;
    // references to excluded or missing objects become null.
    void Translate(PoDoFo::PdfVariant& value);
    // Copies the queued objects (and whatever they reach) with their streams.
    void CopyPending();

  private:
    std::optional<PoDoFo::PdfReference> Target(const PoDoFo::PdfReference& source);

    const PoDoFo::PdfVecObjects& source_;
    PoDoFo::PdfVecObjects& target_;
    const std::unordered_set<std::uint64_t>& excluded_;
    std::unordered_map<std::uint64_t, PoDoFo::PdfReference> copies_;
    std::deque<std::pair<PoDoFo::PdfObject*, PoDoFo::PdfObject*>> pending_;
};

}  // namespace docvane
