#include "desktop/FileListEdits.h"

#include <algorithm>
#include <array>
#include <memory>

#include "base/PathUtils.h"
#include "output/DocumentStatus.h"
#include "output/FileOperations.h"
#include "project/DocvaneDoc.h"

namespace docvane {
namespace {

constexpr std::array<const char*, 6> kSourceExtensions = {".dwg", ".dxf", ".doc", ".docx", ".docm", ".pdf"};

// Ascending, without duplicates or indices past the end.
std::vector<std::size_t> ValidSelection(std::vector<std::size_t> selected, std::size_t count) {
    std::sort(selected.begin(), selected.end());
    selected.erase(std::unique(selected.begin(), selected.end()), selected.end());
    selected.erase(
        std::remove_if(selected.begin(), selected.end(), [count](std::size_t i) { return i >= count; }),
        selected.end());
    return selected;
}

}  // namespace

std::vector<DropItem> AcceptedDropItems(const std::vector<std::string>& paths) {
    std::vector<DropItem> items;
    for (const std::string& path : paths) {
        const std::string extension = LowerExtension(path);
        if (extension == ".dv1") {
            items.push_back(DropItem{path, DropKind::ProjectFile});
        } else if (std::find(kSourceExtensions.begin(), kSourceExtensions.end(), extension) !=
                   kSourceExtensions.end()) {
            items.push_back(DropItem{path, DropKind::SourceFile});
        }
    }
    return items;
}

InsertionMark MarkForPointer(long rowCount, long hitRow, bool lowerHalf, bool belowRows) {
    if (rowCount <= 0) {
        return {};
    }
    if (hitRow < 0 || hitRow >= rowCount) {
        return belowRows ? InsertionMark{rowCount - 1, true} : InsertionMark{0, false};
    }
    return InsertionMark{hitRow, lowerHalf};
}

std::size_t DropIndex(const InsertionMark& mark, long hitRow) {
    long index = mark.row >= 0 ? mark.row : (hitRow >= 0 ? hitRow : 0);
    if (mark.row >= 0 && mark.after) {
        ++index;
    }
    return static_cast<std::size_t>(index);
}

std::vector<std::size_t> InsertDroppedFiles(CDocvaneDoc& project, std::size_t index,
                                            const std::vector<DropItem>& items,
                                            const std::function<void(const std::string&)>& openProject) {
    std::vector<std::size_t> added;
    index = std::min(index, project.FileCount());
    for (const DropItem& item : items) {
        if (item.kind == DropKind::ProjectFile) {
            if (openProject) {
                openProject(item.path);
            }
            continue;
        }
        project.InsertFile(index, item.path);
        project.SetModifiedFlag();
        added.push_back(index);
        ++index;
    }
    return added;
}

std::vector<std::size_t> MoveFiles(CDocvaneDoc& project, std::vector<std::size_t> selected,
                                   std::size_t index) {
    auto& files = project.fileDocs;
    selected = ValidSelection(std::move(selected), files.size());
    index = std::min(index, files.size());
    if (selected.empty()) {
        return {};
    }
    std::vector<std::unique_ptr<FileDoc>> moved;
    std::vector<std::unique_ptr<FileDoc>> rest;
    std::size_t insertAt = 0;
    std::size_t next = 0;
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (i == index) {
            insertAt = rest.size();
        }
        if (next < selected.size() && selected[next] == i) {
            moved.push_back(std::move(files[i]));
            ++next;
        } else {
            rest.push_back(std::move(files[i]));
        }
    }
    if (index == files.size()) {
        insertAt = rest.size();
    }
    std::vector<std::size_t> newIndices;
    std::vector<std::unique_ptr<FileDoc>> result;
    result.reserve(files.size());
    for (std::size_t i = 0; i < insertAt; ++i) {
        result.push_back(std::move(rest[i]));
    }
    for (auto& file : moved) {
        newIndices.push_back(result.size());
        result.push_back(std::move(file));
    }
    for (std::size_t i = insertAt; i < rest.size(); ++i) {
        result.push_back(std::move(rest[i]));
    }
    files = std::move(result);
    project.SetModifiedFlag();
    return newIndices;
}

void ClearPublishedResults(CDocvaneDoc& project, std::vector<std::size_t> selected) {
    for (std::size_t i : ValidSelection(std::move(selected), project.FileCount())) {
        RemovePublishedFiles(project.File(i));
    }
    ComputeProjectStatus(project);
}

void ExcludeFiles(CDocvaneDoc& project, std::vector<std::size_t> selected) {
    project.SetModifiedFlag();
    selected = ValidSelection(std::move(selected), project.FileCount());
    ClearPublishedResults(project, selected);
    for (auto it = selected.rbegin(); it != selected.rend(); ++it) {
        project.RemoveFile(*it);
    }
}

}  // namespace docvane
