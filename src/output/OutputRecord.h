#pragma once
// What Docvane itself wrote into an output folder: a small record file in the folder lists, per
// project, every result placed there with the size and time it had when written. Cleaning and "clear
// published" remove only entries listed for their project that are still exactly as written, so a
// file or folder of anyone else (or one the user changed since) is never touched, whatever folder a
// project names. The project file's format stays as it is.
#include <cstdint>
#include <map>
#include <string>

namespace docvane {

class CDocvaneDoc;

// The record's file name inside an output folder.
inline constexpr const char* kOutputRecordName = ".docvane-published";

struct RecordedOutput {
    std::int64_t size = 0;
    std::int64_t mtimeNs = 0;
};

// Entry names (no separators) of folder recorded for project.
using RecordedOutputs = std::map<std::string, RecordedOutput>;

// Notes that path (an entry of its folder) was just written for project, as it is now on disk.
void RecordPlacedOutput(const CDocvaneDoc& project, const std::string& path);

// The entries of folder recorded for project; a missing or unreadable record gives none.
RecordedOutputs ReadRecordedOutputs(const CDocvaneDoc& project, const std::string& folder);

// Replaces project's entries in folder's record by entries; other projects' entries stay.
void WriteRecordedOutputs(const CDocvaneDoc& project, const std::string& folder,
                          const RecordedOutputs& entries);

// True when path is still the regular file that was recorded (same size and modification time).
bool StillAsRecorded(const std::string& path, const RecordedOutput& recorded);

}  // namespace docvane
