#include "support/LocalHttpServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

namespace docvane::test {

LocalHttpServer::LocalHttpServer() {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    ::listen(listener_, 16);
    thread_ = std::thread([this] { Serve(); });
}

LocalHttpServer::~LocalHttpServer() {
    stop_ = true;
    thread_.join();
    ::close(listener_);
}

void LocalHttpServer::Set(const std::string& path, Answer answer) {
    std::lock_guard<std::mutex> lock(mutex_);
    answers_[path] = std::move(answer);
}

void LocalHttpServer::Remove(const std::string& path) {
    std::lock_guard<std::mutex> lock(mutex_);
    answers_.erase(path);
}

std::string LocalHttpServer::BaseUrl() const {
    return "http://127.0.0.1:" + std::to_string(port_);
}

int LocalHttpServer::Requests(const std::string& path) const {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = requests_.find(path);
    return it == requests_.end() ? 0 : it->second;
}

void LocalHttpServer::Serve() {
    while (!stop_) {
        pollfd p{listener_, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0) {
            continue;
        }
        const int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client >= 0) {
            Handle(client);
            ::close(client);
        }
    }
}

void LocalHttpServer::Handle(int client) {
    std::string request;
    char buffer[4096];
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (request.find("\r\n\r\n") == std::string::npos && std::chrono::steady_clock::now() < deadline) {
        pollfd p{client, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0) {
            continue;
        }
        const ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
        if (n <= 0) {
            return;
        }
        request.append(buffer, static_cast<size_t>(n));
    }
    const auto firstSpace = request.find(' ');
    const auto secondSpace = request.find(' ', firstSpace + 1);
    const std::string path =
        firstSpace == std::string::npos ? "" : request.substr(firstSpace + 1, secondSpace - firstSpace - 1);
    Answer answer{404, "not found", Mode::Normal};
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ++requests_[path];
        auto it = answers_.find(path);
        if (it != answers_.end()) {
            answer = it->second;
        }
    }
    if (answer.mode == Mode::Silent) {
        // Hold the connection without a word until the client gives up or the test ends.
        while (!stop_) {
            pollfd p{client, POLLIN, 0};
            if (::poll(&p, 1, 50) > 0 && ::recv(client, buffer, sizeof buffer, 0) <= 0) {
                return;
            }
        }
        return;
    }
    std::string head = "HTTP/1.0 " + std::to_string(answer.status) +
                       " X\r\nContent-Length: " + std::to_string(answer.body.size()) +
                       "\r\nConnection: close\r\n\r\n";
    std::string body = answer.body;
    if (answer.mode == Mode::CutShort) {
        body.resize(body.size() / 2);
    }
    const std::string all = head + body;
    size_t sent = 0;
    while (sent < all.size()) {
        const ssize_t n = ::send(client, all.data() + sent, all.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) {
            return;
        }
        sent += static_cast<size_t>(n);
    }
}

}  // namespace docvane::test
