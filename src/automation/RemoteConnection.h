#pragma once
// Late-bound objects of another process reached through a message channel: one connection per
// channel, a proxy Dispatch per remote object id, reference counts given back when the last copy of
// a proxy goes. Every failure of the channel or of the peer ends in a failed call, never a throw.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "automation/AutomationObject.h"
#include "automation/ServerProcess.h"

namespace docvane {

// A bidirectional stream of frames. Each call waits at most timeout; false means the channel is
// unusable (closed, timed out, broken framing).
class MessageChannel {
  public:
    virtual ~MessageChannel() = default;
    virtual bool Send(const std::string& body, std::chrono::milliseconds timeout) = 0;
    virtual bool Receive(std::string& body, std::chrono::milliseconds timeout) = 0;
    virtual void Close() = 0;
};

struct RemoteOptions {
    // Bounds one request and its reply (and the handshake): a peer silent for longer is gone. The
    // default is the drawing session's "no answer" bound (AcadLimits::unanswered).
    std::chrono::milliseconds callTimeout{std::chrono::seconds(60)};
    // After the connection closes, how long a server this connection started may take to end
    // before it is terminated.
    std::chrono::milliseconds serverExit{std::chrono::seconds(5)};
};

class RemoteDispatch;

class RemoteConnection : public std::enable_shared_from_this<RemoteConnection> {
  public:
    // Shakes hands over channel and returns the root object, null when the peer does not answer as
    // a server of this protocol. The connection lives as long as any object of it; server, when
    // given, is the process started for this connection (ended with it).
    static AutomationObject Open(std::unique_ptr<MessageChannel> channel, const RemoteOptions& options,
                                 std::shared_ptr<ServerProcess> server = nullptr);

    RemoteConnection(std::unique_ptr<MessageChannel> channel, const RemoteOptions& options,
                     std::shared_ptr<ServerProcess> server);
    ~RemoteConnection();
    RemoteConnection(const RemoteConnection&) = delete;
    RemoteConnection& operator=(const RemoteConnection&) = delete;

    // classNumber is the number the server gave the object's class (0: none). Objects of one class
    // have the same members, so a name is looked up once per class instead of once per object.
    DispatchStatus Lookup(std::int64_t objectId, std::int64_t classNumber, const std::string& name,
                          std::int32_t& dispid);
    DispatchStatus Invoke(std::int64_t objectId, std::int32_t dispid, InvokeKind kind,
                          const DispatchParams& params, AutomationValue* result);
    // Gives count references of objectId back (sent now when the connection is free, else before
    // the next request).
    void Release(std::int64_t objectId, std::int64_t count);
    bool IsBroken() const;

  private:
    bool Handshake(AutomationValue& root);
    // Sends request and reads its reply; false (and the connection broken) on any failure.
    bool Request(const std::string& request, std::string& reply);
    // One request and its parsed reply: the reply when the server answered with success (status then
    // holds its status), nothing otherwise (status holds the failure; a garbled reply breaks the link).
    std::optional<nlohmann::json> Exchange(const nlohmann::json& request, DispatchStatus& status);
    void FlushReleases();
    void Break();
    AutomationObject ProxyFor(std::int64_t id, std::int64_t classNumber);
    std::optional<std::int64_t> IdOf(const AutomationObject& object) const;

    std::unique_ptr<MessageChannel> channel_;
    const RemoteOptions options_;
    std::shared_ptr<ServerProcess> server_;

    mutable std::recursive_mutex callMutex_;  // one request at a time; a proxy may go during a call
    bool broken_ = false;
    std::map<std::pair<std::int64_t, std::string>, std::int32_t> dispids_;       // by object id
    std::map<std::pair<std::int64_t, std::string>, std::int32_t> classDispids_;  // by class number

    std::mutex releaseMutex_;
    std::vector<std::pair<std::int64_t, std::int64_t>> pendingReleases_;

    std::mutex proxyMutex_;
    std::map<std::int64_t, std::weak_ptr<RemoteDispatch>> proxies_;
};

// The Dispatch of one remote object.
class RemoteDispatch : public Dispatch {
  public:
    RemoteDispatch(std::shared_ptr<RemoteConnection> connection, std::int64_t id, std::int64_t classNumber)
        : connection_(std::move(connection)), id_(id), classNumber_(classNumber) {}
    ~RemoteDispatch() override;
    RemoteDispatch(const RemoteDispatch&) = delete;
    RemoteDispatch& operator=(const RemoteDispatch&) = delete;

    DispatchStatus GetIDsOfNames(const std::string& name, std::uint32_t locale,
                                 std::int32_t& dispid) override;
    DispatchStatus Invoke(std::int32_t dispid, std::uint32_t locale, InvokeKind kind,
                          const DispatchParams& params, AutomationValue* result) override;

    std::int64_t Id() const { return id_; }
    const RemoteConnection* Connection() const { return connection_.get(); }
    bool Unreachable() const override { return connection_ == nullptr || connection_->IsBroken(); }
    void AddReference() { ++references_; }

  private:
    std::shared_ptr<RemoteConnection> connection_;
    const std::int64_t id_;
    const std::int64_t classNumber_;           // 0 when the server named no class
    std::atomic<std::int64_t> references_{1};  // references the peer gave for this id
};

}  // namespace docvane
