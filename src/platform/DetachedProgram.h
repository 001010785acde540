#pragma once
#include <string>
#include <vector>

namespace docvane {

// Starts argv[0] (searched on PATH when searchPath is set) as a program of its own, never through a
// shell, and reaps it in the background so the caller neither waits for it nor leaves a zombie.
bool StartDetachedProgram(const std::vector<std::string>& argv, bool searchPath);

}  // namespace docvane
