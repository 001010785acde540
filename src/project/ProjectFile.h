#pragma once
// The project file (".dv1"): an XML tree with root "docvane", all data as element text.
#include <string>

namespace tinyxml2 {
class XMLDocument;
}

namespace docvane {

class CDocvaneDoc;

// The bytes of the project file: the indented tree, a line feed after the root and one NUL.
// Relative paths are formed against the project's current projectDir.
std::string WriteProjectXml(const CDocvaneDoc& project);

// Reads a parsed tree into the project. False when the root "docvane" is absent (the caller then
// tries the legacy importer); missing or malformed content never stops reading.
bool ReadProjectXml(CDocvaneDoc& project, const tinyxml2::XMLDocument& xml);

// Loads a project file into a freshly constructed project: sets projectDir, parses, reads the current
// format or else the legacy one. False when the file cannot be read or is not a project of either
// format (empty, UTF-16, binary, malformed XML, another root); error then says why in the user's words,
// with the line TinyXML-2 names where it names one.
bool LoadProjectFile(CDocvaneDoc& project, const std::string& path, std::string* error = nullptr);

// Saves the project to path in the current format: projectDir becomes path's folder, relative paths
// are formed against it, and the file is replaced atomically. On success the project takes path as
// its name and is no longer modified; on failure the old file stays and the project stays modified.
bool SaveProjectFile(CDocvaneDoc& project, const std::string& path, std::string* error = nullptr);

}  // namespace docvane
