#pragma once
#include <string>

namespace docvane {

// The drawing program to start when none is running: the stand-in drawing server installed beside
// this program ("docvane-acad-server"), or empty text when there is none.
std::string FindAcadExecutable();

}  // namespace docvane
