// A second start hands its project over a local socket; the first instance opens only real projects.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "app/SettingsStore.h"
#include "desktop/InstanceMessage.h"
#include "desktop/RecentFiles.h"
#include "desktop/SingleInstance.h"
#include "platform/SettingsFile.h"
#include "support/TestSupport.h"

namespace docvane {
namespace {

using test::TempDir;
using test::WriteFile;

TEST(InstanceMessage, Utf16WithItsNulRoundTrips) {
    EXPECT_EQ(EncodeInstanceMessage(""), std::string("\0\0", 2));
    EXPECT_EQ(EncodeInstanceMessage("a/b"), std::string("a\0/\0b\0\0\0", 8));
    EXPECT_EQ(EncodeInstanceMessage("Я"), std::string("\x2F\x04\0\0", 4));
    for (const std::string path : {"/tmp/Проект.dv1", "/x/😀 plan.dv1", "", "/a b/c"}) {
        EXPECT_EQ(DecodeInstanceMessage(EncodeInstanceMessage(path)), path);
    }
    // Text ends at the first NUL, or with the bytes; an odd byte is dropped.
    EXPECT_EQ(DecodeInstanceMessage(std::string("a\0\0\0b\0", 6)), "a");
    EXPECT_EQ(DecodeInstanceMessage(std::string("a\0b\0c", 5)), "ab");
    // A lone surrogate cannot become UTF-8.
    EXPECT_EQ(DecodeInstanceMessage(std::string("\x00\xD8"
                                                "a\0",
                                                4)),
              "\xEF\xBF\xBD"
              "a");
}

TEST(InstanceMessage, OnlyExistingProjectFilesAreOpened) {
    TempDir dir;
    WriteFile(dir / "p.dv1", "<docvane/>");
    WriteFile(dir / "CAPS.DV1", "<docvane/>");
    WriteFile(dir / "notes.txt", "x");
    mkdir((dir / "folder.dv1").c_str(), 0700);
    EXPECT_TRUE(IsProjectPathToOpen(dir / "p.dv1"));
    EXPECT_TRUE(IsProjectPathToOpen(dir / "CAPS.DV1"));
    EXPECT_FALSE(IsProjectPathToOpen(dir / "notes.txt"));
    EXPECT_FALSE(IsProjectPathToOpen(dir / "missing.dv1"));
    EXPECT_FALSE(IsProjectPathToOpen(dir / "folder.dv1"));
    EXPECT_FALSE(IsProjectPathToOpen(""));
}

// Collects what the server hands on, with a wait for the listener thread.
class Received {
  public:
    void Add(const std::string& path) {
        std::lock_guard<std::mutex> lock(mutex_);
        paths_.push_back(path);
        changed_.notify_all();
    }
    std::vector<std::string> WaitFor(std::size_t count) {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait_for(lock, std::chrono::seconds(5), [&] { return paths_.size() >= count; });
        return paths_;
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::string> paths_;
};

TEST(SingleInstance, SecondStartsHandOverProjectsAndBadPathsAreIgnored) {
    TempDir dir;
    const std::string socket = dir / "DocvanePipe";
    WriteFile(dir / "a.dv1", "<docvane/>");
    WriteFile(dir / "B.DV1", "<docvane/>");
    WriteFile(dir / "t.txt", "x");

    EXPECT_FALSE(HandOverToRunningInstance(socket, dir / "a.dv1"));  // nobody runs yet

    Received received;
    InstanceServer server;
    ASSERT_TRUE(server.Start(socket, [&](const std::string& p) { received.Add(p); }));
    InstanceServer second;
    EXPECT_FALSE(second.Start(socket, [](const std::string&) {}));  // the first keeps serving

    EXPECT_TRUE(HandOverToRunningInstance(socket, dir / "t.txt"));
    EXPECT_TRUE(HandOverToRunningInstance(socket, ""));
    EXPECT_TRUE(HandOverToRunningInstance(socket, dir / "a.dv1"));
    EXPECT_TRUE(HandOverToRunningInstance(socket, dir / "B.DV1"));
    const auto paths = received.WaitFor(2);
    EXPECT_EQ(paths, (std::vector<std::string>{dir / "a.dv1", dir / "B.DV1"}));

    server.Stop();
    EXPECT_FALSE(HandOverToRunningInstance(socket, dir / "a.dv1"));
}

TEST(SingleInstance, SocketLeftByAnEndedInstanceIsTakenOver) {
    TempDir dir;
    const std::string socket = dir / "DocvanePipe";
    WriteFile(socket, "");  // stands for a socket file nobody answers on
    Received received;
    InstanceServer server;
    ASSERT_TRUE(server.Start(socket, [&](const std::string& p) { received.Add(p); }));
    WriteFile(dir / "a.dv1", "<docvane/>");
    EXPECT_TRUE(HandOverToRunningInstance(socket, dir / "a.dv1"));
    EXPECT_EQ(received.WaitFor(1), std::vector<std::string>{dir / "a.dv1"});
}

TEST(RecentFiles, EightEntriesMostRecentFirstKeptInTheStore) {
    TempDir dir;
    SettingsFile store(dir / "settings.xml");
    RecentFiles recent;
    for (int i = 1; i <= 10; ++i) {
        recent.Add("/p/" + std::to_string(i) + ".dv1");
    }
    recent.Add("/p/5.dv1");  // moves to the top
    recent.Add("");
    ASSERT_EQ(recent.Entries().size(), RecentFiles::kMaxEntries);
    EXPECT_EQ(recent.Entries().front(), "/p/5.dv1");
    EXPECT_EQ(recent.Entries()[1], "/p/10.dv1");
    EXPECT_EQ(recent.Entries().back(), "/p/3.dv1");  // 10..3, with 5 moved up
    recent.Save(store);
    ASSERT_TRUE(store.Save());

    SettingsFile reread(dir / "settings.xml");
    RecentFiles loaded;
    loaded.Load(reread);
    EXPECT_EQ(loaded.Entries(), recent.Entries());

    loaded.Remove("/p/10.dv1");
    loaded.Save(reread);
    RecentFiles shorter;
    shorter.Load(reread);
    EXPECT_EQ(shorter.Entries().size(), RecentFiles::kMaxEntries - 1);
    EXPECT_FALSE(reread.GetText("Recent File List", "File8").has_value());
}

}  // namespace
}  // namespace docvane
