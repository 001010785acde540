#pragma once
// Edits of a project's file list made from its view: drops, row moves and exclusion. Row i of the
// view always shows file i, so every edit here is also the edit of the rows.
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace docvane {

class CDocvaneDoc;
struct FileDoc;

// What a dropped path becomes.
enum class DropKind { ProjectFile, SourceFile };

struct DropItem {
    std::string path;
    DropKind kind = DropKind::SourceFile;
};

// The dropped paths the list accepts, in the order given: the six source extensions and ".dv1",
// compared in lower case. Others are left out.
std::vector<DropItem> AcceptedDropItems(const std::vector<std::string>& paths);

// Where an insertion mark lies relative to its row.
struct InsertionMark {
    long row = -1;  // -1: no mark
    bool after = false;
};

// The insertion mark for a pointer over a list of rowCount rows, given the row under the pointer (-1
// when none) and whether the pointer is in that row's lower half. Below the last row the mark lies
// after it; an empty list has none.
InsertionMark MarkForPointer(long rowCount, long hitRow, bool lowerHalf, bool belowRows);

// The index a drop inserts at: the mark's row (plus one when after it), else the row under the
// pointer, else 0.
std::size_t DropIndex(const InsertionMark& mark, long hitRow);

// Inserts the dropped items from index on, in order: source files are added to the project and the
// project marked modified; project files are handed to openProject instead (nothing added). Returns
// the indices of the added files.
std::vector<std::size_t> InsertDroppedFiles(CDocvaneDoc& project, std::size_t index,
                                            const std::vector<DropItem>& items,
                                            const std::function<void(const std::string&)>& openProject);

// Moves the selected files (any order, duplicates ignored) to index, keeping their relative order:
// index counts positions before the move. Files keep their identity (references stay attached). Marks
// the project modified when anything moved. Returns the new indices of the moved files.
std::vector<std::size_t> MoveFiles(CDocvaneDoc& project, std::vector<std::size_t> selected,
                                   std::size_t index);

// Deletes the published results of the selected files, in ascending order, and recomputes the
// project's statuses. The project is not marked modified.
void ClearPublishedResults(CDocvaneDoc& project, std::vector<std::size_t> selected);

// Marks the project modified, clears the published results of the selected files and removes them
// from the project, highest index first. The sources stay on disk.
void ExcludeFiles(CDocvaneDoc& project, std::vector<std::size_t> selected);

}  // namespace docvane
