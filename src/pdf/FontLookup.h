#pragma once
// Finding the file of a font face the way the desktop does.
#include <string>

namespace docvane {

// The file fontconfig matches for the face name, with the same alias rules as fc-match (so
// "Times New Roman" gives Liberation Serif); empty when nothing matches.
std::string FindFontFile(const std::string& faceName);

}  // namespace docvane
