#pragma once
// Finding the file of a font face the way the desktop does.
#include <string>

namespace docvane {

// The file fontconfig matches for the face name, with the same alias rules as fc-match (so
// "Times New Roman" gives Liberation Serif); empty when nothing matches.
std::string FindFontFile(const std::string& faceName);

// Whether the file holds a single TrueType-outline font (not a collection, not CFF outlines): only
// such a font can be embedded as a subset of the glyphs a document uses.
bool IsTrueTypeFontFile(const std::string& path);

}  // namespace docvane
