#include "automation/RemoteConnection.h"

#include <algorithm>
#include <cctype>
#include <exception>
#include <limits>
#include <nlohmann/json.hpp>

#include "automation/Automation.h"
#include "automation/AutomationValue.h"
#include "automation/WireCodec.h"

namespace docvane {

using nlohmann::json;

namespace {
constexpr const char* kNoAnswer = "сервер автоматизации не отвечает или завершился";
constexpr DispatchStatus kDispatchNoNamedArgs = static_cast<DispatchStatus>(0x80020007);

const char* KindName(InvokeKind kind) {
    switch (kind) {
        case InvokeKind::Method:
            return "method";
        case InvokeKind::PropertyGet:
            return "get";
        case InvokeKind::PropertyPut:
            return "put";
    }
    return "method";
}

std::string Lowered(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// The status a reply names; nullopt when it names none.
std::optional<DispatchStatus> ReplyStatus(const json& reply) {
    const auto field = reply.find("status");
    if (field == reply.end() || !field->is_string()) {
        return std::nullopt;
    }
    return StatusFromWire(field->get_ref<const std::string&>());
}
}  // namespace

AutomationObject RemoteConnection::Open(std::unique_ptr<MessageChannel> channel, const RemoteOptions& options,
                                        std::shared_ptr<ServerProcess> server) {
    if (channel == nullptr) {
        return {};
    }
    try {
        auto connection = std::make_shared<RemoteConnection>(std::move(channel), options, std::move(server));
        AutomationValue root;
        if (!connection->Handshake(root) || root.Tag() != ValueTag::Object) {
            connection->Break();
            return {};
        }
        return root.AsObject();
    } catch (const std::exception&) {
        return {};
    }
}

RemoteConnection::RemoteConnection(std::unique_ptr<MessageChannel> channel, const RemoteOptions& options,
                                   std::shared_ptr<ServerProcess> server)
    : channel_(std::move(channel)), options_(options), server_(std::move(server)) {}

RemoteConnection::~RemoteConnection() {
    channel_->Close();
    if (server_ != nullptr && !server_->WaitForExit(options_.serverExit)) {
        server_->Terminate();
        server_->WaitForExit(options_.serverExit);
    }
}

bool RemoteConnection::IsBroken() const {
    std::lock_guard<std::recursive_mutex> lock(callMutex_);
    return broken_;
}

void RemoteConnection::Break() {
    std::lock_guard<std::recursive_mutex> lock(callMutex_);
    if (!broken_) {
        broken_ = true;
        channel_->Close();
    }
}

std::optional<json> RemoteConnection::Exchange(const json& request, DispatchStatus& status) {
    std::string body;
    if (!Request(DumpMessage(request), body)) {
        status = kDispatchServerGone;
        SetLastCallError(kNoAnswer);
        return std::nullopt;
    }
    auto reply = ParseMessage(body);
    const auto replied = reply ? ReplyStatus(*reply) : std::nullopt;
    if (!replied) {
        Break();
        status = kDispatchServerGone;
        SetLastCallError(kNoAnswer);
        return std::nullopt;
    }
    status = *replied;
    if (status < 0) {
        // The server's own words for the failure, for the error line of the step that needed the call.
        const auto error = reply->find("error");
        SetLastCallError(error != reply->end() && error->is_string() ? error->get<std::string>()
                                                                     : std::string());
        return std::nullopt;
    }
    return reply;
}

bool RemoteConnection::Request(const std::string& request, std::string& reply) {
    // Only the caller of the request waits for its reply, so a silent peer costs one bounded wait.
    if (broken_ || !channel_->Send(request, options_.callTimeout) ||
        !channel_->Receive(reply, options_.callTimeout)) {
        Break();
        return false;
    }
    return true;
}

bool RemoteConnection::Handshake(AutomationValue& root) {
    std::lock_guard<std::recursive_mutex> lock(callMutex_);
    std::string body;
    if (!Request(DumpMessage(json{{"op", "hello"}, {"version", kWireProtocolVersion}}), body)) {
        return false;
    }
    const auto reply = ParseMessage(body);
    if (!reply) {
        return false;
    }
    const auto status = ReplyStatus(*reply);
    const auto version = reply->find("version");
    const auto rootField = reply->find("root");
    if (!status || *status < 0 || version == reply->end() || *version != kWireProtocolVersion ||
        rootField == reply->end()) {
        return false;
    }
    auto value = ValueFromWire(
        *rootField, [this](std::int64_t id, std::int64_t classNumber) { return ProxyFor(id, classNumber); });
    if (!value) {
        return false;
    }
    root = std::move(*value);
    return true;
}

AutomationObject RemoteConnection::ProxyFor(std::int64_t id, std::int64_t classNumber) {
    std::lock_guard<std::mutex> lock(proxyMutex_);
    auto& slot = proxies_[id];
    if (auto existing = slot.lock()) {
        existing->AddReference();
        return AutomationObject(std::shared_ptr<Dispatch>(existing));
    }
    auto proxy = std::make_shared<RemoteDispatch>(shared_from_this(), id, classNumber);
    slot = proxy;
    return AutomationObject(std::shared_ptr<Dispatch>(proxy));
}

std::optional<std::int64_t> RemoteConnection::IdOf(const AutomationObject& object) const {
    if (object.IsNull()) {
        return 0;
    }
    const auto* proxy = dynamic_cast<const RemoteDispatch*>(object.Get());
    if (proxy == nullptr || proxy->Connection() != this) {
        return std::nullopt;  // an object of this process or of another server
    }
    return proxy->Id();
}

void RemoteConnection::Release(std::int64_t objectId, std::int64_t count) {
    {
        std::lock_guard<std::mutex> lock(proxyMutex_);
        if (const auto slot = proxies_.find(objectId); slot != proxies_.end() && slot->second.expired()) {
            proxies_.erase(slot);
        }
    }
    {
        std::lock_guard<std::mutex> lock(releaseMutex_);
        pendingReleases_.emplace_back(objectId, count);
    }
    // A thread that is in the middle of a call sends the release before its next request.
    std::unique_lock<std::recursive_mutex> lock(callMutex_, std::try_to_lock);
    if (lock.owns_lock()) {
        FlushReleases();
    }
}

void RemoteConnection::FlushReleases() {
    std::vector<std::pair<std::int64_t, std::int64_t>> releases;
    {
        std::lock_guard<std::mutex> lock(releaseMutex_);
        releases.swap(pendingReleases_);
    }
    for (const auto& [id, count] : releases) {
        if (broken_) {
            return;  // closing the connection gives everything back
        }
        try {
            if (!channel_->Send(DumpMessage(json{{"op", "release"}, {"object", id}, {"count", count}}),
                                options_.callTimeout)) {
                Break();
            }
        } catch (const std::exception&) {
            Break();
        }
    }
}

DispatchStatus RemoteConnection::Lookup(std::int64_t objectId, std::int64_t classNumber,
                                        const std::string& name, std::int32_t& dispid) {
    try {
        std::lock_guard<std::recursive_mutex> lock(callMutex_);
        FlushReleases();
        if (broken_) {
            return kDispatchServerGone;
        }
        auto& cache = classNumber > 0 ? classDispids_ : dispids_;
        auto key = std::make_pair(classNumber > 0 ? classNumber : objectId, Lowered(name));
        if (const auto known = cache.find(key); known != cache.end()) {
            dispid = known->second;
            return kDispatchOk;
        }
        DispatchStatus status = kDispatchOk;
        const auto reply = Exchange(json{{"op", "lookup"}, {"object", objectId}, {"name", name}}, status);
        if (!reply) {
            return status;
        }
        const auto field = reply->find("dispid");
        if (field == reply->end() || !field->is_number_integer() || field->get<std::int64_t>() < INT32_MIN ||
            field->get<std::int64_t>() > INT32_MAX) {
            Break();
            return kDispatchServerGone;
        }
        dispid = field->get<std::int32_t>();
        // Ids and class numbers of a connection are never reused and members do not change. A name
        // the server does not know is asked again: it costs a call only where a call fails anyway.
        cache.emplace(std::move(key), dispid);
        return kDispatchOk;
    } catch (const std::exception&) {
        Break();
        return kDispatchServerGone;
    }
}

DispatchStatus RemoteConnection::Invoke(std::int64_t objectId, std::int32_t dispid, InvokeKind kind,
                                        const DispatchParams& params, AutomationValue* result) {
    AutomationValue value;
    DispatchStatus outcome = kDispatchOk;
    try {
        std::lock_guard<std::recursive_mutex> lock(callMutex_);
        FlushReleases();
        if (broken_) {
            return kDispatchServerGone;
        }
        // The dispatch interface lays arguments out last first, a put's new value ahead of them as
        // its one named argument; the wire carries them in the call's own order and the value apart.
        const bool isPut = kind == InvokeKind::PropertyPut;
        if (isPut && params.namedArgs != std::vector<std::int32_t>{kDispidPropertyPut}) {
            return kDispatchParamNotFound;
        }
        if (!isPut && !params.namedArgs.empty()) {
            return kDispatchNoNamedArgs;
        }
        if (isPut && params.args.empty()) {
            return kDispatchBadParamCount;
        }
        const auto toWire = [this](const AutomationValue& arg) {
            return ValueToWire(arg, [this](const AutomationObject& object) { return IdOf(object); });
        };
        const auto positional = params.args.rend() - (isPut ? 1 : 0);
        json args = json::array();
        for (auto arg = params.args.rbegin(); arg != positional; ++arg) {
            auto wire = toWire(*arg);
            if (!wire) {
                return kDispatchTypeMismatch;
            }
            args.push_back(std::move(*wire));
        }
        json request{{"op", "invoke"},
                     {"object", objectId},
                     {"dispid", dispid},
                     {"kind", KindName(kind)},
                     {"args", std::move(args)}};
        if (isPut) {
            auto newValue = toWire(params.args.front());
            if (!newValue) {
                return kDispatchTypeMismatch;
            }
            request["value"] = std::move(*newValue);
        }
        const auto reply = Exchange(request, outcome);
        if (!reply) {
            return outcome;
        }
        if (const auto field = reply->find("result"); field != reply->end()) {
            auto decoded = ValueFromWire(*field, [this](std::int64_t id, std::int64_t classNumber) {
                return ProxyFor(id, classNumber);
            });
            if (!decoded) {
                Break();
                return kDispatchServerGone;
            }
            value = std::move(*decoded);
        }
    } catch (const std::exception&) {
        Break();
        return kDispatchServerGone;
    }
    // Outside the lock: the value replaced here may hold the last copy of another proxy.
    if (result != nullptr) {
        *result = std::move(value);
    }
    return outcome;
}

RemoteDispatch::~RemoteDispatch() {
    connection_->Release(id_, references_.load());
}

namespace {
// A call that failed because the link is gone says so, whichever step of it noticed.
DispatchStatus NamedFailure(DispatchStatus status) {
    if (status == kDispatchServerGone && LastCallError().empty()) {
        SetLastCallError(kNoAnswer);
    }
    return status;
}
}  // namespace

DispatchStatus RemoteDispatch::GetIDsOfNames(const std::string& name, std::uint32_t /*locale*/,
                                             std::int32_t& dispid) {
    return NamedFailure(connection_->Lookup(id_, classNumber_, name, dispid));
}

DispatchStatus RemoteDispatch::Invoke(std::int32_t dispid, std::uint32_t /*locale*/, InvokeKind kind,
                                      const DispatchParams& params, AutomationValue* result) {
    return NamedFailure(connection_->Invoke(id_, dispid, kind, params, result));
}

}  // namespace docvane
