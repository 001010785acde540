#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "publish/Cancel.h"
#include "publish/IntervalTimer.h"
#include "publish/Log.h"
#include "publish/MainWindowChannel.h"
#include "publish/PublishState.h"
#include "support/TestSupport.h"

namespace docvane {
namespace {

class LogChannelTest : public ::testing::Test {
  protected:
    void SetUp() override {
        GetPublishState().running = false;
        GetPublishState().severity = 0;
    }
    void TearDown() override { SetUp(); }
    test::RecordingChannel channel_;
};

TEST_F(LogChannelTest, HelpersPrefixLinesAndRaiseSeverityOnly) {
    LogInfo("a");
    EXPECT_EQ(GetPublishState().severity, 0);
    LogSuccess("b");
    EXPECT_EQ(GetPublishState().severity, 0);
    LogWarning("c");
    EXPECT_EQ(GetPublishState().severity, 2);
    LogError("d");
    EXPECT_EQ(GetPublishState().severity, 3);
    LogWarning("e");  // never lowered during a run
    EXPECT_EQ(GetPublishState().severity, 3);
    const auto lines = channel_.Lines();
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], std::make_pair(0, std::string("[?] a")));
    EXPECT_EQ(lines[1], std::make_pair(1, std::string("[+] b")));
    EXPECT_EQ(lines[2], std::make_pair(2, std::string("[!] c")));
    EXPECT_EQ(lines[3], std::make_pair(3, std::string("[X] d")));
}

TEST_F(LogChannelTest, CancelWarnsOnlyWhileARunIsInProgress) {
    RequestCancel();
    EXPECT_TRUE(channel_.Lines().empty());
    GetPublishState().running = true;
    RequestCancel();
    EXPECT_FALSE(GetPublishState().running);
    ASSERT_EQ(channel_.Texts(), std::vector<std::string>{"[!] Отмена публикации..."});
    EXPECT_EQ(GetPublishState().severity, 2);
    RequestCancel();  // the flag is already clear: nothing more
    EXPECT_EQ(channel_.Lines().size(), 1u);
}

TEST_F(LogChannelTest, LinesFromManyThreadsArriveWhole) {
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < 100; ++i) {
                LogWarning(std::to_string(t) + ":" + std::to_string(i));
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(channel_.Lines().size(), 400u);
    EXPECT_EQ(GetPublishState().severity, 2);
}

TEST(ElapsedTimeTest, FormatsHoursMinutesSecondsWrappingAfterADay) {
    const unsigned long long second = 10000000ULL;
    EXPECT_EQ(FormatElapsed(0), "[00:00:00]");
    EXPECT_EQ(FormatElapsed(3661 * second), "[01:01:01]");
    EXPECT_EQ(FormatElapsed(25 * 3600 * second), "[01:00:00]");
    EXPECT_EQ(FormatElapsed(59 * second + second / 2), "[00:00:59]");
}

TEST(IntervalTimerTest, TicksUntilStoppedAndIgnoresASecondStart) {
    IntervalTimer timer;
    std::atomic<int> ticks = 0;
    std::atomic<int> other = 0;
    timer.Start([&ticks] { ++ticks; }, 10);
    timer.Start([&other] { ++other; }, 10);  // running: the callback is not replaced
    for (int i = 0; i < 200 && ticks < 3; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(timer.IsRunning());
    timer.Stop();
    EXPECT_FALSE(timer.IsRunning());
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const int afterStop = ticks;
    EXPECT_GE(afterStop, 3);
    EXPECT_EQ(other, 0);
    EXPECT_EQ(timer.Elapsed(), static_cast<std::uint64_t>(afterStop) * 10 * 10000);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(ticks, afterStop);
    timer.Start([] {}, 10);  // a restart begins counting from zero
    EXPECT_LT(timer.Elapsed(), static_cast<std::uint64_t>(afterStop) * 10 * 10000);
    timer.Stop();
}

}  // namespace
}  // namespace docvane
