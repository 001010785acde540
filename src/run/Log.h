#pragma once
// Log lines of a publication. Callable from any thread; each call returns once the line is shown.
#include <string>

namespace docvane {

void LogInfo(const std::string& text);     // "[?] " + text
void LogSuccess(const std::string& text);  // "[+] " + text
void LogWarning(const std::string& text);  // "[!] " + text; the run's severity becomes at least 2
void LogError(const std::string& text);    // "[X] " + text; the run's severity becomes 3

}  // namespace docvane
