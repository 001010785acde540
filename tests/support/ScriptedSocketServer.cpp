#include "support/ScriptedSocketServer.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

#include "automation/WireCodec.h"

namespace docvane::test {

bool ScriptedPeer::ReadExactly(char* data, std::size_t size) {
    while (size > 0) {
        struct pollfd poller {};
        poller.fd = fd_;
        poller.events = POLLIN;
        const int ready = ::poll(&poller, 1, 50);
        if (stop_) {
            return false;
        }
        if (ready <= 0) {
            continue;
        }
        const auto count = ::recv(fd_, data, size, 0);
        if (count <= 0) {
            return false;
        }
        data += count;
        size -= static_cast<std::size_t>(count);
    }
    return true;
}

std::optional<nlohmann::json> ScriptedPeer::Read() {
    unsigned char header[kWireHeaderSize];
    if (!ReadExactly(reinterpret_cast<char*>(header), sizeof header)) {
        return std::nullopt;
    }
    const auto length = DecodeFrameHeader(header);
    if (!length) {
        return std::nullopt;
    }
    std::string body(*length, '\0');
    if (!ReadExactly(body.data(), body.size())) {
        return std::nullopt;
    }
    return ParseMessage(body);
}

void ScriptedPeer::WriteRaw(const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const auto count = ::send(fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (count <= 0) {
            return;
        }
        done += static_cast<std::size_t>(count);
    }
}

void ScriptedPeer::Write(const nlohmann::json& message) {
    const std::string body = DumpMessage(message);
    const auto header = EncodeFrameHeader(static_cast<std::uint32_t>(body.size()));
    WriteRaw(std::string(header.begin(), header.end()) + body);
}

bool ScriptedPeer::AcceptHello(int version) {
    const auto hello = Read();
    if (!hello || hello->value("op", "") != "hello") {
        return false;
    }
    Write({{"op", "hello"}, {"version", version}, {"status", "ok"}, {"root", {{"t", "object"}, {"v", 1}}}});
    return true;
}

ScriptedSocketServer::ScriptedSocketServer(std::string path, Handler handler)
    : path_(std::move(path)), handler_(std::move(handler)) {
    listener_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    struct sockaddr_un address {};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path_.c_str(), sizeof address.sun_path - 1);
    ::unlink(path_.c_str());
    if (::bind(listener_, reinterpret_cast<struct sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener_, 8) != 0) {
        ::close(listener_);
        listener_ = -1;
        return;
    }
    thread_ = std::thread([this] { Run(); });
}

ScriptedSocketServer::~ScriptedSocketServer() {
    stop_ = true;
    if (thread_.joinable()) {
        thread_.join();
    }
    if (listener_ >= 0) {
        ::close(listener_);
    }
    ::unlink(path_.c_str());
}

void ScriptedSocketServer::Run() {
    while (!stop_) {
        struct pollfd poller {};
        poller.fd = listener_;
        poller.events = POLLIN;
        if (::poll(&poller, 1, 50) <= 0) {
            continue;
        }
        const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) {
            continue;
        }
        ScriptedPeer peer(fd, stop_);
        handler_(peer);
        ::close(fd);
    }
}

ScriptedSocketServer::Handler ScriptedSocketServer::Answering(
    std::function<std::optional<nlohmann::json>(const nlohmann::json&)> respond,
    std::vector<nlohmann::json>* received, std::mutex* receivedMutex) {
    return [respond = std::move(respond), received, receivedMutex](ScriptedPeer& peer) {
        if (!peer.AcceptHello()) {
            return;
        }
        while (auto message = peer.Read()) {
            if (received != nullptr) {
                std::lock_guard<std::mutex> lock(*receivedMutex);
                received->push_back(*message);
            }
            if (message->value("op", "") == "release") {
                continue;
            }
            if (auto reply = respond(*message)) {
                peer.Write(*reply);
            }
        }
    };
}

}  // namespace docvane::test
