#pragma once
#include <cstdio>
#include <string>
#include <vector>

namespace docvane::cli {

// Each command takes its own arguments (without the command name) and returns the exit status.
int RunStatus(const std::vector<std::string>& args);
int RunSaveAs(const std::vector<std::string>& args);
int RunPublish(const std::vector<std::string>& args);

// Exit statuses shared by the commands.
inline constexpr int kExitOk = 0;
inline constexpr int kExitWarning = 1;
inline constexpr int kExitError = 2;
inline constexpr int kExitNeedsPublishing = 3;  // also: a publication that ended with warnings

void PrintUsage(std::FILE* out);

}  // namespace docvane::cli
