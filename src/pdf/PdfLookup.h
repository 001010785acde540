#pragma once
// Reading values out of a document's objects the way viewers do: references are followed, and a key of
// something that is not a dictionary reads as absent.
#include <podofo/podofo.h>

namespace docvane {

// The object value stands for, following references (a chain of them, up to a bound that a reference
// cycle cannot outlast); null for null, a missing object or a cycle.
const PoDoFo::PdfObject* Resolved(const PoDoFo::PdfVecObjects& objects, const PoDoFo::PdfObject* value);
PoDoFo::PdfObject* Resolved(PoDoFo::PdfVecObjects& objects, PoDoFo::PdfObject* value);

// The resolved value of key in dictionary; null when dictionary is none or lacks the key.
const PoDoFo::PdfObject* Entry(const PoDoFo::PdfVecObjects& objects, const PoDoFo::PdfObject* dictionary,
                               const char* key);
PoDoFo::PdfObject* Entry(PoDoFo::PdfVecObjects& objects, PoDoFo::PdfObject* dictionary, const char* key);

}  // namespace docvane
