#pragma once
// The single-instance channel: a Unix-domain socket "DocvanePipe" in the user's private runtime folder.
// A second start connects and writes one message; the first instance serves the socket on a thread.
#include <atomic>
#include <functional>
#include <string>
#include <thread>

namespace docvane {

// UserRuntimeDirectory()/DocvanePipe; empty when there is no private runtime folder.
std::string InstanceSocketPath();

// Connects to a running instance at socketPath and writes bytes. False when no instance answers
// (nothing listens, the socket is stale or missing) or the write failed.
bool SendToRunningInstance(const std::string& socketPath, const std::string& bytes);

// Serves socketPath: one message (at most 65534 bytes, read until the client closes) per connection,
// handed to the callback on the listener thread.
class InstanceListener {
  public:
    static constexpr std::size_t kMaxMessage = 65534;

    InstanceListener() = default;
    ~InstanceListener();
    InstanceListener(const InstanceListener&) = delete;
    InstanceListener& operator=(const InstanceListener&) = delete;

    // False when the socket cannot be created, for instance because another instance serves it; a
    // socket file left behind by an ended instance is replaced.
    bool Start(const std::string& socketPath, std::function<void(const std::string& message)> onMessage);
    // Stops serving and removes the socket file; waits for a callback in progress to return.
    void Stop();

  private:
    void Serve();

    std::string path_;
    std::function<void(const std::string&)> onMessage_;
    int listenFd_ = -1;
    int wakeFds_[2] = {-1, -1};
    std::thread thread_;
};

}  // namespace docvane
