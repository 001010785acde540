#pragma once
#include <string_view>
#include <vector>

#include "desktop/ColourRun.h"

namespace docvane {

// Colours VBA text word by word: strings, "'" and "rem" comments, calls (a word directly followed by
// "(") and lower-case keywords. Positions are byte offsets into the UTF-8 text; every byte belongs to
// exactly one run.
std::vector<ColourRun> ColourVba(std::string_view text);

// Whether word is one of the editor's keywords, compared case-sensitively with the lower-case list.
bool IsVbaKeyword(std::string_view word);

}  // namespace docvane
