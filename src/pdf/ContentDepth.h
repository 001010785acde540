#pragma once
// How a page's content moves the graphics-state stack: content with more "Q" than "q" pops states it
// never saved (the guard placed around it, so what is drawn after it inherits the content's state),
// and content with more "q" leaves its own states on the stack.
#include <string_view>

namespace docvane {

struct StateDepth {
    int lowest = 0;  // the lowest depth reached, relative to the start (0 or below)
    int end = 0;     // the depth after the content
    bool Balanced() const { return lowest == 0 && end == 0; }
};

// Follows the "q" and "Q" operators of content (strings, comments and inline image data are skipped),
// continuing from depth (content streams of a page are one sequence).
void FollowStateDepth(std::string_view content, StateDepth& depth);

}  // namespace docvane
