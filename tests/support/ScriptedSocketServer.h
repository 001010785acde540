#pragma once
// A server of the automation protocol inside the test process whose every answer the test scripts:
// well-behaved replies, silence, garbage, oversized frames, a closed connection.
#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "automation/WireCodec.h"

namespace docvane::test {

class ScriptedPeer {
  public:
    explicit ScriptedPeer(int fd, const std::atomic<bool>& stop) : fd_(fd), stop_(stop) {}
    // The next message; nullopt when the client closed, sent something unreadable or the test ends.
    std::optional<nlohmann::json> Read();
    void Write(const nlohmann::json& message);
    void WriteRaw(const std::string& bytes);
    // Answers the handshake with root object id 1 (version as given).
    bool AcceptHello(int version = kWireProtocolVersion);

  private:
    bool ReadExactly(char* data, std::size_t size);
    int fd_;
    const std::atomic<bool>& stop_;
};

class ScriptedSocketServer {
  public:
    using Handler = std::function<void(ScriptedPeer&)>;
    // Listens at path; each connection in turn is given to handler.
    ScriptedSocketServer(std::string path, Handler handler);
    ~ScriptedSocketServer();
    ScriptedSocketServer(const ScriptedSocketServer&) = delete;
    ScriptedSocketServer& operator=(const ScriptedSocketServer&) = delete;

    const std::string& Path() const { return path_; }

    // A handler that shakes hands and then answers each request with respond(request) (a release
    // is recorded and not answered); no answer when respond gives nullopt.
    static Handler Answering(std::function<std::optional<nlohmann::json>(const nlohmann::json&)> respond,
                             std::vector<nlohmann::json>* received = nullptr,
                             std::mutex* receivedMutex = nullptr);

  private:
    void Run();
    std::string path_;
    Handler handler_;
    int listener_ = -1;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace docvane::test
