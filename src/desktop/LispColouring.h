#pragma once
#include <string_view>
#include <vector>

#include "desktop/ColourRun.h"

namespace docvane {

// Colours LISP text: brackets, the function name after an opening bracket, ";" line comments and
// ";| ... |;" block comments, and strings with backslash-escaped quotes. Positions are byte offsets
// into the UTF-8 text; every byte belongs to exactly one run.
std::vector<ColourRun> ColourLisp(std::string_view text);

}  // namespace docvane
