#include "pdf/ObjectCopier.h"

#include <vector>

#include "pdf/PublishedPdf.h"

namespace docvane {

using namespace PoDoFo;

ObjectCopier::ObjectCopier(const PdfVecObjects& source, PdfVecObjects& target,
                           const std::unordered_set<std::uint64_t>& excluded)
    : source_(source), target_(target), excluded_(excluded) {}

void ObjectCopier::Map(const PdfReference& source, const PdfReference& target) {
    copies_.emplace(ReferenceKey(source), target);
}

std::optional<PdfReference> ObjectCopier::Target(const PdfReference& source) {
    const std::uint64_t key = ReferenceKey(source);
    if (const auto found = copies_.find(key); found != copies_.end()) {
        return found->second;
    }
    if (excluded_.count(key) != 0) {
        return std::nullopt;
    }
    PdfObject* original = source_.GetObject(source);
    if (original == nullptr) {
        return std::nullopt;
    }
    // Containers are created as such so that what is inserted into them later belongs to the target.
    PdfObject* copy = target_.CreateObject(original->IsDictionary() ? PdfVariant(PdfDictionary())
                                           : original->IsArray()    ? PdfVariant(PdfArray())
                                                                    : PdfVariant());
    copies_.emplace(key, copy->Reference());
    pending_.emplace_back(original, copy);
    return copy->Reference();
}

void ObjectCopier::Translate(PdfVariant& value) {
    // Without recursion: nesting in an untrusted file is as deep as its author likes.
    std::vector<PdfVariant*> stack{&value};
    while (!stack.empty()) {
        PdfVariant* current = stack.back();
        stack.pop_back();
        if (current->IsReference()) {
            const auto target = Target(current->GetReference());
            *current = target ? PdfVariant(*target) : PdfVariant();
        } else if (current->IsArray()) {
            for (PdfObject& element : current->GetArray()) {
                stack.push_back(&element);
            }
        } else if (current->IsDictionary()) {
            for (auto& entry : current->GetDictionary().GetKeys()) {
                stack.push_back(entry.second);
            }
        }
    }
}

void ObjectCopier::CopyValue(const PdfObject& original, PdfObject& copy,
                             std::initializer_list<const char*> skip) {
    // Filled through the containers' own insertion so the new values know their document: PoDoFo
    // resolves references of direct values through that, and a plain assignment leaves it unset.
    if (original.IsDictionary() && copy.IsDictionary()) {
        PdfDictionary& target = copy.GetDictionary();
        for (const auto& [key, value] : original.GetDictionary().GetKeys()) {
            bool skipped = false;
            for (const char* name : skip) {
                skipped = skipped || key == PdfName(name);
            }
            if (!skipped) {
                target.AddKey(key, *value);
            }
        }
    } else if (original.IsArray() && copy.IsArray()) {
        PdfArray& target = copy.GetArray();
        target.reserve(original.GetArray().size());
        for (const PdfObject& element : original.GetArray()) {
            target.push_back(element);
        }
    } else {
        static_cast<PdfVariant&>(copy) = static_cast<const PdfVariant&>(original);
    }
    Translate(copy);
}

void ObjectCopier::CopyPending() {
    while (!pending_.empty()) {
        auto [original, copy] = pending_.front();
        pending_.pop_front();
        const bool hasStream = original->IsDictionary() && original->HasStream();
        // The stream copy sets the length itself; an indirect /Length would only leave an orphan.
        if (hasStream) {
            CopyValue(*original, *copy, {"Length"});
        } else {
            CopyValue(*original, *copy);
        }
        if (hasStream) {
            // Memory streams share their buffer on assignment, so the bytes are not copied again.
            *copy->GetStream() = *original->GetStream();
        }
    }
}

}  // namespace docvane
