#pragma once
// A tiny HTTP/1.0 server on 127.0.0.1 for tests of network clients: fixed answers per path, and answers
// that break off mid-body or never come.
#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>

namespace docvane::test {

class LocalHttpServer {
  public:
    enum class Mode { Normal, CutShort, Silent };
    struct Answer {
        int status = 200;
        std::string body;
        Mode mode = Mode::Normal;
    };

    LocalHttpServer();
    ~LocalHttpServer();
    LocalHttpServer(const LocalHttpServer&) = delete;
    LocalHttpServer& operator=(const LocalHttpServer&) = delete;

    void Set(const std::string& path, Answer answer);
    void Remove(const std::string& path);
    // "http://127.0.0.1:<port>"
    std::string BaseUrl() const;
    int Requests(const std::string& path) const;

  private:
    void Serve();
    void Handle(int client);

    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::map<std::string, Answer> answers_;
    std::map<std::string, int> requests_;
    std::thread thread_;
};

}  // namespace docvane::test
