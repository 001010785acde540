#pragma once
// What the properties pane shows for a source file or the combined PDF: groups of read-only rows.
#include <string>
#include <vector>

namespace docvane {

struct FileDoc;
struct PathDoc;

struct PropertyRow {
    std::string name;
    std::string value;
};

struct PropertyGroup {
    std::string title;
    std::vector<PropertyRow> rows;
};

// The groups for file, or for the combined PDF pdf when file is null; both may be null. The last
// group holds the status message.
std::vector<PropertyGroup> PropertyGroupsFor(const PathDoc* pdf, const FileDoc* file);

}  // namespace docvane
