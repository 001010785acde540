#pragma once
#include <string>

namespace docvane {

// The drawing program to start when none is running: the server the class registry names for
// "AutoCAD.Application", otherwise the stand-in drawing server installed beside this program
// ("docvane-acad-server"); empty text when neither exists as an executable file.
std::string FindAcadExecutable();

}  // namespace docvane
