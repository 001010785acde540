#pragma once
// A whole publication against the fake drawing program and the fake word processor: the process-wide
// sessions are wired to the fakes, the project lives in a temporary folder, and every log line is
// recorded.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "automation/word/fakes/FakeWordServer.h"
#include "project/DocvaneDoc.h"
#include "support/AcadTestBed.h"

namespace docvane::test {

class WorkerTest : public ::testing::Test {
  protected:
    WorkerTest();
    ~WorkerTest() override;

    // A ready PDF, a drawing with sheets, a word-processor document: written to src/ and listed.
    FileDoc& AddPdf(const std::string& name, std::int64_t mtime = 1000);
    FileDoc& AddDrawing(const std::string& name, const std::vector<std::string>& sheets,
                        std::int64_t mtime = 1000);
    FileDoc& AddWordDocument(const std::string& name, std::int64_t mtime = 1000);

    // Runs the worker on this thread and returns the log lines.
    std::vector<std::string> Publish(bool fast);
    std::string Src(const std::string& name) const { return bed.dir / ("src/" + name); }
    std::string Out(const std::string& relative) const { return bed.dir / ("out/" + relative); }

    AcadTestBed bed;
    FakeWordServer word;
    ScopedWordServer installedWord{&word};
    CDocvaneDoc project;
    std::vector<std::string> opened;  // combined PDFs the run asked to open
    std::map<std::string, FakeDrawing> drawings;
};

}  // namespace docvane::test
