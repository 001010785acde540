#pragma once
// Keyboard tips of the ribbon: Alt with a category's letter opens that category; a command's letter
// typed right after runs the command.
#include <optional>

namespace docvane {

// The categories, in tab order after the application menu.
enum class RibbonCategory { ApplicationMenu, Home, View, Pdf, Autocad, Word, Style };

// The category of Alt+letter (Latin, either case); nothing for other letters.
std::optional<RibbonCategory> CategoryOfKeyTip(char letter);

// The command of a letter typed while the category's tips are up; 0 for none. In "Стиль" the digits
// 1 to 5 pick the Office 2007 and Windows 7 looks.
int CommandOfKeyTip(RibbonCategory category, char letter);

}  // namespace docvane
