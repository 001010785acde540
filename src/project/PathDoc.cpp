#include "project/PathDoc.h"

#include "base/PathUtils.h"
#include "project/DocvaneDoc.h"

namespace docvane {

namespace {
std::string ProjectDirOf(const CDocvaneDoc* owner) {
    return owner == nullptr ? std::string() : owner->propertyDoc.projectDir;
}

std::string Resolve(const CDocvaneDoc* owner, const std::string& text) {
    if (text.empty()) {
        return {};
    }
    if (!IsAbsolutePath(text) && owner == nullptr) {
        // A free-standing entry cannot resolve relative text: keep it as given (with "/" separators).
        return ResolvePathText("", text);
    }
    const std::string resolved = ResolvePathText(LongName(ProjectDirOf(owner)), text);
    const std::string longForm = LongName(resolved);
    return longForm.empty() ? resolved : longForm;
}
}  // namespace

PathDoc::PathDoc(const std::string& text, CDocvaneDoc* ownerDoc) : owner(ownerDoc) {
    SetPath(*this, text);
}

DirDoc::DirDoc(const std::string& text, CDocvaneDoc* ownerDoc) : owner(ownerDoc) {
    SetPath(*this, text);
}

void SetPath(PathDoc& entry, const std::string& text) {
    entry.fullPath = Resolve(entry.owner, text);
}

void SetPath(DirDoc& entry, const std::string& text) {
    entry.fullPath = Resolve(entry.owner, text);
}

std::string RelativePath(const PathDoc& entry) {
    return RelativePathText(entry.fullPath, ProjectDirOf(entry.owner));
}

std::string RelativePath(const DirDoc& entry) {
    return RelativePathText(entry.fullPath, ProjectDirOf(entry.owner));
}

}  // namespace docvane
