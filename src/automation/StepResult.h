#pragma once
// Placing a file a server was asked to write, with the server's own reason when it wrote nothing.
#include <string>

namespace docvane {

class ProtectedPaths;
struct FileDoc;

// As PlacePublishedFile; when the temporary file is missing, the error line "Временный файл не найден: "
// with the path names cause after it (WithCause). An empty target places nothing. guard: the run's
// protected set (null: one built now).
bool PlaceServerResult(const FileDoc& file, const std::string& tempPath, const std::string& target,
                       const std::string& cause, const ProtectedPaths* guard = nullptr);

}  // namespace docvane
