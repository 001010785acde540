#include "project/PropertyDocFields.h"

namespace docvane {

namespace {
const PropertyDocField kFields[] = {
    {"general/directories", "clearExitDir", [](PropertyDoc& p) -> bool& { return p.clearExitDir; }},
    {"general/combinePdf", "isCombine", [](PropertyDoc& p) -> bool& { return p.isCombine; }},
    {"general/combinePdf", "hasMenu", [](PropertyDoc& p) -> bool& { return p.hasMenu; }},
    {"general/numberingPdf", "isNumbering", [](PropertyDoc& p) -> bool& { return p.isNumbering; }},
    {"general/numberingPdf", "startPage", [](PropertyDoc& p) -> int& { return p.startPage; }},
    {"general/numberingPdf", "pageFrom", [](PropertyDoc& p) -> int& { return p.pageFrom; }},
    {"general/numberingPdf", "posX", [](PropertyDoc& p) -> int& { return p.posX; }},
    {"general/numberingPdf", "posY", [](PropertyDoc& p) -> int& { return p.posY; }},
    {"general/numberingPdf", "fontHeight", [](PropertyDoc& p) -> int& { return p.fontHeight; }},
    {"general/numberingPdf", "fontName", [](PropertyDoc& p) -> std::string& { return p.fontName; }},
    {"autocad/path", "insertXrefs", [](PropertyDoc& p) -> bool& { return p.autocad.insertXrefs; }},
    {"autocad/path", "copyXrefs", [](PropertyDoc& p) -> bool& { return p.autocad.copyXrefs; }},
    {"autocad/path", "xrefDir", [](PropertyDoc& p) -> std::string& { return p.autocad.xrefDir; }},
    {"autocad/general", "fileFormat", [](PropertyDoc& p) -> std::string& { return p.autocad.fileFormat; }},
    {"autocad/general", "clearComments", [](PropertyDoc& p) -> bool& { return p.autocad.clearComments; }},
    {"autocad/general", "splitIntoLayouts",
     [](PropertyDoc& p) -> bool& { return p.autocad.splitIntoLayouts; }},
    {"autocad/general", "lispScript", [](PropertyDoc& p) -> std::string& { return p.lispScript; }, true},
    {"word/general", "vbaScript", [](PropertyDoc& p) -> std::string& { return p.vbaScript; }, true},
    {"general/combinePdf", "pdfA", [](PropertyDoc& p) -> bool& { return p.pdfA; }, false, true},
};
}  // namespace

std::span<const PropertyDocField> PropertyDocFields() {
    return kFields;
}

}  // namespace docvane
