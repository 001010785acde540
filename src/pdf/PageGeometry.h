#pragma once
// Reading a page's boxes and rotation defensively: inputs are untrusted, so a missing or malformed
// value falls back instead of throwing.
namespace PoDoFo {
class PdfObject;
}

namespace docvane {

struct PageBox {
    double left = 0;
    double bottom = 0;
    double width = 0;
    double height = 0;
};

// The media box with its corners put in order; US Letter when the page has none or it is unusable.
PageBox MediaBoxOf(const PoDoFo::PdfObject& page);
// The part of the page a viewer shows: the crop box clipped to the media box, else the media box.
PageBox VisibleBoxOf(const PoDoFo::PdfObject& page);
// /Rotate as stored, 0 when absent or not an integer.
long StoredRotation(const PoDoFo::PdfObject& page);

// The page's size in A4 formats: its area divided by the A4 area, rounded half away from zero.
long A4Formats(double widthPt, double heightPt);

inline constexpr double kMmToPt = 2.8346456692913393;  // 72 / 25.4
inline constexpr long kA4AreaPt2 = 501156;

}  // namespace docvane
