#include "project/PropertyDocFields.h"

namespace docvane {

namespace {
using S = ApplicationSettings;

const PropertyDocField kFields[] = {
    {"general/directories", "clearExitDir", [](PropertyDoc& p) -> bool& { return p.clearExitDir; },
     &S::clearExitDir},
    {"general/combinePdf", "isCombine", [](PropertyDoc& p) -> bool& { return p.isCombine; }, &S::isCombine},
    {"general/combinePdf", "hasMenu", [](PropertyDoc& p) -> bool& { return p.hasMenu; }, &S::hasMenu},
    {"general/numberingPdf", "isNumbering", [](PropertyDoc& p) -> bool& { return p.isNumbering; },
     &S::isNumbering},
    {"general/numberingPdf", "startPage", [](PropertyDoc& p) -> int& { return p.startPage; }, &S::startPage},
    {"general/numberingPdf", "pageFrom", [](PropertyDoc& p) -> int& { return p.pageFrom; }, &S::pageFrom},
    {"general/numberingPdf", "posX", [](PropertyDoc& p) -> int& { return p.posX; }, &S::posX},
    {"general/numberingPdf", "posY", [](PropertyDoc& p) -> int& { return p.posY; }, &S::posY},
    {"general/numberingPdf", "fontHeight", [](PropertyDoc& p) -> int& { return p.fontHeight; },
     &S::fontHeight},
    {"general/numberingPdf", "fontName", [](PropertyDoc& p) -> std::string& { return p.fontName; },
     &S::fontName},
    {"autocad/path", "insertXrefs", [](PropertyDoc& p) -> bool& { return p.autocad.insertXrefs; },
     &S::insertXrefs},
    {"autocad/path", "copyXrefs", [](PropertyDoc& p) -> bool& { return p.autocad.copyXrefs; }, &S::copyXrefs},
    {"autocad/path", "xrefDir", [](PropertyDoc& p) -> std::string& { return p.autocad.xrefDir; },
     &S::xrefDir},
    {"autocad/general", "fileFormat", [](PropertyDoc& p) -> std::string& { return p.autocad.fileFormat; },
     &S::fileFormat},
    {"autocad/general", "clearComments", [](PropertyDoc& p) -> bool& { return p.autocad.clearComments; },
     &S::clearComments},
    {"autocad/general", "splitIntoLayouts",
     [](PropertyDoc& p) -> bool& { return p.autocad.splitIntoLayouts; }, &S::splitIntoLayouts},
    {"autocad/general", "lispScript", [](PropertyDoc& p) -> std::string& { return p.autocad.lispScript; },
     nullptr, true},
    {"word/general", "vbaScript", [](PropertyDoc& p) -> std::string& { return p.vbaScript; }, nullptr, true},
    {"general/combinePdf", "pdfA", [](PropertyDoc& p) -> bool& { return p.pdfA; }, &S::pdfA, false, true},
};
}  // namespace

std::span<const PropertyDocField> PropertyDocFields() {
    return kFields;
}

}  // namespace docvane
