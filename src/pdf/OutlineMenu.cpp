#include "pdf/OutlineMenu.h"

#include <unordered_set>

namespace docvane {

using namespace PoDoFo;

namespace {

struct Walk {
    const PublishedPdf& part;
    std::unordered_set<const PdfObject*> seen;  // every item once, whatever its links say
};

const PdfObject* Linked(const PdfObject& item, const char* key) {
    const PdfObject* linked = item.GetIndirectKey(PdfName(key));
    return linked != nullptr && linked->IsDictionary() ? linked : nullptr;
}

bool IsViewElement(const PdfObject& value) {
    return value.IsName() || value.IsNumber() || value.IsReal() || value.IsNull();
}

// Turns a destination of the part (explicit array, named, or a dictionary holding /D) into a page
// index and view. Named destinations are resolved here because the combined PDF keeps no name tree.
bool ReadDestination(const PublishedPdf& part, const PdfObject* destination, OutlineItem& into) {
    for (int hops = 0; destination != nullptr && hops < 4; ++hops) {
        if (destination->IsReference()) {
            destination = part.Document().GetObjects().GetObject(destination->GetReference());
            continue;
        }
        if (destination->IsDictionary()) {
            destination = destination->GetIndirectKey(PdfName("D"));
            continue;
        }
        if (destination->IsName() || destination->IsString() || destination->IsHexString()) {
            destination = part.NamedDestination(*destination);
            continue;
        }
        if (!destination->IsArray() || destination->GetArray().empty()) {
            return false;
        }
        const PdfArray& array = destination->GetArray();
        int page = -1;
        if (array[0].IsReference()) {
            page = part.PageIndexOf(array[0].GetReference());
        } else if (array[0].IsNumber() && array[0].GetNumber() >= 0 &&
                   array[0].GetNumber() < part.PageCount()) {
            page = static_cast<int>(array[0].GetNumber());
        }
        if (page < 0) {
            return false;
        }
        PdfArray view;
        bool usable = array.size() > 1 && array[1].IsName();
        for (std::size_t i = 1; usable && i < array.size(); ++i) {
            usable = IsViewElement(array[i]);
            view.push_back(array[i]);
        }
        if (!usable) {
            view.clear();
            view.push_back(PdfName("Fit"));
        }
        into.page = page;
        into.view = view;
        return true;
    }
    return false;
}

// The item's own destination: /Dest, or the target of a go-to action.
bool OwnDestination(const PublishedPdf& part, const PdfObject& item, OutlineItem& into) {
    if (const PdfObject* destination = item.GetIndirectKey(PdfName("Dest"))) {
        return ReadDestination(part, destination, into);
    }
    const PdfObject* action = item.GetIndirectKey(PdfName("A"));
    if (action != nullptr && action->IsDictionary()) {
        const PdfObject* kind = action->GetIndirectKey(PdfName("S"));
        if (kind != nullptr && kind->IsName() && kind->GetName() == PdfName("GoTo")) {
            return ReadDestination(part, action->GetIndirectKey(PdfName("D")), into);
        }
    }
    return false;
}

void Nest(OutlineItem& newParent, const PdfObject& oldParent, Walk& walk, int depth) {
    if (depth >= kMaxOutlineDepth) {
        return;
    }
    for (const PdfObject* item = Linked(oldParent, "First"); item != nullptr && walk.seen.insert(item).second;
         item = Linked(*item, "Next")) {
        OutlineItem copy;
        const PdfObject* title = item->GetIndirectKey(PdfName("Title"));
        if (title != nullptr && (title->IsString() || title->IsHexString())) {
            copy.title = title->GetString();
        } else {
            copy.title = PdfString("");
        }
        if (!OwnDestination(walk.part, *item, copy)) {
            copy.page = newParent.page;
            copy.view = newParent.view;
        }
        Nest(copy, *item, walk, depth + 1);
        newParent.children.push_back(std::move(copy));
    }
}

}  // namespace

void AddMenuItem(PublishedPdf& part, const std::string& title) {
    if (part.PageCount() == 0) {
        PODOFO_RAISE_ERROR(ePdfError_PageNotFound);
    }
    OutlineItem item;
    item.title = PdfString(reinterpret_cast<const pdf_utf8*>(title.c_str()));
    item.page = 0;
    item.view.push_back(PdfName("Fit"));
    if (const PdfObject* root = part.OutlineRoot()) {
        NestOutlineItems(item, *root, part);
    }
    part.menuItem = std::move(item);
}

void NestOutlineItems(OutlineItem& newParent, const PdfObject& oldParent, const PublishedPdf& part) {
    Walk walk{part, {}};
    walk.seen.insert(&oldParent);
    Nest(newParent, oldParent, walk, 0);
}

void ClearOutline(PublishedPdf& part) {
    part.menuItem.reset();
    if (PdfObject* catalog = part.Document().GetCatalog()) {
        catalog->GetDictionary().RemoveKey(PdfName("Outlines"));
    }
}

}  // namespace docvane
