#pragma once
// The combined-PDF stage at the end of a publication: every published PDF of the project merged in
// project order into the project's combined PDF, with outline menu, page numbers, contents links and
// the page and A4-format counts in the log.
#include <string>

namespace docvane {

class CDocvaneDoc;
class ProtectedPaths;
struct FileDoc;

// True when the combined PDF was written; false on every failure (after its error line), on
// cancellation and when a published PDF is missing. guard: the run's protected set, which the old
// combined PDF and its register must not be (null: one built now).
bool BuildCombinedPdf(CDocvaneDoc& project, const ProtectedPaths* guard = nullptr);

// The file to load for one published PDF (sheet -1 for a whole file): its copy in the temporary
// folder, else the source itself for a PDF source, else its copy in the PDF folder. Empty when none
// of these exists.
std::string ResolvePublishedPdf(const FileDoc& file, int sheet);

}  // namespace docvane
