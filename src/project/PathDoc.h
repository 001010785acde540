#pragma once
#include <cstdint>
#include <string>

namespace docvane {

class CDocvaneDoc;

// Colours are 0x00BBGGRR values.
using Colour = std::uint32_t;
inline constexpr Colour kNeutralColour = 0x0099FFFF;

// A file location with a publication status.
struct PathDoc {
    std::string fullPath;          // absolute, or empty when not set
    CDocvaneDoc* owner = nullptr;  // the project whose folder resolves relative paths
    std::string statusText;
    Colour statusColor = kNeutralColour;

    PathDoc() = default;
    PathDoc(const std::string& text, CDocvaneDoc* ownerDoc);
};

// A folder location.
struct DirDoc {
    std::string fullPath;
    CDocvaneDoc* owner = nullptr;
    Colour statusColor = kNeutralColour;

    DirDoc() = default;
    DirDoc(const std::string& text, CDocvaneDoc* ownerDoc);
};

// Sets the entry's path from text from the user or the project file: empty text empties it, absolute
// text is taken as it is, relative text (either separator) is resolved against the owner's folder.
void SetPath(PathDoc& entry, const std::string& text);
void SetPath(DirDoc& entry, const std::string& text);

// The stored form of the entry's path relative to the owner's folder (".\Plan.dwg").
std::string RelativePath(const PathDoc& entry);
std::string RelativePath(const DirDoc& entry);

}  // namespace docvane
