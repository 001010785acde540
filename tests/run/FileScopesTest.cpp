#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "run/Cancel.h"
#include "run/Log.h"
#include "run/PublishState.h"
#include "support/TestSupport.h"

namespace docvane {
namespace {

// What a thread publishing one file of a parallel run keeps to itself until the run takes it over.
class FileScopesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        GetPublishState().running = true;
        GetPublishState().severity = 0;
    }
    void TearDown() override {
        GetPublishState().running = false;
        GetPublishState().severity = 0;
    }
    test::RecordingChannel channel_;
};

TEST_F(FileScopesTest, CapturedLinesWaitWithTheirSeverityUntilShownAndOtherThreadsLogOnTheirOwn) {
    std::vector<CapturedLine> taken;
    {
        ScopedLogCapture capture;
        LogInfo("a");
        {
            ScopedLogCapture inner;  // the innermost capture takes the lines; its lines are dropped here
            LogError("ausgeworfen");
        }
        LogWarning("b");
        std::thread([] { LogInfo("other thread"); }).join();
        EXPECT_EQ(CapturedLineCount(), 2u);
        EXPECT_TRUE(LogIsCaptured());
        taken = capture.Take();
    }
    EXPECT_FALSE(LogIsCaptured());
    EXPECT_EQ(channel_.Texts(), std::vector<std::string>{"[?] other thread"});
    EXPECT_EQ(GetPublishState().severity, 0);
    for (const CapturedLine& line : taken) {
        ShowCapturedLine(line);
    }
    EXPECT_EQ(channel_.Texts(), (std::vector<std::string>{"[?] other thread", "[?] a", "[!] b"}));
    EXPECT_EQ(GetPublishState().severity, 2);
}

TEST_F(FileScopesTest, ACancelOnAFileStopsThatFileAloneAndTheRunsStopReachesEveryFile) {
    std::atomic<bool> stopped = false;
    {
        ScopedFileStop file(stopped);
        EXPECT_TRUE(RunGoesOn());
        RequestCancel();
        EXPECT_TRUE(stopped);
        EXPECT_FALSE(RunGoesOn());
        EXPECT_TRUE(FileStopRequested());
        RequestCancel();  // no second warning for a file already stopped
    }
    EXPECT_TRUE(GetPublishState().running);
    EXPECT_TRUE(RunGoesOn());
    EXPECT_EQ(channel_.Texts(), std::vector<std::string>{"[!] Отмена публикации..."});

    std::atomic<bool> untouched = false;
    ScopedFileStop file(untouched);
    GetPublishState().running = false;  // Stop
    EXPECT_FALSE(RunGoesOn());
    EXPECT_FALSE(untouched);
}

}  // namespace
}  // namespace docvane
