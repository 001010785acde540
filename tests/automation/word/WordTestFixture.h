#pragma once
// A project with a temporary folder and both output folders, a fake word processor installed as
// "Word.Application", a recording log channel and a running publication.
#include <gtest/gtest.h>

#include <string>

#include "automation/word/WordSession.h"
#include "automation/word/fakes/FakeWordServer.h"
#include "project/DocvaneDoc.h"
#include "run/PublishState.h"
#include "support/TestSupport.h"

namespace docvane::test {

class WordTestFixture : public ::testing::Test {
  protected:
    IsolatedSettings settings_;
    RecordingChannel channel_;
    TempDir dir_;
    FakeWordServer server_;
    ScopedWordServer installed_{&server_};
    CDocvaneDoc project_;
    WordSession session_;

    void SetUp() override {
        project_.propertyDoc.projectDir = dir_.Path();
        project_.propertyDoc.tempDir = dir_ / "temp";
        project_.pdfDir.fullPath = dir_ / "PDF";
        project_.editDir.fullPath = dir_ / "EDIT";
        GetPublishState().running = true;
        GetPublishState().severity = 0;
    }

    void TearDown() override {
        GetPublishState().running = false;
        GetPublishState().severity = 0;
    }

    // A source file on disk that the fake can open, and its project entry.
    FileDoc& AddSource(const std::string& name) {
        const std::string path = dir_ / ("src/" + name);
        WriteFile(path, "source " + name);
        server_.AddDocument(path);
        return project_.AppendFile(path);
    }

    FakeDocument& Model(const FileDoc& file) { return *server_.documents.at(file.fullPath); }

    // Starts the fake word processor and opens the file in it.
    void OpenInWord(const FileDoc& file) {
        session_.StartWord();
        ASSERT_TRUE(session_.OpenWordDocument(file));
        server_.log->clear();
    }
};

}  // namespace docvane::test
