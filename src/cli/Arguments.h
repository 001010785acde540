#pragma once
// What every command does with its arguments.
#include <string>
#include <vector>

namespace docvane::cli {

// True when the arguments ask for the command's help.
bool WantsHelp(const std::vector<std::string>& args);

// A path given on the command line, made absolute against the working folder.
std::string AbsolutePath(const std::string& path);

}  // namespace docvane::cli
