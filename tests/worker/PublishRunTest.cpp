// A run reports to the sink and drives the sessions it was handed, and however it ends, it ends once.
#include "worker/PublishRun.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <mutex>

#include "run/Cancel.h"
#include "run/PublishState.h"
#include "run/RunSink.h"
#include "support/WorkerTestBed.h"
#include "worker/PublishWorker.h"

namespace docvane::test {
namespace {

using ::testing::Contains;
using ::testing::Not;

// A sink that is not installed anywhere: whatever reaches it was sent to the run's own sink.
class RecordingSink : public RunSink {
  public:
    void LogLine(LogKind, const std::string& line) override { Record("log:" + line); }
    void PublishStateChanged(RunState state) override {
        Record("state:" + std::to_string(static_cast<int>(state)));
    }
    void RefreshViews(CDocvaneDoc*) override { Record("views"); }
    void ElapsedTime(bool show) override { Record(show ? "elapsed:1" : "elapsed:0"); }

    std::vector<std::string> Events() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return events_;
    }

  private:
    void Record(const std::string& event) {
        std::lock_guard<std::mutex> lock(mutex_);
        events_.push_back(event);
    }
    mutable std::mutex mutex_;
    std::vector<std::string> events_;
};

long Count(const std::vector<std::string>& items, const std::string& item) {
    return std::count(items.begin(), items.end(), item);
}

struct Ending {
    const char* name;
    std::function<void()> arrange;
    const char* finalPrefix;  // of "Публикация окончена."
};

class PublishRunTest : public WorkerTest {
  protected:
    PublishRunTest() {
        // The process's own session can start nothing: a run that used it instead of the handed-in one
        // could not open a drawing.
        GetAcadSession().SetProcessStarter(nullptr);
    }
};

TEST_F(PublishRunTest, EveryEndingReachesTheRunsSinkOnceThroughTheHandedInSession) {
    const std::vector<Ending> endings = {
        {"success", [] {}, "[+] "},
        {"missing source", [this] { project.AppendFile(Src("Gone.dwg")); }, "[X] "},
        {"failed export", [this] { WriteFile(Out("PDF"), "a file, not a folder"); }, "[X] "},
        {"cancel during a step",
         [this] {
             bed.configureStarted = [this](FakeAcadServer& server) {
                 for (const auto& [path, drawing] : drawings) {
                     server.AddDrawing(path, drawing);
                 }
                 server.hangOn = "-EXPORT";
                 server.onBusyPoll = [] { RequestCancel(); };
             };
         },
         "[!] "},
        {"no temporary folder", [this] { project.propertyDoc.tempDir.clear(); }, "[X] "},
    };
    for (const Ending& ending : endings) {
        SCOPED_TRACE(ending.name);
        project.fileDocs.clear();
        std::filesystem::remove_all(bed.dir / "out");
        project.propertyDoc.tempDir = bed.dir / "tmp";
        bed.configureStarted = [this](FakeAcadServer& server) {
            for (const auto& [path, drawing] : drawings) {
                server.AddDrawing(path, drawing);
            }
        };
        AddDrawing("Plan.dwg", {"A1"});
        ending.arrange();
        bed.channel.Clear();
        RecordingSink sink;

        PublishRun run(project, PublishMode::Full, RunSessions{&bed.session, nullptr}, &sink);
        run.Execute();

        const auto log = bed.channel.Texts();
        ASSERT_FALSE(log.empty());
        EXPECT_EQ(log.back(), std::string(ending.finalPrefix) + "Публикация окончена.");
        EXPECT_EQ(std::count_if(log.begin(), log.end(),
                                [](const std::string& line) {
                                    return line.find("Публикация окончена.") != std::string::npos;
                                }),
                  1);
        const auto events = sink.Events();
        ASSERT_GE(events.size(), 3u);
        EXPECT_EQ(events.front(), "state:0");
        EXPECT_EQ(Count(events, "state:-1"), 1);
        EXPECT_EQ(Count(events, "elapsed:0"), 1);
        EXPECT_EQ(events[events.size() - 2], "elapsed:0");
        EXPECT_EQ(events.back(), "state:-1");
        // The process channel carries the lines only; the run's events went to its sink.
        for (const auto& event : bed.channel.Events()) {
            EXPECT_EQ(event.rfind("log:", 0), 0u) << event;
        }
        EXPECT_FALSE(GetPublishState().running);
        EXPECT_FALSE(bed.session.IsAttached());  // the end stopped the session the run was given
    }
    // A drawing was opened: through the handed-in session, since the process's could start nothing.
    EXPECT_THAT(bed.channel.Texts(), Not(Contains("[X] Не могу запустить процесс AutoCad")));
    EXPECT_FALSE(bed.servers.empty());
}

TEST_F(PublishRunTest, TheSuccessfulRunPublishesWithTheHandedInSession) {
    AddDrawing("Plan.dwg", {"A1", "A2"});
    RecordingSink sink;
    PublishRun run(project, PublishMode::Full, RunSessions{&bed.session, nullptr}, &sink);
    run.Execute();
    EXPECT_TRUE(Exists(Out("PDF/Plan.pdf")));
    EXPECT_THAT(project.File(0).sheetNames, ::testing::ElementsAre("A1", "A2"));
    EXPECT_EQ(bed.servers.size(), 1u);
    EXPECT_TRUE(bed.Started()->HasQuit());
    EXPECT_EQ(Count(sink.Events(), "views"), 2);  // publishing, then published
}

TEST(PublishJobTest, TheFinishedCallbackRunsLastOnceTheNextJobMayStart) {
    CDocvaneDoc project;
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    bool activeWhenFinished = true;
    bool ranBefore = false;
    bool workerRan = false;
    ASSERT_TRUE(StartPublishJob(PublishJob{true, &project, [&](CDocvaneDoc*, bool) { workerRan = true; },
                                           [&] {
                                               std::lock_guard<std::mutex> lock(mutex);
                                               ranBefore = workerRan;
                                               activeWhenFinished = IsWorkerActive();
                                               finished = true;
                                               done.notify_all();
                                           }}));
    std::unique_lock<std::mutex> lock(mutex);
    ASSERT_TRUE(done.wait_for(lock, std::chrono::seconds(10), [&] { return finished; }));
    EXPECT_TRUE(ranBefore);
    EXPECT_FALSE(activeWhenFinished);
}

}  // namespace
}  // namespace docvane::test
