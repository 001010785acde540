#include "output/OutputPaths.h"

#include "base/PathUtils.h"
#include "project/DocvaneDoc.h"

namespace docvane {

namespace {
const CDocvaneDoc* Project(const FileDoc& file) {
    return file.owner;
}

// A sheet name comes from a drawing or a project file: it must never lead out of its folder.
std::string SheetBase(const FileDoc& file, int sheet) {
    if (sheet < 0 || static_cast<std::size_t>(sheet) >= file.sheetNames.size()) {
        return {};
    }
    return SafeFileName(file.sheetNames[static_cast<std::size_t>(sheet)]);
}

std::string InFolder(const std::string& folder, const std::string& name) {
    return folder.empty() ? std::string() : JoinPath(folder, name);
}
}  // namespace

std::string PdfName(const FileDoc& file, int sheet) {
    if (sheet < 0) {
        return FileStem(file.fullPath) + ".pdf";
    }
    return SheetBase(file, sheet) + ".pdf";
}

std::string EditableName(const FileDoc& file, int sheet) {
    if (sheet < 0) {
        return FileName(file.fullPath);
    }
    return SheetBase(file, sheet) + LowerExtension(file.fullPath);
}

std::string PdfOutputPath(const FileDoc& file, int sheet) {
    const CDocvaneDoc* project = Project(file);
    return project == nullptr ? std::string() : InFolder(project->pdfDir.fullPath, PdfName(file, sheet));
}

std::string EditableOutputPath(const FileDoc& file, int sheet) {
    const CDocvaneDoc* project = Project(file);
    return project == nullptr ? std::string()
                              : InFolder(project->editDir.fullPath, EditableName(file, sheet));
}

// A project without a temporary folder (it could not be made) has no temporary paths: a bare name
// would be a file of the current folder.
std::string PdfTempPath(const FileDoc& file, int sheet) {
    const CDocvaneDoc* project = Project(file);
    return project == nullptr ? std::string() : InFolder(project->propertyDoc.tempDir, PdfName(file, sheet));
}

std::string EditableTempPath(const FileDoc& file, int sheet) {
    const CDocvaneDoc* project = Project(file);
    return project == nullptr ? std::string()
                              : InFolder(project->propertyDoc.tempDir, EditableName(file, sheet));
}

std::string ReferenceFolder(const CDocvaneDoc& project) {
    return JoinPath(project.editDir.fullPath, project.propertyDoc.autocad.xrefDir);
}

std::string ReferenceTargetPath(const XrefFile& ref) {
    if (ref.owner == nullptr) {
        return {};
    }
    return JoinPath(ReferenceFolder(*ref.owner), FileName(ref.fullPath));
}

std::vector<int> SheetIndexes(const FileDoc& file) {
    std::vector<int> indexes;
    if (file.owner != nullptr && file.owner->propertyDoc.autocad.splitIntoLayouts &&
        IsDrawingFile(file.fullPath)) {
        for (std::size_t i = 0; i < file.sheetNames.size(); ++i) {
            indexes.push_back(static_cast<int>(i));
        }
    } else {
        indexes.push_back(-1);
    }
    return indexes;
}

}  // namespace docvane
