#pragma once
#include <string>

namespace docvane {

// Opens a file or folder with the desktop's default program ("xdg-open", started directly, never
// through a shell). False when the opener could not be started.
bool OpenWithDesktop(const std::string& path);

}  // namespace docvane
