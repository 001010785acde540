#pragma once
// Running the independent PDF readers (qpdf, poppler) from tests, without a shell.
#include <string>
#include <vector>

namespace docvane::test {

struct ToolResult {
    int exitCode = -1;   // -1 when the program could not be started or did not exit normally
    std::string output;  // standard output
};

// Runs argv[0] found on PATH with the arguments, collecting its standard output; standard error is
// discarded.
ToolResult RunTool(const std::vector<std::string>& argv);

}  // namespace docvane::test
