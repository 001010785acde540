#include "platform/UnixSocketChannel.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <thread>

#include "automation/WireCodec.h"

namespace docvane {

namespace {
using Clock = std::chrono::steady_clock;

// Waits for events on fd until deadline; false on timeout or error.
bool WaitFor(int fd, short events, Clock::time_point deadline) {
    while (true) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() < 0) {
            return false;
        }
        struct pollfd poller {};
        poller.fd = fd;
        poller.events = events;
        const int ready =
            ::poll(&poller, 1, static_cast<int>(std::min<long long>(left.count() + 1, 1 << 30)));
        if (ready > 0) {
            return true;  // errors and hang-ups show in the following read or write
        }
        if (ready < 0 && errno != EINTR) {
            return false;
        }
    }
}

// The socket is tried before it is waited for: a request and its reply take a few hundred
// microseconds, and a poll ahead of every read and write made up a good part of that.
bool WriteAll(int fd, const char* data, std::size_t size, Clock::time_point deadline) {
    while (size > 0) {
        const auto written = ::send(fd, data, size, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            if ((errno == EAGAIN || errno == EWOULDBLOCK) && WaitFor(fd, POLLOUT, deadline)) {
                continue;
            }
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

// A socket address for path; false when the path does not fit.
bool SocketAddress(const std::string& path, struct sockaddr_un& address) {
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address.sun_path || path.find('\0') != std::string::npos) {
        return false;
    }
    std::memcpy(address.sun_path, path.data(), path.size());
    return true;
}
}  // namespace

UnixSocketChannel::~UnixSocketChannel() {
    Close();
}

void UnixSocketChannel::Close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

bool UnixSocketChannel::Send(const std::string& body, std::chrono::milliseconds timeout) {
    if (fd_ < 0 || body.empty() || body.size() > kWireMaxFrame) {
        return false;
    }
    const auto deadline = Clock::now() + timeout;
    // One write per frame: a header sent on its own wakes the peer for four bytes, and it then
    // waits again for the rest.
    const auto header = EncodeFrameHeader(static_cast<std::uint32_t>(body.size()));
    std::string frame;
    frame.reserve(header.size() + body.size());
    frame.append(reinterpret_cast<const char*>(header.data()), header.size());
    frame.append(body);
    return WriteAll(fd_, frame.data(), frame.size(), deadline);
}

bool UnixSocketChannel::Fill(std::size_t count, std::chrono::steady_clock::time_point deadline) {
    char chunk[16 * 1024];  // replies are small; a large one takes a few rounds
    while (inbox_.size() < count) {
        const auto received = ::recv(fd_, chunk, sizeof chunk, MSG_DONTWAIT);
        if (received == 0) {
            return false;  // the peer closed
        }
        if (received < 0) {
            if (errno == EINTR) {
                continue;
            }
            if ((errno == EAGAIN || errno == EWOULDBLOCK) && WaitFor(fd_, POLLIN, deadline)) {
                continue;
            }
            return false;
        }
        inbox_.append(chunk, static_cast<std::size_t>(received));
    }
    return true;
}

bool UnixSocketChannel::Receive(std::string& body, std::chrono::milliseconds timeout) {
    if (fd_ < 0) {
        return false;
    }
    const auto deadline = Clock::now() + timeout;
    if (!Fill(kWireHeaderSize, deadline)) {
        return false;
    }
    const auto length = DecodeFrameHeader(reinterpret_cast<const unsigned char*>(inbox_.data()));
    if (!length || !Fill(kWireHeaderSize + *length, deadline)) {
        return false;
    }
    body.assign(inbox_, kWireHeaderSize, *length);
    // Bytes past this frame (the start of the next one) stay for the next call.
    inbox_.erase(0, kWireHeaderSize + *length);
    return true;
}

std::unique_ptr<UnixSocketChannel> ConnectUnixSocket(const std::string& path,
                                                     std::chrono::milliseconds timeout) {
    struct sockaddr_un address {};
    if (!SocketAddress(path, address)) {
        return nullptr;
    }
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        return nullptr;
    }
    auto channel = std::make_unique<UnixSocketChannel>(fd);
    const auto deadline = Clock::now() + timeout;
    while (::connect(fd, reinterpret_cast<const struct sockaddr*>(&address), sizeof address) != 0) {
        // A listener whose backlog is full refuses for now: try again as long as the caller allows.
        if ((errno != EAGAIN && errno != EINTR) || Clock::now() >= deadline) {
            return nullptr;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return channel;
}

bool SocketIsAbandoned(const std::string& path) {
    struct sockaddr_un address {};
    if (!SocketAddress(path, address)) {
        return false;
    }
    if (::access(path.c_str(), F_OK) != 0) {
        return errno == ENOENT;
    }
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        return false;
    }
    const bool refused =
        ::connect(fd, reinterpret_cast<const struct sockaddr*>(&address), sizeof address) != 0 &&
        errno == ECONNREFUSED;
    ::close(fd);
    return refused;
}

}  // namespace docvane
