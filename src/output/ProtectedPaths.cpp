#include "output/ProtectedPaths.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "project/DocvaneDoc.h"

namespace docvane {

std::string ComparablePath(const std::string& path) {
    if (path.empty()) {
        return {};
    }
    // An existing path resolves in one call. weakly_canonical first tests every leading part of the
    // path, which costs a dozen system calls per file of a run; it is left for paths not there yet.
    std::string text;
    if (char* resolved = realpath(path.c_str(), nullptr)) {
        text = resolved;
        std::free(resolved);
    } else {
        std::error_code ec;
        const auto canonical = std::filesystem::weakly_canonical(std::filesystem::path(path), ec);
        text = ec ? std::filesystem::path(path).lexically_normal().string() : canonical.string();
    }
    while (text.size() > 1 && text.back() == '/') {
        text.pop_back();
    }
    return text;
}

ProtectedPaths::ProtectedPaths(const CDocvaneDoc& project) {
    Add(project.PathName());
    for (const auto& file : project.fileDocs) {
        Add(*file);
    }
}

void ProtectedPaths::Add(const std::string& path) {
    if (!path.empty()) {
        paths_.insert(ComparablePath(path));
    }
}

void ProtectedPaths::Add(const FileDoc& file) {
    Add(file.fullPath);
    for (const auto& ref : file.xrefsBefore) {
        Add(ref.fullPath);
    }
    for (const auto& ref : file.xrefsAfter) {
        Add(ref.fullPath);
    }
}

bool ProtectedPaths::Protects(const std::string& path) const {
    return ProtectsComparable(ComparablePath(path));
}

bool ProtectedPaths::ProtectsComparable(const std::string& candidate) const {
    if (candidate.empty()) {
        return false;
    }
    // The protected paths at or after candidate in sort order include every path inside it.
    for (auto it = paths_.lower_bound(candidate); it != paths_.end(); ++it) {
        if (*it == candidate) {
            return true;
        }
        if (it->compare(0, candidate.size(), candidate) != 0) {
            break;
        }
        if (candidate == "/" || (*it)[candidate.size()] == '/') {
            return true;
        }
    }
    return false;
}

std::shared_ptr<const ProtectedPaths> ProtectedPathsOf(const CDocvaneDoc& project,
                                                       const ProtectedPaths* given) {
    if (given != nullptr) {
        return std::shared_ptr<const ProtectedPaths>(std::shared_ptr<const ProtectedPaths>(),
                                                     given);  // not owned
    }
    return std::make_shared<const ProtectedPaths>(project);
}

}  // namespace docvane
