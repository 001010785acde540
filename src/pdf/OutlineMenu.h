#pragma once
// The outline menu a published PDF brings to the combined PDF: one top-level item titled after the
// PDF and leading to its first page, with the PDF's own outline below it in unchanged order.
#include <string>

#include "pdf/OutlineItem.h"
#include "pdf/PublishedPdf.h"

namespace docvane {

// Builds the part's single top-level item. A PDF without pages cannot lead anywhere and fails with
// a library error.
void AddMenuItem(PublishedPdf& part, const std::string& title);

// Moves the items below oldParent (an outline dictionary of the part) below newParent, in order and
// with their own children; an item without a destination of its own leads where newParent leads.
// The part's outline is read with our own walk: PoDoFo's reader gives up on levels of more than 256
// items and follows cyclic /Next chains.
void NestOutlineItems(OutlineItem& newParent, const PoDoFo::PdfObject& oldParent, const PublishedPdf& part);

// The part brings no outline items at all.
void ClearOutline(PublishedPdf& part);

// How deep an outline is copied; deeper items are dropped (a real outline is a few levels deep).
inline constexpr int kMaxOutlineDepth = 64;

}  // namespace docvane
