#include "platform/InstanceSocket.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/RunningObjectDirectory.h"

namespace docvane {

namespace {

// How long a connected client may take to deliver its message.
constexpr int kClientTimeoutMs = 2000;

bool FillAddress(const std::string& path, sockaddr_un& address) {
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address.sun_path) {
        return false;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

int ConnectTo(const std::string& path) {
    sockaddr_un address;
    if (!FillAddress(path, address)) {
        return -1;
    }
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return -1;
    }
    if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

bool WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = send(fd, data, size, MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// Reads until the client closes, the limit is reached or the client stalls.
std::string ReadMessage(int fd) {
    std::string message;
    char buffer[4096];
    while (message.size() < InstanceListener::kMaxMessage) {
        pollfd p{fd, POLLIN, 0};
        const int ready = poll(&p, 1, kClientTimeoutMs);
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            break;
        }
        const std::size_t want = std::min(sizeof buffer, InstanceListener::kMaxMessage - message.size());
        const ssize_t n = recv(fd, buffer, want, 0);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        message.append(buffer, static_cast<std::size_t>(n));
    }
    return message;
}

}  // namespace

std::string InstanceSocketPath() {
    const std::string folder = UserRuntimeDirectory();
    return folder.empty() ? std::string() : folder + "/DocvanePipe";
}

bool SendToRunningInstance(const std::string& socketPath, const std::string& bytes) {
    const int fd = ConnectTo(socketPath);
    if (fd < 0) {
        return false;
    }
    const bool written = WriteAll(fd, bytes.data(), bytes.size());
    close(fd);
    return written;
}

InstanceListener::~InstanceListener() {
    Stop();
}

bool InstanceListener::Start(const std::string& socketPath,
                             std::function<void(const std::string& message)> onMessage) {
    if (listenFd_ >= 0) {
        return false;
    }
    sockaddr_un address;
    if (!FillAddress(socketPath, address)) {
        return false;
    }
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    if (bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        // A socket file nobody answers on is what an ended instance leaves behind; one that answers
        // belongs to a running instance and stays.
        if (errno != EADDRINUSE) {
            close(fd);
            return false;
        }
        const int probe = ConnectTo(socketPath);
        if (probe >= 0) {
            close(probe);
            close(fd);
            return false;
        }
        unlink(socketPath.c_str());
        if (bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
            close(fd);
            return false;
        }
    }
    if (listen(fd, 8) != 0 || pipe2(wakeFds_, O_CLOEXEC) != 0) {
        close(fd);
        unlink(socketPath.c_str());
        return false;
    }
    path_ = socketPath;
    onMessage_ = std::move(onMessage);
    listenFd_ = fd;
    thread_ = std::thread([this] { Serve(); });
    return true;
}

void InstanceListener::Serve() {
    for (;;) {
        pollfd fds[2] = {{listenFd_, POLLIN, 0}, {wakeFds_[0], POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        if (fds[1].revents != 0) {
            return;
        }
        if ((fds[0].revents & POLLIN) == 0) {
            continue;
        }
        const int client = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) {
            continue;
        }
        const std::string message = ReadMessage(client);
        close(client);
        if (onMessage_) {
            onMessage_(message);
        }
    }
}

void InstanceListener::Stop() {
    if (listenFd_ < 0) {
        return;
    }
    const char wake = 1;
    [[maybe_unused]] const ssize_t n = write(wakeFds_[1], &wake, 1);
    if (thread_.joinable()) {
        thread_.join();
    }
    close(listenFd_);
    close(wakeFds_[0]);
    close(wakeFds_[1]);
    listenFd_ = -1;
    wakeFds_[0] = wakeFds_[1] = -1;
    unlink(path_.c_str());
}

}  // namespace docvane
