#include "pdf/Comments.h"

namespace docvane {

using namespace PoDoFo;

namespace {

bool IsComment(const PdfObject& annotation) {
    if (!annotation.IsDictionary()) {
        return false;  // not an annotation we understand: leave it alone
    }
    const PdfDictionary& dictionary = annotation.GetDictionary();
    if (dictionary.HasKey(PdfName("AP")) || dictionary.HasKey(PdfName("Dest")) ||
        dictionary.HasKey(PdfName("FS"))) {
        return false;
    }
    // A link that works through an action (a web address, another file) is navigation, not a comment;
    // a form field whose look the viewer makes from its value is content.
    const PdfObject* subtype = annotation.GetIndirectKey(PdfName("Subtype"));
    return subtype == nullptr || !subtype->IsName() ||
           (subtype->GetName() != PdfName("Link") && subtype->GetName() != PdfName("Widget"));
}

}  // namespace

void RemoveComments(PublishedPdf& part) {
    PdfVecObjects& objects = part.Document().GetObjects();
    for (const PublishedPage& page : part.Pages()) {
        PdfObject* annotations = page.object->GetIndirectKey(PdfName("Annots"));
        if (annotations == nullptr || !annotations->IsArray()) {
            continue;
        }
        PdfArray& list = annotations->GetArray();
        // From the last index down, so the indexes not yet visited stay valid.
        for (std::size_t i = list.size(); i-- > 0;) {
            try {
                const PdfObject* annotation =
                    list[i].IsReference() ? objects.GetObject(list[i].GetReference()) : &list[i];
                if (annotation != nullptr && IsComment(*annotation)) {
                    list.erase(list.begin() + static_cast<std::ptrdiff_t>(i));
                }
            } catch (...) {
                // This annotation stays; the walk goes on with the next one.
            }
        }
    }
}

}  // namespace docvane
