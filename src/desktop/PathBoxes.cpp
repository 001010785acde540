#include "desktop/PathBoxes.h"

#include "base/PathUtils.h"
#include "project/DocvaneDoc.h"

namespace docvane {

const char* const kChooseItem = "Выбрать...";

PathBoxAction DecidePathBoxAction(const PathBoxTexts& texts) {
    if (texts.combinedPdf == kChooseItem) {
        return PathBoxAction::PickCombinedPdf;
    }
    if (texts.pdfDir == kChooseItem) {
        return PathBoxAction::PickPdfDir;
    }
    if (texts.editDir == kChooseItem) {
        return PathBoxAction::PickEditDir;
    }
    return PathBoxAction::TakeTexts;
}

void TakePathBoxTexts(CDocvaneDoc& project, const PathBoxTexts& texts) {
    SetPath(project.pdfFile, texts.combinedPdf);
    SetPath(project.pdfDir, texts.pdfDir);
    SetPath(project.editDir, texts.editDir);
    if (!texts.combinedPdf.empty() && LowerExtension(project.pdfFile.fullPath) != ".pdf") {
        SetPath(project.pdfFile, texts.combinedPdf + ".pdf");
    }
}

bool TakePickedPath(CDocvaneDoc& project, PathBox box, const std::string& chosen) {
    if (chosen.empty()) {
        return false;
    }
    switch (box) {
        case PathBox::CombinedPdf:
            SetPath(project.pdfFile, chosen);
            break;
        case PathBox::PdfDir:
            SetPath(project.pdfDir, chosen);
            break;
        case PathBox::EditDir:
            SetPath(project.editDir, chosen);
            break;
    }
    project.SetModifiedFlag(true);
    return true;
}

std::string PathBoxText(const CDocvaneDoc& project, PathBox box) {
    switch (box) {
        case PathBox::CombinedPdf:
            return RelativePath(project.pdfFile);
        case PathBox::PdfDir:
            return RelativePath(project.pdfDir);
        case PathBox::EditDir:
            return RelativePath(project.editDir);
    }
    return {};
}

std::vector<std::string> PathBoxItems(const CDocvaneDoc& project, PathBox box, const std::string& pdfDirName,
                                      const std::string& editDirName) {
    std::vector<std::string> items{""};
    const std::string current = PathBoxText(project, box);
    if (!current.empty()) {
        items.push_back(current);
    }
    if (!project.propertyDoc.projectDir.empty()) {
        std::string suggestion;
        switch (box) {
            case PathBox::CombinedPdf:
                suggestion = FileName(project.pdfFile.fullPath);
                break;
            case PathBox::PdfDir:
                suggestion = pdfDirName;
                break;
            case PathBox::EditDir:
                suggestion = editDirName;
                break;
        }
        items.push_back(".\\" + suggestion);
    }
    items.emplace_back(kChooseItem);
    return items;
}

}  // namespace docvane
