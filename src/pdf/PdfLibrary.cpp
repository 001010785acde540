#include "pdf/PdfLibrary.h"

#include <openssl/provider.h>
#include <podofo/podofo.h>

#include <mutex>
#include <string>

namespace docvane {

void PreparePdfLibrary() {
    static std::once_flag once;
    std::call_once(once, [] {
        PoDoFo::PdfError::EnableLogging(false);
        PoDoFo::PdfError::EnableDebug(false);
        // RC4 lives in the legacy provider of OpenSSL 3; loading any provider explicitly switches the
        // implicit default off, so the default one is loaded as well. The handles stay for the process.
        OSSL_PROVIDER_load(nullptr, "legacy");
        OSSL_PROVIDER_load(nullptr, "default");
    });
}

std::string LibraryMessage(const PoDoFo::PdfError& error) {
    const char* text = PoDoFo::PdfError::ErrorMessage(error.GetError());
    if (text != nullptr && *text != '\0') {
        return text;
    }
    // Some codes have no text; their name still tells what went wrong.
    const char* name = PoDoFo::PdfError::ErrorName(error.GetError());
    return name != nullptr && *name != '\0'
               ? std::string(name)
               : "PoDoFo error " + std::to_string(static_cast<int>(error.GetError()));
}

}  // namespace docvane
