#pragma once
// docvane-cli run end to end as a user runs it, each run with its settings in a folder of the test's own.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "support/RunProgram.h"
#include "support/TestSupport.h"

namespace docvane::test {

// The <fileDoc> of one project file, by its path relative to the project (".\\src\\A.pdf").
std::string FileDocXml(const std::string& relative);
// A project file: the combined PDF, the PDF and editable-copy folders (left out when empty), the files.
std::string ProjectXml(const std::string& combined, const std::string& pdfDir, const std::string& editDir,
                       const std::vector<std::string>& files);

class CliTest : public ::testing::Test {
  protected:
    // Runs docvane-cli with the arguments; env_ adds to (or overrides) the private settings folder.
    ProgramResult Cli(const std::vector<std::string>& args) const;

    TempDir config_;
    TempDir dir_;  // the scratch folder the project and its outputs live in
    std::map<std::string, std::string> env_;
};

}  // namespace docvane::test
