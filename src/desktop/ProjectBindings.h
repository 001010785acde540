#pragma once
// The project fields the ribbon's check, number and text boxes edit.
#include <string>

namespace docvane {

class CDocvaneDoc;

// The flag a check box shows; null for an id that is not a project check box.
bool* ProjectFlag(CDocvaneDoc& project, int id);
// The number a number box shows; null for an id that is not a project number box.
int* ProjectNumber(CDocvaneDoc& project, int id);
// The text a text box or the format list shows; null for other ids.
std::string* ProjectText(CDocvaneDoc& project, int id);

// Inverts the bound flag and marks the project modified. False for an unknown id.
bool ToggleProjectFlag(CDocvaneDoc& project, int id);
// Stores the number box's text as ParseNumberBox reads it, no range check; marks modified.
bool StoreProjectNumber(CDocvaneDoc& project, int id, const std::string& text);
// Stores the text; marks modified.
bool StoreProjectText(CDocvaneDoc& project, int id, const std::string& text);

}  // namespace docvane
