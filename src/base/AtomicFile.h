#pragma once
#include <string>
#include <string_view>

namespace docvane {

// Replaces the file at path with bytes so that readers only ever see the old or the new content: the
// bytes go to a temporary file in the same folder, are flushed to disk and renamed over the target.
// An existing target keeps its permission bits. A symbolic link at path is replaced like a file.
// On failure the target is untouched and error says why.
bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string* error = nullptr);

// WriteFileAtomically for a file the user may keep behind a symbolic link (a project file): the file
// the chain of links ends at is replaced, in that file's folder, and the links stay.
bool WriteFileThroughLinks(const std::string& path, std::string_view bytes, std::string* error = nullptr);

// Reads a whole file. False when it cannot be opened or read.
bool ReadWholeFile(const std::string& path, std::string& bytes, std::string* error = nullptr);

}  // namespace docvane
