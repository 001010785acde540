// The worker's calls reach the window on the user-interface thread, one at a time, in order, and the
// caller waits for each; a closed channel never keeps a caller waiting.
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/thread.h>

#include <atomic>
#include <thread>
#include <vector>

#include "GuiHarness.h"
#include "ui/WindowChannel.h"

namespace docvane::gui {
namespace {

// Records the calls it handles and on which thread.
class RecordingWindow : public MainWindowChannel, public ProjectHandOver {
  public:
    void LogLine(LogKind kind, const std::string& line) override {
        Record(std::to_string(static_cast<int>(kind)) + line);
    }
    void OpenProject(const std::string& path) override { Record("open " + path); }
    void PublishStateChanged(RunState state) override {
        Record("state " + std::to_string(static_cast<int>(state)));
    }
    void RefreshViews(CDocvaneDoc*) override { Record("views"); }
    void ElapsedTime(bool show) override { Record("time " + std::to_string(show ? 1 : 0)); }
    void RefreshRibbon() override { Record("ribbon"); }

    std::vector<std::string> calls;
    std::atomic<int> handled = 0;
    bool allOnUiThread = true;

  private:
    void Record(const std::string& call) {
        allOnUiThread = allOnUiThread && wxThread::IsMain();
        calls.push_back(call);
        ++handled;
    }
};

TEST(WindowChannel, CallsFromAWorkerArriveInOrderAndEachWaitsForItsHandler) {
    RecordingWindow window;
    CWindowChannel channel(*wxTheApp, window, window);
    std::atomic<bool> eachReturnedAfterItsHandler = true;
    std::atomic<bool> done = false;
    std::thread worker([&] {
        for (int i = 0; i < 40; ++i) {
            channel.LogLine(static_cast<LogKind>(i % 4), "line " + std::to_string(i));
            if (window.handled.load() != i + 1) {
                eachReturnedAfterItsHandler = false;
            }
        }
        channel.PublishStateChanged(kRunEnded);
        channel.ElapsedTime(false);
        done = true;
    });
    ASSERT_TRUE(PumpUntil([&] { return done.load(); }, 10000));
    worker.join();
    ASSERT_EQ(window.calls.size(), 42u);
    for (int i = 0; i < 40; ++i) {
        EXPECT_EQ(window.calls[static_cast<std::size_t>(i)],
                  std::to_string(i % 4) + "line " + std::to_string(i));
    }
    EXPECT_EQ(window.calls[40], "state -1");
    EXPECT_EQ(window.calls[41], "time 0");
    EXPECT_TRUE(window.allOnUiThread);
    EXPECT_TRUE(eachReturnedAfterItsHandler);

    // A call made on the user-interface thread runs at once, without the event loop.
    channel.RefreshRibbon();
    EXPECT_EQ(window.calls.back(), "ribbon");
}

TEST(WindowChannel, ClosingReleasesAWaitingWorkerAndRefusesLaterCalls) {
    RecordingWindow window;
    CWindowChannel channel(*wxTheApp, window, window);
    std::atomic<bool> returned = false;
    // The user-interface thread is busy (it does not run the event loop) while the worker calls.
    std::thread worker([&] {
        channel.OpenProject("/p.dv1");
        returned = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EXPECT_FALSE(returned.load());
    channel.Close();
    worker.join();
    EXPECT_TRUE(returned.load());
    channel.RefreshRibbon();
    Pump(100);  // the queued call, if any, finds the channel closed
    EXPECT_TRUE(window.calls.empty());
}

}  // namespace
}  // namespace docvane::gui
