#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "run/Cancel.h"
#include "run/IntervalTimer.h"
#include "run/Log.h"
#include "run/MainWindowChannel.h"
#include "run/PublishState.h"
#include "support/ManualClock.h"
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

TEST(IntervalTimerTest, TicksOnWholeIntervalsOfTheClockUntilStoppedAndIgnoresASecondStart) {
    test::ScopedManualClock clock;
    std::atomic<int> ticks = 0;
    std::atomic<int> other = 0;
    const std::uint64_t second = 10000000ULL;
    {
        IntervalTimer timer;
        EXPECT_EQ(timer.Elapsed(), 0u);
        timer.Start([&ticks] { ++ticks; }, 1000);
        timer.Start([&other] { ++other; }, 10);  // running: neither callback nor interval replaced
        ASSERT_TRUE(clock->WaitForSleepers(1));
        clock->Advance(std::chrono::milliseconds(999));
        EXPECT_EQ(timer.Elapsed(), 0u);  // counted in whole intervals
        clock->Advance(std::chrono::milliseconds(2001));
        EXPECT_EQ(timer.Elapsed(), 3 * second);
        // The ticking thread catches up with every interval it slept through, then sleeps again.
        ASSERT_TRUE(clock->WaitForSleepers(1));
        for (int i = 0; i < 500 && ticks < 3; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        EXPECT_EQ(ticks, 3);
        EXPECT_EQ(other, 0);
        EXPECT_TRUE(timer.IsRunning());

        clock->Advance(std::chrono::milliseconds(500));
        timer.Stop();
        EXPECT_FALSE(timer.IsRunning());
        clock->Advance(std::chrono::seconds(10));
        EXPECT_EQ(timer.Elapsed(), 3 * second);  // kept after the stop, no longer counting
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        EXPECT_EQ(ticks, 3);  // no tick after the stop

        timer.Start([] {}, 1000);  // a restart counts from zero again
        EXPECT_EQ(timer.Elapsed(), 0u);
        clock->Advance(std::chrono::seconds(1));
        EXPECT_EQ(timer.Elapsed(), second);
    }
    EXPECT_EQ(ticks, 3);
}

}  // namespace
}  // namespace docvane
