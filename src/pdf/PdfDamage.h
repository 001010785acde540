#pragma once
// Damage that PoDoFo reads past without an error but that loses or garbles content: it sends the file
// to repair. Each check returns a short description of the damage found, empty when there is none.
#include <podofo/podofo.h>

#include <string>
#include <vector>

namespace docvane {

// A stream whose data does not end where its /Length says: PoDoFo cuts it or reads into what follows.
// bytes are those the document was loaded from. Encrypted documents are left to DecryptionDamage.
std::string StreamLengthDamage(const PoDoFo::PdfMemDocument& document, const std::string& bytes);

// An encrypted document whose page contents do not decrypt to page content (a key of the wrong length
// yields garbage that PoDoFo accepts, a cut stream does not decode). Only encrypted documents are
// looked at.
std::string DecryptionDamage(const PoDoFo::PdfMemDocument& document,
                             const std::vector<PoDoFo::PdfObject*>& pages);

}  // namespace docvane
