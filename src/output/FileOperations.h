#pragma once
// Bringing finished files into place, copying references and cleaning the output folders.
#include <string>

namespace docvane {

class CDocvaneDoc;
class ProtectedPaths;
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
// the source itself is left alone. The copy is made complete in a part file beside the target (mode
// from the umask) and renamed over it, so a failure leaves the old target whole. 0, -1 (source
// missing), -3, -4 (copy failed: a full disk, ...) or -5 (old target in use or a folder).
int PlaceFile(const std::string& source, const std::string& target);

// Whether a target at least as new as its source is kept (the usual case) or replaced all the same
// (a source swapped for an older copy of itself: its time says nothing about the result).
enum class PlaceWhen { TargetOlder, Always };

// PlaceFile for a published result of file: a target that is the file's own source is skipped (the
// source already is the result, 0), and a target that is another protected file of the project (the
// project file, another source, a reference) is never overwritten (-5). A file it writes is noted in
// the folder's record as this project's own output (see OutputRecord.h). guard is the run's protected
// set; null: one built now (see ProtectedPathsOf), likewise for the functions below.
int PlaceOutput(const FileDoc& file, const std::string& source, const std::string& target,
                PlaceWhen when = PlaceWhen::TargetOlder, const ProtectedPaths* guard = nullptr);

// Places a finished result of file as the publishing steps do: through PlaceOutput, with the error line
// of a failure ("Временный файл не найден: ", ...). True on success; an empty target places nothing.
bool PlacePublishedFile(const FileDoc& file, const std::string& source, const std::string& target,
                        PlaceWhen when = PlaceWhen::TargetOlder, const ProtectedPaths* guard = nullptr);

// Copies every drawing's remaining references into the reference folder, each path once; failures are
// warning lines.
void CopyReferences(const CDocvaneDoc& project, const ProtectedPaths* guard = nullptr);

// Removes from both output folders the results this project placed there (as its record lists them,
// and only while they are as placed) that are no longer published results of the project, and part
// files of killed placings. Nothing else is touched: no file or folder of anyone else, nothing inside
// a sub-folder, nothing outside the folder, nothing in a refused folder. The project file, sources,
// references and folders holding them are kept whatever the folders are, and so is the folder the
// combined PDF is about to be written into.
void CleanOutputFolders(const CDocvaneDoc& project, const ProtectedPaths* guard = nullptr);

// Rewrites the record of placed outputs in both folders without the lines of earlier placings and of
// results that are gone or changed; for runs that do not clean (cleaning does it on the way).
void CompactOutputRecords(const CDocvaneDoc& project);

// Removes the published and temporary results of one file, for the whole file and for every sheet;
// published results go only as the record lists them (see CleanOutputFolders), and a result that is a
// protected file of the project (a ready PDF that is its own output) stays.
void RemovePublishedFiles(const FileDoc& file);

}  // namespace docvane
