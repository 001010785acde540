#include "publish/ProtectedPaths.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "project/DocvaneDoc.h"

namespace docvane {

std::string ComparablePath(const std::string& path) {
    if (path.empty()) {
        return {};
    }
    std::error_code ec;
    const auto canonical = std::filesystem::weakly_canonical(std::filesystem::path(path), ec);
    std::string text = ec ? std::filesystem::path(path).lexically_normal().string() : canonical.string();
    while (text.size() > 1 && text.back() == '/') {
        text.pop_back();
    }
    return text;
}

ProtectedPaths::ProtectedPaths(const CDocvaneDoc& project) {
    auto add = [this](const std::string& path) {
        if (!path.empty()) {
            paths_.push_back(ComparablePath(path));
        }
    };
    add(project.PathName());
    for (const auto& file : project.fileDocs) {
        add(file->fullPath);
        for (const auto& ref : file->xrefsBefore) {
            add(ref.fullPath);
        }
        for (const auto& ref : file->xrefsAfter) {
            add(ref.fullPath);
        }
    }
    std::sort(paths_.begin(), paths_.end());
    paths_.erase(std::unique(paths_.begin(), paths_.end()), paths_.end());
}

bool ProtectedPaths::Protects(const std::string& path) const {
    const std::string candidate = ComparablePath(path);
    if (candidate.empty()) {
        return false;
    }
    // The protected paths at or after candidate in sort order include every path inside it.
    auto it = std::lower_bound(paths_.begin(), paths_.end(), candidate);
    for (; it != paths_.end(); ++it) {
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

}  // namespace docvane
