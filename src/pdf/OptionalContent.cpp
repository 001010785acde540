#include "pdf/OptionalContent.h"

#include "pdf/ObjectCopier.h"
#include "pdf/PdfLookup.h"
#include "pdf/PublishedPdf.h"

namespace docvane {

using namespace PoDoFo;

namespace {

// The references listed in an array entry of the configuration.
std::unordered_set<std::uint64_t> ReferenceSet(const PdfObject* list) {
    std::unordered_set<std::uint64_t> keys;
    if (list != nullptr && list->IsArray()) {
        for (const PdfObject& item : list->GetArray()) {
            if (item.IsReference()) {
                keys.insert(ReferenceKey(item.GetReference()));
            }
        }
    }
    return keys;
}

// The array's elements as they are in the combined document (references rewritten, the objects they
// lead to queued for copying).
PdfArray Translated(const PdfObject* list, ObjectCopier& copier) {
    if (list == nullptr || !list->IsArray()) {
        return {};
    }
    PdfVariant copy(list->GetArray());
    copier.Translate(copy);
    return copy.GetArray();
}

}  // namespace

void OptionalContentMerge::Add(const PublishedPdf& part, ObjectCopier& copier, const std::string& label) {
    const PdfVecObjects& objects = part.Document().GetObjects();
    const PdfObject* properties = Entry(objects, part.Document().GetCatalog(), "OCProperties");
    const PdfObject* groups = Entry(objects, properties, "OCGs");
    if (groups == nullptr || !groups->IsArray()) {
        return;
    }
    const PdfObject* config = Entry(objects, properties, "D");
    const PdfObject* baseState = Entry(objects, config, "BaseState");
    const bool offByDefault =
        baseState != nullptr && baseState->IsName() && baseState->GetName() == PdfName("OFF");
    const auto listedOn = ReferenceSet(Entry(objects, config, "ON"));
    const auto listedOff = ReferenceSet(Entry(objects, config, "OFF"));

    PdfArray ownGroups;
    for (const PdfObject& group : groups->GetArray()) {
        const PdfObject* target = Resolved(objects, &group);
        if (!group.IsReference() || target == nullptr || !target->IsDictionary()) {
            continue;
        }
        const std::uint64_t key = ReferenceKey(group.GetReference());
        const bool on = offByDefault ? listedOn.count(key) != 0 : listedOff.count(key) == 0;
        PdfVariant copy(group.GetReference());
        copier.Translate(copy);
        if (!copy.IsReference() || !seen_.insert(ReferenceKey(copy.GetReference())).second) {
            continue;
        }
        groups_.push_back(copy);
        (on ? on_ : off_).push_back(copy);
        ownGroups.push_back(copy);
    }
    if (ownGroups.empty()) {
        return;
    }

    // The file's own order when it has one, else its groups in their listed order.
    const PdfObject* order = Entry(objects, config, "Order");
    PdfArray entry = order != nullptr && order->IsArray() ? Translated(order, copier) : ownGroups;
    if (label.empty()) {
        order_.insert(order_.end(), entry.begin(), entry.end());
    } else {
        PdfArray labelled;
        labelled.push_back(PdfString(reinterpret_cast<const pdf_utf8*>(label.c_str())));
        labelled.insert(labelled.end(), entry.begin(), entry.end());
        order_.push_back(labelled);
    }
    for (const PdfObject& radio : Translated(Entry(objects, config, "RBGroups"), copier)) {
        radioGroups_.push_back(radio);
    }
    for (const PdfObject& fixed : Translated(Entry(objects, config, "Locked"), copier)) {
        locked_.push_back(fixed);
    }
}

void OptionalContentMerge::Commit(PdfMemDocument& document) const {
    if (groups_.empty()) {
        return;
    }
    PdfDictionary config;
    config.AddKey(PdfName("BaseState"), PdfName("ON"));
    config.AddKey(PdfName("ON"), on_);
    config.AddKey(PdfName("OFF"), off_);
    config.AddKey(PdfName("Order"), order_);
    if (!radioGroups_.empty()) {
        config.AddKey(PdfName("RBGroups"), radioGroups_);
    }
    if (!locked_.empty()) {
        config.AddKey(PdfName("Locked"), locked_);
    }
    PdfDictionary properties;
    properties.AddKey(PdfName("OCGs"), groups_);
    properties.AddKey(PdfName("D"), config);
    document.GetCatalog()->GetDictionary().AddKey(PdfName("OCProperties"), properties);
    if (document.GetPdfVersion() < ePdfVersion_1_5) {
        document.SetPdfVersion(ePdfVersion_1_5);
    }
}

}  // namespace docvane
