#include "pdf/FormFields.h"

#include <string>

#include "pdf/ObjectCopier.h"
#include "pdf/PdfLookup.h"
#include "pdf/PublishedPdf.h"

namespace docvane {

using namespace PoDoFo;

namespace {

// The entries of a resource dictionary added to merged, each category (Font, ...) entry by entry; a
// name already there keeps its first meaning.
void MergeResources(PdfDictionary& merged, const PdfDictionary& added, const PdfVecObjects& objects) {
    for (const auto& [category, value] : added.GetKeys()) {
        const PdfObject* entries = Resolved(objects, value);
        if (entries == nullptr) {
            continue;
        }
        if (!entries->IsDictionary() || !merged.HasKey(category)) {
            if (!merged.HasKey(category)) {
                merged.AddKey(category, *value);
            }
            continue;
        }
        PdfObject* existing = merged.GetKey(category);
        if (!existing->IsDictionary()) {
            continue;
        }
        for (const auto& [name, item] : entries->GetDictionary().GetKeys()) {
            if (!existing->GetDictionary().HasKey(name)) {
                existing->GetDictionary().AddKey(name, *item);
            }
        }
    }
}

}  // namespace

void FormFieldMerge::Add(const PublishedPdf& part, ObjectCopier& copier, PdfVecObjects& target, int number) {
    const PdfVecObjects& objects = part.Document().GetObjects();
    const PdfObject* form = Entry(objects, part.Document().GetCatalog(), "AcroForm");
    const PdfObject* fields = Entry(objects, form, "Fields");
    if (fields == nullptr || !fields->IsArray() || fields->GetArray().empty()) {
        return;
    }
    PdfVariant translated(fields->GetArray());
    copier.Translate(translated);
    PdfArray kids;
    for (const PdfObject& field : translated.GetArray()) {
        if (field.IsReference()) {
            kids.push_back(field);
        }
    }
    if (kids.empty()) {
        return;
    }
    PdfObject* parent = target.CreateObject(PdfVariant(PdfDictionary()));
    parent->GetDictionary().AddKey(PdfName("T"), PdfString(std::to_string(number)));
    parent->GetDictionary().AddKey(PdfName("Kids"), kids);
    // What the part's form gave all its fields is inherited from their new parent instead.
    for (const char* key : {"DA", "Q"}) {
        if (const PdfObject* value = Entry(objects, form, key)) {
            if (value->IsString() || value->IsHexString() || value->IsNumber()) {
                parent->GetDictionary().AddKey(PdfName(key), *value);
            }
        }
    }
    for (const PdfObject& kid : kids) {
        parents_.emplace_back(kid.GetReference(), parent->Reference());
    }
    fields_.push_back(parent->Reference());

    if (const PdfObject* resources = Entry(objects, form, "DR");
        resources != nullptr && resources->IsDictionary()) {
        PdfVariant copy(resources->GetDictionary());
        copier.Translate(copy);
        MergeResources(resources_, copy.GetDictionary(), target);
    }
    if (defaultAppearance_.IsNull()) {
        if (const PdfObject* value = Entry(objects, form, "DA"); value != nullptr && value->IsString()) {
            defaultAppearance_ = *value;
        }
    }
    const PdfObject* need = Entry(objects, form, "NeedAppearances");
    needAppearances_ = needAppearances_ || (need != nullptr && need->IsBool() && need->GetBool());
}

void FormFieldMerge::LinkParents(PdfVecObjects& target) {
    for (const auto& [field, parent] : parents_) {
        PdfObject* object = target.GetObject(field);
        if (object != nullptr && object->IsDictionary()) {
            object->GetDictionary().AddKey(PdfName("Parent"), parent);
        }
    }
    parents_.clear();
}

void FormFieldMerge::Commit(PdfMemDocument& document, bool pdfA) const {
    if (fields_.empty()) {
        return;
    }
    PdfDictionary form;
    form.AddKey(PdfName("Fields"), fields_);
    if (!resources_.GetKeys().empty()) {
        form.AddKey(PdfName("DR"), resources_);
    }
    if (!defaultAppearance_.IsNull()) {
        form.AddKey(PdfName("DA"), defaultAppearance_);
    }
    if (needAppearances_ && !pdfA) {
        form.AddKey(PdfName("NeedAppearances"), true);
    }
    PdfObject* object = document.GetObjects().CreateObject(PdfVariant(form));
    document.GetCatalog()->GetDictionary().AddKey(PdfName("AcroForm"), object->Reference());
}

}  // namespace docvane
