#pragma once
// The interactive form of the combined PDF: the field dictionaries of every part, each part's fields
// under a field of its own (so that equal field names of different files stay different fields), with
// the parts' default resources. Without it, fields whose look the viewer makes from their value show
// nothing in the combined PDF.
#include <podofo/podofo.h>

#include <utility>
#include <vector>

namespace docvane {

class ObjectCopier;
class PublishedPdf;

class FormFieldMerge {
  public:
    // Adds the part's fields before its copied objects are written out: copier must be the one its
    // pages are copied with, so that the widgets on the pages and the fields listed here are the same
    // objects. number names the part's field ("1", "2", ... in merge order).
    void Add(const PublishedPdf& part, ObjectCopier& copier, PoDoFo::PdfVecObjects& target, int number);
    // After the copier has written its objects out: the part's top-level fields get their new parent.
    void LinkParents(PoDoFo::PdfVecObjects& target);

    bool Empty() const { return fields_.empty(); }

    // Writes the catalog's /AcroForm when any part had fields. Viewers are asked to make the fields'
    // looks only when a part asked for it and PDF/A does not forbid it.
    void Commit(PoDoFo::PdfMemDocument& document, bool pdfA) const;

  private:
    PoDoFo::PdfArray fields_;
    PoDoFo::PdfDictionary resources_;
    PoDoFo::PdfObject defaultAppearance_;
    bool needAppearances_ = false;
    std::vector<std::pair<PoDoFo::PdfReference, PoDoFo::PdfReference>> parents_;  // field, its new parent
};

}  // namespace docvane
