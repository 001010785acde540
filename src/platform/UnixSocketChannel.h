#pragma once
// Frames over a Unix-domain stream socket, every wait bounded.
#include <chrono>
#include <memory>
#include <string>

#include "automation/RemoteConnection.h"

namespace docvane {

class UnixSocketChannel : public MessageChannel {
  public:
    explicit UnixSocketChannel(int fd) : fd_(fd) {}
    ~UnixSocketChannel() override;
    UnixSocketChannel(const UnixSocketChannel&) = delete;
    UnixSocketChannel& operator=(const UnixSocketChannel&) = delete;

    bool Send(const std::string& body, std::chrono::milliseconds timeout) override;
    // False as well for a frame that announces no bytes or more than the protocol allows.
    bool Receive(std::string& body, std::chrono::milliseconds timeout) override;
    void Close() override;

  private:
    // Reads until the inbox holds at least count bytes; false when the peer closed or is silent.
    bool Fill(std::size_t count, std::chrono::steady_clock::time_point deadline);

    int fd_;
    std::string inbox_;  // bytes received and not yet handed out
};

// A channel connected to the socket at path; null when nobody accepts there within timeout.
std::unique_ptr<UnixSocketChannel> ConnectUnixSocket(const std::string& path,
                                                     std::chrono::milliseconds timeout);

// True when path is certainly no live socket: missing, or nobody listening (connection refused).
bool SocketIsAbandoned(const std::string& path);

}  // namespace docvane
