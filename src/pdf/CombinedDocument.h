#pragma once
// The combined PDF while it is being built: PoDoFo's memory document with our own list of pages and
// our own outline tree. Pages are appended by copying the objects they reach (linear in the size of
// the input), and the page tree and the outline are written into the catalog when the document is
// written, so no PoDoFo page-tree or outline code ever runs on it.
#include <podofo/podofo.h>

#include <string>
#include <vector>

#include "pdf/FormFields.h"
#include "pdf/OptionalContent.h"
#include "pdf/OutlineItem.h"
#include "pdf/PublishedPdf.h"

namespace docvane {

class CombinedDocument {
  public:
    CombinedDocument();
    CombinedDocument(const CombinedDocument&) = delete;
    CombinedDocument& operator=(const CombinedDocument&) = delete;

    PoDoFo::PdfMemDocument& Document() { return document_; }

    // Appends the part's pages after those appended before, its menu item (when it has one) after
    // the top-level items appended before and its layers under label in the layer list. The part
    // can be released afterwards.
    void Append(const PublishedPdf& part, const std::string& label = {});

    int PageCount() const { return static_cast<int>(pages_.size()); }
    PoDoFo::PdfObject& Page(int index) { return *pages_.at(static_cast<std::size_t>(index)); }
    const std::vector<OutlineItem>& Outline() const { return outline_; }

    // Writes the document into an open file, which the call takes over and closes: in PoDoFo's compact
    // mode, or its clean mode for PDF/A. Library errors come out as PoDoFo::PdfError.
    void Write(int fd);

    // Written as PDF/A: with the file syntax PDF/A-1 asks for (every object keyword on a line of its
    // own), and page numbers in grey rather than device CMYK.
    void SetPdfA(bool pdfA) { pdfA_ = pdfA; }
    bool PdfA() const { return pdfA_; }

  private:
    void CommitPageTree();
    void CommitOutline();

    PoDoFo::PdfMemDocument document_;
    PoDoFo::PdfObject* pagesRoot_ = nullptr;
    std::vector<PoDoFo::PdfObject*> pages_;
    std::vector<OutlineItem> outline_;
    bool outlineCommitted_ = false;
    OptionalContentMerge layers_;
    FormFieldMerge forms_;
    int formParts_ = 0;
    bool pdfA_ = false;
};

}  // namespace docvane
