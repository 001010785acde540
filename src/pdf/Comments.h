#pragma once
// Removal of comment annotations (notes, highlights, pop-ups...) from a published PDF.
#include "pdf/PublishedPdf.h"

namespace docvane {

// Deletes, on every page, each annotation that has no appearance stream, no destination, no file
// attachment and is no link. A failure on one annotation leaves it in place.
void RemoveComments(PublishedPdf& part);

}  // namespace docvane
