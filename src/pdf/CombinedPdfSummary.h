#pragma once
// What one run of the combined-PDF stage produced, for the register beside the combined PDF and for
// whoever reports on the run (the command line's run report).
#include <functional>
#include <string>
#include <vector>

#include "pdf/SetRegister.h"

namespace docvane {

class CDocvaneDoc;
class CombinedDocument;
class ProtectedPaths;
struct PropertyDoc;

struct CombinedPdfSummary {
    bool written = false;      // the combined PDF was written
    bool pdfA = false;         // ... and conforms to PDF/A-1b
    std::string path;          // the combined PDF
    std::string registerPath;  // the register, empty when none was written
    long long pages = 0;
    long a4 = 0;
    std::vector<RegisterRow> rows;      // one per published PDF, in combined order
    std::vector<std::string> warnings;  // warning lines of the stage that concern no single part
};

// Called on the worker thread at the end of every run of the stage, written or not; empty: nobody.
void SetCombinedPdfObserver(std::function<void(const CombinedPdfSummary&)> observer);
void NotifyCombinedPdfObserver(const CombinedPdfSummary& summary);

// Fills every row's printed page range, formats and A4 count from the pages of the combined document,
// numbered with these settings (without numbering the pages' positions stand for their numbers).
void MeasureRegisterRows(CombinedDocument& combined, const PropertyDoc& settings,
                         std::vector<RegisterRow>& rows);

// Whether the file at path may be replaced or removed as a register: it does not exist, or it is one
// (a user's own table that happens to have the name is never touched).
bool IsOurRegister(const std::string& path);

// Writes the register beside the combined PDF; a warning line names it when it cannot. Sets
// summary.registerPath when written. guard: the run's protected set (null: one built now).
bool WriteSetRegister(const CDocvaneDoc& project, CombinedPdfSummary& summary,
                      const ProtectedPaths* guard = nullptr);

}  // namespace docvane
