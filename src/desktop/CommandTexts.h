#pragma once
// Labels, key tips and tooltips of the main window's commands (UTF-8).
#include <string>

namespace docvane {

struct CommandText {
    int id;
    const char* label;        // empty for icon-only elements
    const char* keyTip;       // empty when none
    const char* description;  // tooltip description
    const char* title;        // tooltip title, empty when the tooltip is a description only
};

// The text record of a command; null for an unknown id.
const CommandText* FindCommandText(int id);

// The label of a command; empty for an unknown id.
std::string CommandLabel(int id);

// The tooltip as one text: the title, a line break, the description; only the description when
// there is no title; empty for an unknown id.
std::string CommandTooltip(int id);

}  // namespace docvane
