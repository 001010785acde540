#pragma once
// The combined PDF as PDF/A-1b, the form archives and permit portals accept: every part is checked and
// cleaned before it is appended (no optional content, no transparency groups where nothing is
// transparent, printable annotations), and the finished document gets the XMP metadata matching its
// information dictionary, an sRGB output intent and PDF 1.4 file syntax.
#include <podofo/podofo.h>

#include <string>
#include <vector>

namespace docvane {

class CombinedDocument;
class PublishedPdf;

// What keeps a part from conforming, in words for the log (empty: nothing). Looks at real transparency,
// fonts whose program is not embedded, device CMYK colour (the output intent is sRGB) and attached
// files.
std::vector<std::string> PdfAObstacles(const PublishedPdf& part);

// Removes the part's optional content: content of layers hidden by default goes, that of visible
// layers stays without its layer. True when the part had layers.
bool FlattenOptionalContent(PublishedPdf& part);

// Removes transparency groups from pages and forms (the part must have no real transparency, see
// PdfAObstacles), sets the print flag of every annotation and clears its hidden ones.
void CleanForPdfA(PublishedPdf& part);

// The sRGB profile of the output intent, from the system's colour profiles; empty when none is there.
std::string FindSrgbProfile();

// Gives the finished document what PDF/A-1b asks of the file as a whole; false with the reason when
// it cannot (no sRGB profile). title is the document's title.
bool FinishPdfA(CombinedDocument& combined, const std::string& title, std::string& reason);

inline constexpr const char* kNotPdfALine = "Общий pdf будет записан без PDF/A-1b (";
inline constexpr const char* kLayersRemovedLine =
    "Слои убраны для PDF/A-1b (скрытые удалены, видимые оставлены без слоёв): ";

// Whether the combined PDF being built can still become PDF/A-1b.
struct PdfAState {
    bool on = false;
};

// Checks the part and cleans it for PDF/A-1b while state is on (standard fonts it uses without embedding
// them are embedded from the system's metric-compatible programs first): a part that cannot conform turns it
// off with a warning line naming the part and the reasons, removed layers are a warning line too.
// The warning lines also go to warnings.
void PrepareForPdfA(PublishedPdf& part, const std::string& pdfName, PdfAState& state,
                    std::vector<std::string>& warnings);

// The XMP packet for these information values (dates in the information dictionary's form,
// "D:YYYYMMDDHHmmSS+00'00'").
std::string PdfAMetadata(const std::string& title, const std::string& producer, const std::string& creator,
                         const std::string& date);

}  // namespace docvane
