#pragma once
// Process-wide preparation of the PDF library and its error texts.
#include <string>

namespace PoDoFo {
class PdfError;
}

namespace docvane {

// Silences the library's per-object logging and loads the OpenSSL providers that the RC4 and AES-128
// decryption of protected inputs needs. Safe to call any number of times from any thread.
void PreparePdfLibrary();

// The library's own text for the error's code, or the code's name when the library has no text.
std::string LibraryMessage(const PoDoFo::PdfError& error);

}  // namespace docvane
