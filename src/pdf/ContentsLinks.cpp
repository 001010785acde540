#include "pdf/ContentsLinks.h"

#include <string>

#include "base/PathUtils.h"
#include "output/OutputPaths.h"
#include "pdf/CombinedPdfTexts.h"
#include "pdf/PageGeometry.h"
#include "pdf/PdfLibrary.h"
#include "project/DocvaneDoc.h"
#include "run/Log.h"

namespace docvane {

using namespace PoDoFo;

void AddLink(PdfObject& page, const PdfObject& target, double left, double bottom, double width,
             double height) {
    static const PoDoFo::PdfName kAnnots("Annots");
    // Coordinates are measured from the page's visible lower-left corner, which need not be the origin.
    const PageBox box = VisibleBoxOf(page);
    PdfArray rectangle;
    rectangle.push_back(PdfVariant(box.left + left));
    rectangle.push_back(PdfVariant(box.bottom + bottom));
    rectangle.push_back(PdfVariant(box.left + left + width));
    rectangle.push_back(PdfVariant(box.bottom + bottom + height));
    PdfArray border;
    border.push_back(PdfVariant(static_cast<pdf_int64>(0)));
    border.push_back(PdfVariant(static_cast<pdf_int64>(0)));
    border.push_back(PdfVariant(static_cast<pdf_int64>(0)));
    PdfArray destination;
    destination.push_back(target.Reference());
    destination.push_back(PoDoFo::PdfName("Fit"));

    PdfVecObjects& objects = *page.GetOwner();
    PdfObject* link = objects.CreateObject("Annot");
    PdfDictionary& dictionary = link->GetDictionary();
    dictionary.AddKey(PoDoFo::PdfName("Subtype"), PoDoFo::PdfName("Link"));
    dictionary.AddKey(PoDoFo::PdfName("Rect"), rectangle);
    dictionary.AddKey(PoDoFo::PdfName("P"), page.Reference());
    dictionary.AddKey(PoDoFo::PdfName("Border"), border);
    dictionary.AddKey(PoDoFo::PdfName("Dest"), destination);

    // /Annots may be missing, null or something else entirely; PoDoFo's own code crashes on null.
    PdfObject* annotations = page.GetIndirectKey(kAnnots);
    if (annotations != nullptr && annotations->IsArray()) {
        annotations->GetArray().push_back(link->Reference());
    } else {
        PdfArray list;
        list.push_back(link->Reference());
        page.GetDictionary().AddKey(kAnnots, list);
    }
}

bool AddContentsLinks(CombinedDocument& combined, const CDocvaneDoc& project,
                      const std::vector<int>& pageCounts) {
    LogInfo(pdftext::kMenuLine + FileName(project.pdfFile.fullPath));
    try {
        const long long pageCount = combined.PageCount();
        const long long startPage = project.propertyDoc.startPage;
        const long long pageFrom = project.propertyDoc.pageFrom;
        long long basePage = 0;
        std::size_t nextCount = 0;
        for (const auto& file : project.fileDocs) {
            for (const WordRef& ref : file->wordRefs) {
                const long long target = ref.pageTo - startPage + pageFrom - 1;
                if (target < 0 || target > pageCount - 1) {
                    LogWarning(pdftext::kMissingTargetLine + FileName(file->fullPath) + pdftext::kPageWord +
                               std::to_string(ref.pageTo));
                    continue;
                }
                const long long source = basePage + ref.pageFrom - 1;
                if (source < 0 || source > pageCount - 1) {
                    PODOFO_RAISE_ERROR(ePdfError_PageNotFound);
                }
                const float bottomMm = ref.point1Y - ref.point2Y;
                AddLink(combined.Page(static_cast<int>(source)), combined.Page(static_cast<int>(target)),
                        ref.point1X * kMmToPt, bottomMm * kMmToPt, ref.point2X * kMmToPt,
                        ref.point2Y * kMmToPt);
            }
            // One entry per PDF published for the file (one per sheet of a split drawing).
            const std::size_t published = SheetIndexes(*file).size();
            for (std::size_t i = 0; i < published && nextCount < pageCounts.size(); ++i) {
                basePage += pageCounts[nextCount++];
            }
        }
        return true;
    } catch (const PdfError& error) {
        LogError(pdftext::kCannotMenuLine + LibraryMessage(error));
    } catch (...) {
        LogError(pdftext::kCannotMenuBare);
    }
    return false;
}

}  // namespace docvane
