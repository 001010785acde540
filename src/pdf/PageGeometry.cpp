#include "pdf/PageGeometry.h"

#include <podofo/podofo.h>

#include <algorithm>
#include <cmath>
#include <optional>

namespace docvane {

using namespace PoDoFo;

namespace {

std::optional<double> NumberOf(const PdfObject& value) {
    if (value.IsReal() || value.IsNumber()) {
        const double number = value.GetReal();
        if (std::isfinite(number)) {
            return number;
        }
    }
    return std::nullopt;
}

std::optional<PageBox> ReadBox(const PdfObject& page, const char* key) {
    const PdfObject* value = page.IsDictionary() ? page.GetIndirectKey(PdfName(key)) : nullptr;
    if (value == nullptr || !value->IsArray() || value->GetArray().size() != 4) {
        return std::nullopt;
    }
    double corner[4];
    for (std::size_t i = 0; i < 4; ++i) {
        const PdfObject& element = value->GetArray()[i];
        const PdfObject* resolved =
            element.IsReference() ? page.GetOwner()->GetObject(element.GetReference()) : &element;
        const auto number = resolved == nullptr ? std::nullopt : NumberOf(*resolved);
        if (!number) {
            return std::nullopt;
        }
        corner[i] = *number;
    }
    PageBox box;
    box.left = std::min(corner[0], corner[2]);
    box.bottom = std::min(corner[1], corner[3]);
    box.width = std::fabs(corner[2] - corner[0]);
    box.height = std::fabs(corner[3] - corner[1]);
    return box;
}

}  // namespace

PageBox MediaBoxOf(const PdfObject& page) {
    const auto box = ReadBox(page, "MediaBox");
    if (box && box->width > 0 && box->height > 0) {
        return *box;
    }
    return PageBox{0, 0, 612, 792};
}

PageBox VisibleBoxOf(const PdfObject& page) {
    const PageBox media = MediaBoxOf(page);
    const auto crop = ReadBox(page, "CropBox");
    if (!crop) {
        return media;
    }
    const double left = std::max(media.left, crop->left);
    const double bottom = std::max(media.bottom, crop->bottom);
    const double right = std::min(media.left + media.width, crop->left + crop->width);
    const double top = std::min(media.bottom + media.height, crop->bottom + crop->height);
    if (right <= left || top <= bottom) {
        return media;
    }
    return PageBox{left, bottom, right - left, top - bottom};
}

long StoredRotation(const PdfObject& page) {
    const PdfObject* value = page.IsDictionary() ? page.GetIndirectKey(PdfName("Rotate")) : nullptr;
    if (value == nullptr || !value->IsNumber()) {
        return 0;
    }
    const pdf_int64 rotation = value->GetNumber();
    if (rotation > 1000000 || rotation < -1000000) {
        return 0;
    }
    return static_cast<long>(rotation);
}

long A4Formats(double widthPt, double heightPt) {
    const double formats = std::round(widthPt * heightPt / static_cast<double>(kA4AreaPt2));
    // A box read from an untrusted file can be absurdly large; keep the conversion defined.
    if (std::isnan(formats) || formats < 0) {
        return 0;
    }
    return formats > 1e15 ? 1000000000000000L : static_cast<long>(formats);
}

}  // namespace docvane
