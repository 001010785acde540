#include "pdf/PdfRepair.h"

// Only std::shared_ptr is used with qpdf; its old pointer type stays out.
#define POINTERHOLDER_TRANSITION 4
#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFWriter.hh>

#include <charconv>
#include <cmath>
#include <exception>
#include <memory>

namespace docvane {

namespace {

// A number qpdf could not read as one (a real in scientific notation becomes a string): its value.
bool NumberText(const std::string& text, double& value) {
    const char* begin = text.data();
    const char* end = begin + text.size();
    if (begin != end && *begin == '+') {
        ++begin;
    }
    const auto [stop, error] = std::from_chars(begin, end, value);
    return begin != end && error == std::errc() && stop == end && std::isfinite(value);
}

// Page boxes hold numbers only; a box entry that is number text becomes that number again.
void MendPageBoxes(QPDFObjectHandle page) {
    for (const char* key : {"/MediaBox", "/CropBox", "/BleedBox", "/TrimBox", "/ArtBox"}) {
        QPDFObjectHandle box = page.getKey(key);
        if (!box.isArray()) {
            continue;
        }
        for (int i = 0; i < box.getArrayNItems(); ++i) {
            QPDFObjectHandle item = box.getArrayItem(i);
            double value = 0;
            if (item.isString() && NumberText(item.getStringValue(), value)) {
                box.setArrayItem(i, QPDFObjectHandle::newReal(value, 4));
            }
        }
    }
}

}  // namespace

bool RepairPdf(const std::string& bytes, std::string& repaired, std::string* reason) {
    try {
        QPDF pdf;
        pdf.setSuppressWarnings(true);
        pdf.setAttemptRecovery(true);
        pdf.processMemoryFile("input", bytes.data(), bytes.size());
        // Walking the page tree makes direct page dictionaries indirect; pushing inherited attributes
        // lets each page be mended on its own.
        pdf.pushInheritedAttributesToPage();
        for (QPDFObjectHandle page : pdf.getAllPages()) {
            MendPageBoxes(page);
        }
        QPDFWriter writer(pdf);
        writer.setOutputMemory();
        writer.setPreserveEncryption(false);
        writer.setObjectStreamMode(qpdf_o_disable);
        writer.setSuppressOriginalObjectIDs(true);
        writer.write();
        const std::shared_ptr<Buffer> buffer = writer.getBufferSharedPointer();
        repaired.assign(reinterpret_cast<const char*>(buffer->getBuffer()), buffer->getSize());
        return true;
    } catch (const std::exception& error) {
        if (reason != nullptr) {
            *reason = error.what();
        }
    } catch (...) {
        if (reason != nullptr) {
            *reason = "qpdf";
        }
    }
    return false;
}

}  // namespace docvane
