#include "desktop/ProjectBindings.h"

#include "desktop/CommandIds.h"
#include "desktop/RibbonRules.h"
#include "project/DocvaneDoc.h"

namespace docvane {

bool* ProjectFlag(CDocvaneDoc& project, int id) {
    PropertyDoc& p = project.propertyDoc;
    switch (id) {
        case ID_CHECK_PDF_MENU:
            return &p.hasMenu;
        case ID_CHECK_PDF_NUMBERING:
            return &p.isNumbering;
        case ID_CHECK_CLEAR_DIR:
            return &p.clearExitDir;
        case ID_CHECK_PDF_A:
            return &p.pdfA;
        case ID_AUTOCAD_INCLUDE_XREF:
            return &p.autocad.insertXrefs;
        case ID_AUTOCAD_COPY_XREF:
            return &p.autocad.copyXrefs;
        case ID_CHECK_AUTOCAD_CLEAR_COMMENTS:
            return &p.autocad.clearComments;
        case ID_CHECK_SPLIT_INTO_LAYOUTS:
            return &p.autocad.splitIntoLayouts;
        default:
            return nullptr;
    }
}

int* ProjectNumber(CDocvaneDoc& project, int id) {
    PropertyDoc& p = project.propertyDoc;
    switch (id) {
        case ID_SPIN_START_PAGE:
            return &p.startPage;
        case ID_SPIN_PAGE_FROM:
            return &p.pageFrom;
        case ID_SPIN_FONT_HEIGHT:
            return &p.fontHeight;
        case ID_SPIN_POS_X:
            return &p.posX;
        case ID_SPIN_POS_Y:
            return &p.posY;
        default:
            return nullptr;
    }
}

std::string* ProjectText(CDocvaneDoc& project, int id) {
    switch (id) {
        case ID_AUTOCAD_XREF_DIR:
            return &project.propertyDoc.autocad.xrefDir;
        case ID_AUTOCAD_FORMAT:
            return &project.propertyDoc.autocad.fileFormat;
        default:
            return nullptr;
    }
}

bool ToggleProjectFlag(CDocvaneDoc& project, int id) {
    bool* flag = ProjectFlag(project, id);
    if (flag == nullptr) {
        return false;
    }
    *flag = !*flag;
    project.SetModifiedFlag(true);
    return true;
}

bool StoreProjectNumber(CDocvaneDoc& project, int id, const std::string& text) {
    int* number = ProjectNumber(project, id);
    if (number == nullptr) {
        return false;
    }
    *number = ParseNumberBox(text);
    project.SetModifiedFlag(true);
    return true;
}

bool StoreProjectText(CDocvaneDoc& project, int id, const std::string& text) {
    std::string* stored = ProjectText(project, id);
    if (stored == nullptr) {
        return false;
    }
    *stored = text;
    project.SetModifiedFlag(true);
    return true;
}

}  // namespace docvane
