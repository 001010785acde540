// A second start hands its project over a local socket; the first instance opens only real projects.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "platform/SingleInstance.h"
#include "support/TestSupport.h"

namespace docvane {
namespace {

using test::TempDir;
using test::WriteFile;

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

TEST(SingleInstance, OneMessageIsReadUpToItsLimit) {
    TempDir dir;
    const std::string socket = dir / "DocvanePipe";
    std::mutex mutex;
    std::condition_variable arrived;
    std::vector<std::size_t> sizes;
    InstanceListener listener;
    ASSERT_TRUE(listener.Start(socket, [&](const std::string& message) {
        std::lock_guard<std::mutex> lock(mutex);
        sizes.push_back(message.size());
        arrived.notify_all();
    }));
    EXPECT_TRUE(SendToRunningInstance(socket, std::string(70000, 'a')));
    EXPECT_TRUE(SendToRunningInstance(socket, std::string(10, 'b')));
    std::unique_lock<std::mutex> lock(mutex);
    arrived.wait_for(lock, std::chrono::seconds(5), [&] { return sizes.size() >= 2; });
    EXPECT_EQ(sizes, (std::vector<std::size_t>{InstanceListener::kMaxMessage, 10}));
}

}  // namespace
}  // namespace docvane
