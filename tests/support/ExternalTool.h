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

namespace docvane::test {

// Apache PDFBox's PDF/A-1b preflight of the file: its verdict line and the errors it lists.
std::string PdfA1bPreflight(const std::string& path);
// Whether that preflight finds the file a valid PDF/A-1b file.
bool ConformsToPdfA1b(const std::string& path);

}  // namespace docvane::test
