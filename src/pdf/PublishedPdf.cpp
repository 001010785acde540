#include "pdf/PublishedPdf.h"

#include "pdf/PdfDamage.h"
#include "pdf/PdfLibrary.h"
#include "pdf/PdfRepair.h"

#include <fstream>
#include <optional>
#include <utility>

namespace docvane {

using namespace PoDoFo;

namespace {

// The object a value stands for: the value itself, or the object its reference names (null when the
// reference leads nowhere).
const PdfObject* Resolve(const PdfVecObjects& objects, const PdfObject* value) {
    if (value != nullptr && value->IsReference()) {
        return objects.GetObject(value->GetReference());
    }
    return value;
}

bool IsNamed(const PdfObject* value, const char* name) {
    return value != nullptr && value->IsName() && value->GetName() == PdfName(name);
}

std::string NameKey(const PdfObject& value) {
    if (value.IsName()) {
        return "/" + value.GetName().GetName();
    }
    if (value.IsString() || value.IsHexString()) {
        return "(" + value.GetString().GetStringUtf8();
    }
    return {};
}

// The file with its last startxref pointing nowhere, so that a reader must rebuild the table.
std::string WithoutCrossReference(const std::string& bytes) {
    const std::size_t at = bytes.rfind("startxref");
    if (at == std::string::npos) {
        return bytes;
    }
    std::size_t digits = at + 9;
    while (digits < bytes.size() &&
           (bytes[digits] == ' ' || bytes[digits] == '\r' || bytes[digits] == '\n')) {
        ++digits;
    }
    std::size_t end = digits;
    while (end < bytes.size() && bytes[end] >= '0' && bytes[end] <= '9') {
        ++end;
    }
    return bytes.substr(0, digits) + "0" + bytes.substr(end);
}

}  // namespace

std::uint64_t ReferenceKey(const PdfReference& reference) {
    return (static_cast<std::uint64_t>(reference.ObjectNumber()) << 16) | reference.GenerationNumber();
}

void PublishedPdf::Load(const std::string& path) {
    // PoDoFo's file device seeks the file (a system call) for almost every token; reading the whole
    // file first makes loading several times faster.
    std::string bytes;
    {
        std::ifstream in(path, std::ios::binary | std::ios::ate);
        if (!in) {
            PODOFO_RAISE_ERROR(ePdfError_FileNotFound);
        }
        const std::streamoff size = in.tellg();
        if (size < 0) {
            PODOFO_RAISE_ERROR(ePdfError_UnexpectedEOF);
        }
        bytes.resize(static_cast<std::size_t>(size));
        in.seekg(0);
        // A file that shrinks while it is read is cut short, as any reader would find it.
        in.read(bytes.data(), size);
        bytes.resize(static_cast<std::size_t>(in.gcount()));
        if (in.bad()) {
            PODOFO_RAISE_ERROR(ePdfError_UnexpectedEOF);
        }
    }
    if (bytes.empty()) {
        PODOFO_RAISE_ERROR(ePdfError_UnexpectedEOF);
    }
    LoadBytes(bytes);
}

void PublishedPdf::LoadBytes(const std::string& bytes) {
    // Encrypted parts need OpenSSL's legacy ciphers before the first read, whoever reads first.
    PreparePdfLibrary();
    // A sound file is read once; only a file that fails or shows damage pays for the repair.
    repaired_ = false;
    std::optional<PdfError> failure;
    std::string damage;
    try {
        damage = TryLoad(bytes);
        if (damage.empty()) {
            return;
        }
    } catch (const PdfError& error) {
        failure = error;
    }
    std::string repaired;
    if (!RepairPdf(bytes, repaired)) {
        if (failure) {
            throw *failure;
        }
        throw DamagedPdfError(damage);
    }
    repaired_ = true;
    damage = TryLoad(repaired);
    if (damage.empty()) {
        return;
    }
    // A cross-reference table that is wrong without looking wrong (a page listed as free, or at an
    // offset where no object begins that qpdf takes for a missing one) keeps qpdf from rebuilding it.
    // Without the table it rebuilds it from the objects themselves, as viewers do.
    if (RepairPdf(WithoutCrossReference(bytes), repaired) && TryLoad(repaired).empty()) {
        return;
    }
    throw DamagedPdfError(damage);
}

std::string PublishedPdf::TryLoad(const std::string& bytes) {
    document_ = std::make_unique<PdfMemDocument>();
    pages_.clear();
    pageIndex_.clear();
    structure_.clear();
    damage_.clear();
    document_->LoadFromBuffer(bytes.data(), static_cast<long>(bytes.size()));
    CollectPages();
    if (!damage_.empty()) {
        return damage_;
    }
    std::string damage = StreamLengthDamage(*document_, bytes);
    if (damage.empty()) {
        std::vector<PdfObject*> pages;
        pages.reserve(pages_.size());
        for (const PublishedPage& page : pages_) {
            pages.push_back(page.object);
        }
        damage = DecryptionDamage(*document_, pages);
    }
    return damage;
}

int PublishedPdf::PageIndexOf(const PdfReference& reference) const {
    const auto found = pageIndex_.find(ReferenceKey(reference));
    return found == pageIndex_.end() ? -1 : found->second;
}

void PublishedPdf::CollectPages() {
    const PdfVecObjects& objects = document_->GetObjects();
    const PdfObject* catalog = document_->GetCatalog();
    if (catalog == nullptr || !catalog->IsDictionary()) {
        PODOFO_RAISE_ERROR(ePdfError_NoObject);
    }
    structure_.insert(ReferenceKey(catalog->Reference()));
    PdfObject* root = catalog->GetIndirectKey(PdfName("Pages"));
    if (root == nullptr || !root->IsDictionary()) {
        PODOFO_RAISE_ERROR(ePdfError_PageNotFound);
    }

    // Depth-first in document order without recursion; a node seen before is not entered again, so a
    // cyclic or shared subtree cannot make the walk endless.
    struct Visit {
        PdfObject* node;
        PublishedPage inherited;
    };
    std::vector<Visit> stack{{root, {}}};
    std::unordered_set<std::uint64_t> entered;
    while (!stack.empty()) {
        Visit visit = stack.back();
        stack.pop_back();
        PdfObject* node = visit.node;
        const PdfObject* kids = Resolve(objects, node->GetDictionary().GetKey(PdfName("Kids")));
        const PdfObject* type = node->GetDictionary().GetKey(PdfName("Type"));
        const bool isNode = kids != nullptr && kids->IsArray() && !IsNamed(type, "Page");
        if (!isNode) {
            if (type != nullptr && !IsNamed(type, "Page")) {
                if (!IsNamed(type, "Pages")) {
                    // A cross-reference entry that leads to another object: the page is elsewhere.
                    damage_ = "элемент дерева страниц не является страницей";
                }
                continue;  // an empty /Pages node
            }
            const PdfDictionary& leaf = node->GetDictionary();
            if (type == nullptr && !leaf.HasKey(PdfName("Contents")) && !leaf.HasKey(PdfName("Resources")) &&
                !leaf.HasKey(PdfName("MediaBox"))) {
                // What a cross-reference entry pointing into the middle of an object reads as.
                damage_ = "пустой элемент дерева страниц";
            }
            PublishedPage page = visit.inherited;
            page.object = node;
            const PdfDictionary& own = node->GetDictionary();
            if (own.HasKey(PdfName("Resources"))) {
                page.resources = nullptr;
            }
            if (own.HasKey(PdfName("MediaBox"))) {
                page.mediaBox = nullptr;
            }
            if (own.HasKey(PdfName("CropBox"))) {
                page.cropBox = nullptr;
            }
            if (own.HasKey(PdfName("Rotate"))) {
                page.rotate = nullptr;
            }
            pageIndex_.emplace(ReferenceKey(node->Reference()), static_cast<int>(pages_.size()));
            pages_.push_back(page);
            continue;
        }
        if (!entered.insert(ReferenceKey(node->Reference())).second) {
            continue;
        }
        structure_.insert(ReferenceKey(node->Reference()));
        PublishedPage inherited = visit.inherited;
        const PdfDictionary& own = node->GetDictionary();
        if (const PdfObject* value = own.GetKey(PdfName("Resources"))) {
            inherited.resources = value;
        }
        if (const PdfObject* value = own.GetKey(PdfName("MediaBox"))) {
            inherited.mediaBox = value;
        }
        if (const PdfObject* value = own.GetKey(PdfName("CropBox"))) {
            inherited.cropBox = value;
        }
        if (const PdfObject* value = own.GetKey(PdfName("Rotate"))) {
            inherited.rotate = value;
        }
        const PdfArray& list = kids->GetArray();
        for (auto kid = list.rbegin(); kid != list.rend(); ++kid) {
            // A page written into /Kids itself, or an entry that leads nowhere, would drop a page
            // without a word: the file goes to repair instead.
            if (!kid->IsReference()) {
                damage_ =
                    kid->IsDictionary() ? "страница вне дерева страниц" : "неверный элемент дерева страниц";
                continue;
            }
            PdfObject* child = objects.GetObject(kid->GetReference());
            if (child == nullptr || !child->IsDictionary()) {
                damage_ = "элемент дерева страниц не найден";
                continue;
            }
            if (entered.find(ReferenceKey(child->Reference())) == entered.end()) {
                stack.push_back({child, inherited});
            }
        }
    }
}

const PdfObject* PublishedPdf::OutlineRoot() const {
    const PdfObject* catalog = document_->GetCatalog();
    const PdfObject* root = catalog == nullptr ? nullptr : catalog->GetIndirectKey(PdfName("Outlines"));
    return root != nullptr && root->IsDictionary() ? root : nullptr;
}

void PublishedPdf::CollectNames() const {
    namesCollected_ = true;
    const PdfVecObjects& objects = document_->GetObjects();
    const PdfObject* catalog = document_->GetCatalog();
    if (catalog == nullptr) {
        return;
    }
    // The old form: a dictionary from names to destinations.
    const PdfObject* dests = catalog->GetIndirectKey(PdfName("Dests"));
    if (dests != nullptr && dests->IsDictionary()) {
        for (const auto& [key, value] : dests->GetDictionary().GetKeys()) {
            names_.emplace("/" + key.GetName(), value);
        }
    }
    // The newer form: a name tree of strings, walked without recursion and entering each node once.
    const PdfObject* names = catalog->GetIndirectKey(PdfName("Names"));
    const PdfObject* tree =
        names != nullptr && names->IsDictionary() ? names->GetIndirectKey(PdfName("Dests")) : nullptr;
    std::vector<const PdfObject*> stack;
    std::unordered_set<const PdfObject*> entered;
    if (tree != nullptr && tree->IsDictionary()) {
        stack.push_back(tree);
    }
    while (!stack.empty()) {
        const PdfObject* node = stack.back();
        stack.pop_back();
        if (!entered.insert(node).second) {
            continue;
        }
        const PdfObject* pairs = Resolve(objects, node->GetDictionary().GetKey(PdfName("Names")));
        if (pairs != nullptr && pairs->IsArray()) {
            const PdfArray& list = pairs->GetArray();
            for (std::size_t i = 0; i + 1 < list.size(); i += 2) {
                if (list[i].IsString() || list[i].IsHexString()) {
                    names_.emplace(NameKey(list[i]), &list[i + 1]);
                }
            }
        }
        const PdfObject* kids = Resolve(objects, node->GetDictionary().GetKey(PdfName("Kids")));
        if (kids != nullptr && kids->IsArray()) {
            for (const PdfObject& kid : kids->GetArray()) {
                const PdfObject* child = Resolve(objects, &kid);
                if (child != nullptr && child->IsDictionary()) {
                    stack.push_back(child);
                }
            }
        }
    }
}

const PdfObject* PublishedPdf::NamedDestination(const PdfObject& name) const {
    if (!namesCollected_) {
        CollectNames();
    }
    const auto found = names_.find(NameKey(name));
    return found == names_.end() ? nullptr : Resolve(document_->GetObjects(), found->second);
}

}  // namespace docvane
