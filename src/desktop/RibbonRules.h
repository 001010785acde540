#pragma once
// Decisions behind the ribbon's project boxes: which elements may edit, how number boxes read their
// text, how wide the path boxes are.
#include <string>

namespace docvane {

class CDocvaneDoc;

// An element that edits a project is enabled exactly when the active project is not the one being
// published; "no project" counts as a value of its own on both sides.
bool IsEditingEnabled(const CDocvaneDoc* active, const CDocvaneDoc* published);

// The number a number box stores: leading blanks and a sign allowed, digits up to the first other
// character, 0 when there are none. Values beyond the int range saturate.
int ParseNumberBox(const std::string& text);

// Width of the three path boxes: W is the width of the "Главная" category minus its other panels.
inline constexpr int kPathBoxInitialWidth = 300;
int FitPathBoxWidth(int categoryWidth, int otherPanelsWidth);

}  // namespace docvane
