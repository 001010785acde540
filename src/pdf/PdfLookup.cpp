#include "pdf/PdfLookup.h"

namespace docvane {

using namespace PoDoFo;

const PdfObject* Resolved(const PdfVecObjects& objects, const PdfObject* value) {
    for (int hops = 0; value != nullptr && value->IsReference() && hops < 32; ++hops) {
        value = objects.GetObject(value->GetReference());
    }
    return value != nullptr && value->IsReference() ? nullptr : value;
}

PdfObject* Resolved(PdfVecObjects& objects, PdfObject* value) {
    return const_cast<PdfObject*>(Resolved(static_cast<const PdfVecObjects&>(objects), value));
}

const PdfObject* Entry(const PdfVecObjects& objects, const PdfObject* dictionary, const char* key) {
    if (dictionary == nullptr || !dictionary->IsDictionary()) {
        return nullptr;
    }
    return Resolved(objects, dictionary->GetDictionary().GetKey(PdfName(key)));
}

PdfObject* Entry(PdfVecObjects& objects, PdfObject* dictionary, const char* key) {
    return const_cast<PdfObject*>(
        Entry(static_cast<const PdfVecObjects&>(objects), static_cast<const PdfObject*>(dictionary), key));
}

}  // namespace docvane
