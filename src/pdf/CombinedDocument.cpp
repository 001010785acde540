#include "pdf/CombinedDocument.h"

#include <unordered_set>

#include "pdf/FileOutputDevice.h"
#include "pdf/ObjectCopier.h"

namespace docvane {

using namespace PoDoFo;

namespace {

void Rebase(OutlineItem& item, int firstPage) {
    item.page += firstPage;
    for (OutlineItem& child : item.children) {
        Rebase(child, firstPage);
    }
}

// Writes one level of items below parent and returns how many items the level has. Every item is
// written closed, so its /Count is minus the number of its children.
void WriteLevel(PdfVecObjects& objects, const std::vector<OutlineItem>& items, PdfObject& parent,
                const std::vector<PdfObject*>& pages) {
    std::vector<PdfObject*> written;
    written.reserve(items.size());
    for (std::size_t i = 0; i < items.size(); ++i) {
        written.push_back(objects.CreateObject(PdfVariant(PdfDictionary())));
    }
    for (std::size_t i = 0; i < items.size(); ++i) {
        const OutlineItem& item = items[i];
        PdfDictionary& dictionary = written[i]->GetDictionary();
        dictionary.AddKey(PdfName("Title"), item.title);
        dictionary.AddKey(PdfName("Parent"), parent.Reference());
        if (i > 0) {
            dictionary.AddKey(PdfName("Prev"), written[i - 1]->Reference());
        }
        if (i + 1 < items.size()) {
            dictionary.AddKey(PdfName("Next"), written[i + 1]->Reference());
        }
        if (item.page >= 0 && static_cast<std::size_t>(item.page) < pages.size()) {
            PdfArray destination;
            destination.push_back(pages[static_cast<std::size_t>(item.page)]->Reference());
            for (const PdfObject& element : item.view) {
                destination.push_back(element);
            }
            dictionary.AddKey(PdfName("Dest"), destination);
        }
        if (!item.children.empty()) {
            WriteLevel(objects, item.children, *written[i], pages);
            dictionary.AddKey(PdfName("Count"), -static_cast<pdf_int64>(item.children.size()));
        }
    }
    if (!written.empty()) {
        parent.GetDictionary().AddKey(PdfName("First"), written.front()->Reference());
        parent.GetDictionary().AddKey(PdfName("Last"), written.back()->Reference());
    }
}

}  // namespace

CombinedDocument::CombinedDocument() {
    pagesRoot_ = document_.GetCatalog()->GetIndirectKey(PdfName("Pages"));
    if (pagesRoot_ == nullptr || !pagesRoot_->IsDictionary()) {
        PODOFO_RAISE_ERROR(ePdfError_InternalLogic);
    }
}

void CombinedDocument::Append(const PublishedPdf& part, const std::string& label) {
    PdfVecObjects& objects = document_.GetObjects();
    ObjectCopier copier(part.Document().GetObjects(), objects, part.StructureObjects());
    const int firstPage = PageCount();

    // Every page gets its object first, so links and destinations between pages find their target.
    std::vector<PdfObject*> created;
    created.reserve(part.Pages().size());
    for (const PublishedPage& page : part.Pages()) {
        PdfObject* copy = objects.CreateObject(PdfVariant(PdfDictionary()));
        copier.Map(page.object->Reference(), copy->Reference());
        created.push_back(copy);
    }
    for (std::size_t i = 0; i < created.size(); ++i) {
        const PublishedPage& page = part.Pages()[i];
        PdfObject& copy = *created[i];
        copier.CopyValue(*page.object, copy, {"Parent"});
        // The page leaves its tree, so what it inherited becomes its own.
        const std::pair<const char*, const PdfObject*> inherited[] = {{"Resources", page.resources},
                                                                      {"MediaBox", page.mediaBox},
                                                                      {"CropBox", page.cropBox},
                                                                      {"Rotate", page.rotate}};
        for (const auto& [key, value] : inherited) {
            if (value != nullptr) {
                copy.GetDictionary().AddKey(PdfName(key), *value);
                copier.Translate(*copy.GetDictionary().GetKey(PdfName(key)));
            }
        }
        copy.GetDictionary().AddKey(PdfName("Parent"), pagesRoot_->Reference());
        pages_.push_back(&copy);
    }
    layers_.Add(part, copier, label);
    forms_.Add(part, copier, objects, ++formParts_);
    copier.CopyPending();
    forms_.LinkParents(objects);

    if (part.menuItem) {
        OutlineItem item = *part.menuItem;
        Rebase(item, firstPage);
        outline_.push_back(std::move(item));
    }
}

void CombinedDocument::CommitPageTree() {
    PdfArray kids;
    kids.reserve(pages_.size());
    for (PdfObject* page : pages_) {
        kids.push_back(page->Reference());
    }
    pagesRoot_->GetDictionary().AddKey(PdfName("Kids"), kids);
    pagesRoot_->GetDictionary().AddKey(PdfName("Count"), static_cast<pdf_int64>(pages_.size()));
}

void CombinedDocument::CommitOutline() {
    if (outlineCommitted_ || outline_.empty()) {
        return;
    }
    outlineCommitted_ = true;
    PdfVecObjects& objects = document_.GetObjects();
    PdfObject* root = objects.CreateObject("Outlines");
    WriteLevel(objects, outline_, *root, pages_);
    // All items are closed: only the top level is visible.
    root->GetDictionary().AddKey(PdfName("Count"), static_cast<pdf_int64>(outline_.size()));
    document_.GetCatalog()->GetDictionary().AddKey(PdfName("Outlines"), root->Reference());
}

void CombinedDocument::Write(int fd) {
    FileOutputDevice file(fd);
    CommitPageTree();
    CommitOutline();
    layers_.Commit(document_);
    forms_.Commit(document_, pdfA_);
    document_.SetWriteMode(pdfA_ ? ePdfWriteMode_Clean : ePdfWriteMode_Compact);
    document_.Write(&file);
    file.Close();
}

}  // namespace docvane
