#pragma once
#include <map>
#include <string>
#include <vector>

namespace docvane::test {

struct ProgramResult {
    int exitCode = -1;  // -1 when the program did not end normally
    std::string out;
    std::string err;
};

// Runs a program (no shell) with extra environment variables, capturing both output streams.
ProgramResult RunProgram(const std::vector<std::string>& argv,
                         const std::map<std::string, std::string>& env = {});

}  // namespace docvane::test
