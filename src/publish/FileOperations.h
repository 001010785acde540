#pragma once
// Bringing finished files into place, copying references and cleaning the output folders.
#include <string>

namespace docvane {

class CDocvaneDoc;
struct FileDoc;

// Result codes of the file operations.
inline constexpr int kPlaceOk = 0;
inline constexpr int kSourceMissing = -1;
inline constexpr int kFolderNotCreated = -3;
inline constexpr int kCopyFailed = -4;
inline constexpr int kOldFileNotRemoved = -5;

// 0 when the folder exists or was created with its parents, -3 otherwise.
int EnsureDirectory(const std::string& folder);

// Copies source to target unless target is at least as new (then nothing is copied). A target that is
// the source itself is left alone. 0, -1 (source missing), -3, -4 or -5 (old target not removable).
int PlaceFile(const std::string& source, const std::string& target);

// Copies every drawing's remaining references into the reference folder, each path once; failures are
// warning lines.
void CopyReferences(const CDocvaneDoc& project);

// Removes from both output folders every entry that is not a published result of the project.
void CleanOutputFolders(const CDocvaneDoc& project);

// Removes the published and temporary results of one file, for the whole file and for every sheet.
void RemovePublishedFiles(const FileDoc& file);

}  // namespace docvane
