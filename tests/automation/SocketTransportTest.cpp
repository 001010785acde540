#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <mutex>
#include <nlohmann/json.hpp>
#include <thread>

#include "automation/Automation.h"
#include "automation/RemoteConnection.h"
#include "automation/WireCodec.h"
#include "platform/PosixServerProcess.h"
#include "platform/RunningObjectDirectory.h"
#include "platform/SocketObjectTransport.h"
#include "support/ScriptedSocketServer.h"
#include "support/TestSupport.h"

namespace docvane {
namespace {

using nlohmann::json;
using std::chrono::milliseconds;
using test::ScriptedPeer;
using test::ScriptedSocketServer;
using Clock = std::chrono::steady_clock;

const std::string kSampleServer = std::string(DOCVANE_TEST_DATA) + "/../servers/sample_server.py";
constexpr milliseconds kCallBound(300);

SocketTransportOptions ShortOptions(const std::string& runningFolder = {}) {
    SocketTransportOptions options;
    options.remote.callTimeout = kCallBound;
    options.runningFolder = runningFolder;
    return options;
}

json Reply(json result) {
    return {{"status", "ok"}, {"result", std::move(result)}};
}

// Answers every lookup with dispid 1 and every call with its last argument.
std::optional<json> EchoLastArgument(const json& request) {
    if (request.value("op", "") == "lookup") {
        return json{{"status", "ok"}, {"dispid", 1}};
    }
    const json& args = request["args"];
    return Reply(args.empty() ? json{{"t", "empty"}} : args.back());
}

// A scripted server that records what it receives.
struct Recorded {
    std::mutex mutex;
    std::vector<json> messages;
    std::vector<json> Messages() {
        std::lock_guard<std::mutex> lock(mutex);
        return messages;
    }
    // How many lookups arrived, of any name when name is empty.
    std::ptrdiff_t Lookups(const std::string& name = {}) {
        const auto all = Messages();
        return std::count_if(all.begin(), all.end(), [&name](const json& m) {
            return m["op"] == "lookup" && (name.empty() || m["name"] == name);
        });
    }
    // Waits until a release of object id arrives; its count, or 0.
    std::int64_t ReleasedCount(std::int64_t id) {
        for (int attempt = 0; attempt < 200; ++attempt) {
            for (const auto& message : Messages()) {
                if (message.value("op", "") == "release" && message.value("object", 0) == id) {
                    return message.value("count", 0);
                }
            }
            std::this_thread::sleep_for(milliseconds(10));
        }
        return 0;
    }
};

bool ProcessGone(int pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const auto close = text.rfind(')');
    return text.empty() || close == std::string::npos || text.substr(close + 2, 1) == "Z";
}

bool WaitUntilGone(int pid, milliseconds bound) {
    const auto deadline = Clock::now() + bound;
    while (!ProcessGone(pid)) {
        if (Clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(milliseconds(20));
    }
    return true;
}

TEST(SocketTransportTest, EveryValueTagCrossesTheWireBothWays) {
    test::TempDir dir;
    Recorded recorded;
    ScriptedSocketServer server(dir / "s.sock", ScriptedSocketServer::Answering(
                                                    EchoLastArgument, &recorded.messages, &recorded.mutex));
    SocketObjectTransport transport(nullptr, ShortOptions());
    AutomationObject root = transport.Connect(server.Path());
    ASSERT_FALSE(root.IsNull());

    const float singleInfinity = std::numeric_limits<float>::infinity();
    const std::vector<std::pair<AutomationValue, std::string>> cases = {
        {AutomationValue(), "empty"},
        {AutomationValue::Int(std::numeric_limits<std::int32_t>::min()), "int"},
        {AutomationValue::Int(std::numeric_limits<std::int32_t>::max()), "int"},
        {AutomationValue::Text("Лист \"1\"\n\t\\ ✓"), "text"},
        {AutomationValue::Text(""), "text"},
        {AutomationValue::Bool(true), "bool"},
        {AutomationValue::Bool(false), "bool"},
        {AutomationValue::Omitted(), "omitted"},
        {AutomationValue::Single(0.1f), "single"},
        {AutomationValue::Single(singleInfinity), "single"},
        {AutomationValue::Double(1e300), "double"},
        {AutomationValue::Double(-std::numeric_limits<double>::infinity()), "double"},
        {AutomationValue::Object(AutomationObject()), "object"},
    };
    for (const auto& [value, wireTag] : cases) {
        SCOPED_TRACE(wireTag);
        AutomationValue back;
        ASSERT_TRUE(InvokeByName(root, "Echo", InvokeKind::Method, {value}, &back));
        EXPECT_EQ(recorded.Messages().back()["args"][0]["t"], wireTag);
        EXPECT_EQ(back.Tag(), value.Tag());
        EXPECT_EQ(back.AsInt(), value.AsInt());
        EXPECT_EQ(back.BoolBits(), value.BoolBits());
        EXPECT_EQ(back.AsText(), value.AsText());
        EXPECT_EQ(back.AsDouble(), value.AsDouble());
        EXPECT_TRUE(back.AsObject().IsNull());
    }
    AutomationValue notANumber;
    ASSERT_TRUE(InvokeByName(root, "Echo", InvokeKind::Method,
                             {AutomationValue::Double(std::numeric_limits<double>::quiet_NaN())},
                             &notANumber));
    EXPECT_TRUE(std::isnan(notANumber.AsDouble()));
    // A float beyond the single range arrives as an infinite single rather than undefined bits.
    recorded.messages.clear();
    ScriptedSocketServer wide(dir / "w.sock", ScriptedSocketServer::Answering([](const json& request) {
                                  if (request.value("op", "") == "lookup") {
                                      return std::optional<json>(json{{"status", "ok"}, {"dispid", 1}});
                                  }
                                  return std::optional<json>(Reply({{"t", "single"}, {"v", 1e300}}));
                              }));
    AutomationObject wideRoot = transport.Connect(wide.Path());
    EXPECT_EQ(CallMethod(wideRoot, "Big").AsDouble(), std::numeric_limits<double>::infinity());
}

TEST(SocketTransportTest, CallsCarryArgumentsReversedAndPutsTheirNamedValue) {
    test::TempDir dir;
    Recorded recorded;
    ScriptedSocketServer server(dir / "s.sock", ScriptedSocketServer::Answering(
                                                    EchoLastArgument, &recorded.messages, &recorded.mutex));
    SocketObjectTransport transport(nullptr, ShortOptions());
    AutomationObject root = transport.Connect(server.Path());
    ASSERT_FALSE(root.IsNull());

    EXPECT_EQ(
        CallMethod(root, "Join", {TextArgument("a"), AutomationValue::Int(2), TextArgument("c")}).AsText(),
        "c");
    ASSERT_TRUE(PutProperty(root, "Title", TextArgument("Plan")));
    EXPECT_EQ(GetPropertyAt(root, "Item", 3).AsInt(), 3);

    std::vector<json> calls;
    for (const auto& message : recorded.Messages()) {
        if (message["op"] == "invoke") {
            calls.push_back(message);
        }
    }
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0]["kind"], "method");
    EXPECT_EQ(calls[0]["args"],
              json::parse(R"([{"t":"text","v":"a"},{"t":"int","v":2},{"t":"text","v":"c"}])"));
    EXPECT_FALSE(calls[0].contains("value"));
    EXPECT_FALSE(calls[0].contains("named"));
    EXPECT_EQ(calls[1]["kind"], "put");
    EXPECT_EQ(calls[1]["value"], json::parse(R"({"t":"text","v":"Plan"})"));
    EXPECT_EQ(calls[1]["args"], json::array());
    EXPECT_FALSE(calls[1].contains("named"));
    EXPECT_EQ(calls[2]["kind"], "get");
    EXPECT_EQ(calls[2]["args"], json::parse(R"([{"t":"int","v":3}])"));
    EXPECT_EQ(recorded.Lookups(), 3);
    // A name already looked up on an object is not asked again.
    CallMethod(root, "JOIN", {TextArgument("x")});
    EXPECT_EQ(recorded.Lookups(), 3);
}

TEST(SocketTransportTest, NamesAreLookedUpOncePerClassTheServerNames) {
    test::TempDir dir;
    Recorded recorded;
    // "Item" n answers object n; objects 5 and 6 share class 2, object 7 is of class 3 and object 8
    // comes without a class. Only "Missing" is unknown.
    ScriptedSocketServer server(dir / "s.sock",
                                ScriptedSocketServer::Answering(
                                    [](const json& request) -> std::optional<json> {
                                        if (request["op"] == "lookup") {
                                            return request["name"] == "Missing"
                                                       ? json{{"status", "unknown-name"}}
                                                       : json{{"status", "ok"},
                                                              {"dispid", request["name"] == "Item" ? 1 : 2}};
                                        }
                                        if (request["object"] != 1) {
                                            return Reply({{"t", "int"}, {"v", request["object"]}});
                                        }
                                        const std::int64_t id = request["args"][0]["v"];
                                        json object{{"t", "object"}, {"v", id}};
                                        if (id != 8) {
                                            object["c"] = id == 7 ? 3 : 2;
                                        }
                                        return Reply(object);
                                    },
                                    &recorded.messages, &recorded.mutex));
    SocketObjectTransport transport(nullptr, ShortOptions());
    AutomationObject root = transport.Connect(server.Path());
    ASSERT_FALSE(root.IsNull());
    for (int id : {5, 6, 7, 8, 5}) {
        SCOPED_TRACE(id);
        const AutomationObject item = GetPropertyAt(root, "Item", id).AsObject();
        EXPECT_EQ(GetProperty(item, "Name").AsInt(), id);
        EXPECT_TRUE(GetProperty(item, "Missing").IsEmpty());
    }
    // Once for class 2, once for class 3, once for the object without a class.
    EXPECT_EQ(recorded.Lookups("Name"), 3);
    EXPECT_EQ(recorded.Lookups("Item"), 1);
    // A name the server does not know is never taken as known.
    EXPECT_EQ(recorded.Lookups("Missing"), 5);
}

TEST(SocketTransportTest, ObjectReferencesAreSharedCountedAndGivenBack) {
    test::TempDir dir;
    Recorded recorded;
    ScriptedSocketServer server(dir / "s.sock",
                                ScriptedSocketServer::Answering(
                                    [](const json& request) -> std::optional<json> {
                                        if (request["op"] == "lookup") {
                                            return json{{"status", "ok"}, {"dispid", 1}};
                                        }
                                        if (request["args"].empty()) {
                                            return Reply({{"t", "object"}, {"v", 5}});
                                        }
                                        return Reply({{"t", "text"}, {"v", request["args"].dump()}});
                                    },
                                    &recorded.messages, &recorded.mutex));
    SocketObjectTransport transport(nullptr, ShortOptions());
    AutomationObject root = transport.Connect(server.Path());
    ASSERT_FALSE(root.IsNull());
    AutomationObject first = GetProperty(root, "Child").AsObject();
    AutomationObject second = GetProperty(root, "Child").AsObject();
    ASSERT_FALSE(first.IsNull());
    EXPECT_TRUE(first == second);  // one proxy per remote object
    EXPECT_EQ(CallMethod(root, "Same", {AutomationValue::Object(first)}).AsText(),
              R"([{"t":"object","v":5}])");

    // An object of this process cannot travel: the call fails before anything is sent.
    class Local : public Dispatch {
      public:
        DispatchStatus GetIDsOfNames(const std::string&, std::uint32_t, std::int32_t&) override { return 0; }
        DispatchStatus Invoke(std::int32_t, std::uint32_t, InvokeKind, const DispatchParams&,
                              AutomationValue*) override {
            return 0;
        }
    };
    const auto sent = recorded.Messages().size();
    EXPECT_FALSE(InvokeByName(root, "Same", InvokeKind::Method,
                              {AutomationValue::Object(AutomationObject(std::make_shared<Local>()))},
                              nullptr));
    EXPECT_EQ(recorded.Messages().size(), sent);

    first.Reset();
    EXPECT_EQ(CallMethod(root, "Same", {AutomationValue::Int(1)}).AsText(), R"([{"t":"int","v":1}])");
    second.Reset();  // the last copy gives both references back at once
    EXPECT_EQ(recorded.ReleasedCount(5), 2);
    root.Reset();
    EXPECT_EQ(recorded.ReleasedCount(1), 1);
}

TEST(SocketTransportTest, ThreadsShareAConnectionWithoutMixingRepliesOrWaitingToRelease) {
    test::TempDir dir;
    Recorded recorded;
    ScriptedSocketServer server(dir / "s.sock",
                                ScriptedSocketServer::Answering(
                                    [](const json& request) -> std::optional<json> {
                                        if (request["op"] == "lookup") {
                                            return json{{"status", "ok"}, {"dispid", 1}};
                                        }
                                        if (request["args"].empty()) {  // Slow: an object, late
                                            std::this_thread::sleep_for(milliseconds(200));
                                            return Reply({{"t", "object"}, {"v", 7}});
                                        }
                                        return Reply(request["args"][0]);
                                    },
                                    &recorded.messages, &recorded.mutex));
    SocketTransportOptions options = ShortOptions();
    options.remote.callTimeout = std::chrono::seconds(5);
    SocketObjectTransport transport(nullptr, options);
    AutomationObject root = transport.Connect(server.Path());
    ASSERT_FALSE(root.IsNull());

    std::atomic<int> mismatches{0};
    std::vector<std::thread> callers;
    for (int t = 0; t < 4; ++t) {
        callers.emplace_back([&root, &mismatches, t] {
            for (int i = 0; i < 100; ++i) {
                const int value = t * 1000 + i;
                if (CallMethod(root, "Echo", {AutomationValue::Int(value)}).AsInt() != value) {
                    ++mismatches;
                }
            }
        });
    }
    for (auto& caller : callers) {
        caller.join();
    }
    EXPECT_EQ(mismatches, 0);

    AutomationObject child = CallMethod(root, "Slow").AsObject();
    ASSERT_FALSE(child.IsNull());
    std::thread slow([&root] { CallMethod(root, "Slow"); });
    std::this_thread::sleep_for(milliseconds(50));  // the slow call is on the wire now
    const auto dropped = Clock::now();
    child.Reset();
    EXPECT_LT(Clock::now() - dropped, milliseconds(100));  // not held up by the other thread's call
    slow.join();
    EXPECT_EQ(CallMethod(root, "Echo", {AutomationValue::Int(5)}).AsInt(), 5);
    // Both of id 7's references (the dropped copy and the one the slow call returned) came back
    // before the next request.
    const auto messages = recorded.Messages();
    std::int64_t released = 0;
    for (const auto& message : messages) {
        if (message["op"] == "release" && message["object"] == 7) {
            released += message["count"].get<std::int64_t>();
        }
    }
    EXPECT_EQ(released, 2);
    EXPECT_EQ(messages.back()["op"], "invoke");
}

struct Misbehaviour {
    const char* name;
    std::function<void(ScriptedPeer&, const json& request)> answer;  // to the first call
};

TEST(SocketTransportTest, AMisbehavingServerFailsTheCallInTimeAndEveryLaterCallAtOnce) {
    const std::vector<Misbehaviour> cases = {
        {"silent", [](ScriptedPeer&, const json&) {}},
        {"hangs up", [](ScriptedPeer&, const json&) {}},
        {"not JSON", [](ScriptedPeer& peer, const json&) { peer.WriteRaw(std::string("\0\0\0\5hello", 9)); }},
        {"JSON array", [](ScriptedPeer& peer, const json&) { peer.WriteRaw(std::string("\0\0\0\2[]", 6)); }},
        {"oversized frame", [](ScriptedPeer& peer, const json&) { peer.WriteRaw("\x7f\xff\xff\xff{}"); }},
        {"empty frame", [](ScriptedPeer& peer, const json&) { peer.WriteRaw(std::string("\0\0\0\0", 4)); }},
        {"half a frame",
         [](ScriptedPeer& peer, const json&) { peer.WriteRaw(std::string("\0\0\0\x40{\"st", 8)); }},
        {"no status",
         [](ScriptedPeer& peer, const json&) {
             peer.Write({{"result", {{"t", "empty"}}}});
         }},
        {"status that is no name",
         [](ScriptedPeer& peer, const json&) {
             peer.Write({{"status", 0}});
         }},
        {"unknown tag",
         [](ScriptedPeer& peer, const json&) {
             peer.Write(Reply({{"t", "date"}, {"v", 1}}));
         }},
        {"int beyond 32 bits",
         [](ScriptedPeer& peer, const json&) {
             peer.Write(Reply({{"t", "int"}, {"v", 4294967296LL}}));
         }},
        {"negative object id",
         [](ScriptedPeer& peer, const json&) {
             peer.Write(Reply({{"t", "object"}, {"v", -4}}));
         }},
        {"class number that is no number",
         [](ScriptedPeer& peer, const json&) {
             peer.Write(Reply({{"t", "object"}, {"v", 4}, {"c", "Item"}}));
         }},
        {"class number zero",
         [](ScriptedPeer& peer, const json&) {
             peer.Write(Reply({{"t", "object"}, {"v", 4}, {"c", 0}}));
         }},
        {"text that is a number",
         [](ScriptedPeer& peer, const json&) {
             peer.Write(Reply({{"t", "text"}, {"v", 7}}));
         }},
    };
    for (const auto& behaviour : cases) {
        SCOPED_TRACE(behaviour.name);
        test::TempDir dir;
        const std::string name = behaviour.name;
        ScriptedSocketServer server(dir / "s.sock", [&behaviour, name](ScriptedPeer& peer) {
            if (!peer.AcceptHello()) {
                return;
            }
            auto lookup = peer.Read();
            if (!lookup) {
                return;
            }
            peer.Write({{"status", "ok"}, {"dispid", 1}});
            auto call = peer.Read();
            if (!call || name == "hangs up") {
                return;
            }
            behaviour.answer(peer, *call);
            while (peer.Read()) {
            }
        });
        SocketObjectTransport transport(nullptr, ShortOptions());
        AutomationObject root = transport.Connect(server.Path());
        ASSERT_FALSE(root.IsNull());

        const auto started = Clock::now();
        AutomationValue result = AutomationValue::Int(99);
        EXPECT_FALSE(InvokeByName(root, "Open", InvokeKind::Method, {TextArgument("x")}, &result));
        EXPECT_EQ(result.AsInt(), 99);  // a failed call leaves the caller's value alone
        EXPECT_TRUE(CallMethod(root, "Open").IsEmpty());
        EXPECT_LT(Clock::now() - started, kCallBound * 4);

        // Broken for good: no further wait, whatever is asked.
        const auto later = Clock::now();
        std::int32_t dispid = 0;
        EXPECT_EQ(root.Get()->GetIDsOfNames("Other", kLocaleUserDefault, dispid), kDispatchServerGone);
        EXPECT_EQ(root.Get()->Invoke(1, kLocaleSystemDefault, InvokeKind::Method, {}, nullptr),
                  kDispatchServerGone);
        EXPECT_LT(Clock::now() - later, milliseconds(50));
    }
}

TEST(SocketTransportTest, RepliesAreReadWholeHoweverTheyArriveInPieces) {
    test::TempDir dir;
    // Each reply's frame, written in pieces of the given sizes with a pause between them (0 stands
    // for the rest of the frame).
    const std::vector<std::vector<std::size_t>> splits = {{1, 2, 1, 0}, {4, 0}, {7, 3, 0}, {0}};
    ScriptedSocketServer server(dir / "s.sock", [&splits](ScriptedPeer& peer) {
        if (!peer.AcceptHello()) {
            return;
        }
        for (std::size_t call = 0; peer.Read(); ++call) {
            if (call % 2 == 0) {  // the lookup
                peer.Write({{"status", "ok"}, {"dispid", 1}});
                continue;
            }
            const std::string body = Reply({{"t", "text"}, {"v", std::string(3000 + call, 'x')}}).dump();
            const auto header = EncodeFrameHeader(static_cast<std::uint32_t>(body.size()));
            const std::string frame = std::string(header.begin(), header.end()) + body;
            std::size_t at = 0;
            for (const std::size_t piece : splits[(call / 2) % splits.size()]) {
                const std::size_t length = piece == 0 ? frame.size() - at : piece;
                peer.WriteRaw(frame.substr(at, length));
                at += length;
                std::this_thread::sleep_for(milliseconds(5));
            }
        }
    });
    SocketObjectTransport transport(nullptr, ShortOptions());
    AutomationObject root = transport.Connect(server.Path());
    ASSERT_FALSE(root.IsNull());
    for (std::size_t call = 0; call < splits.size(); ++call) {
        SCOPED_TRACE(call);
        // A fresh proxy each time would not ask again: looked-up names are kept per object.
        std::int32_t dispid = 0;
        ASSERT_EQ(root.Get()->GetIDsOfNames("Text" + std::to_string(call), kLocaleUserDefault, dispid),
                  kDispatchOk);
        AutomationValue result;
        ASSERT_EQ(root.Get()->Invoke(dispid, kLocaleSystemDefault, InvokeKind::PropertyGet, {}, &result),
                  kDispatchOk);
        EXPECT_EQ(result.AsText(), std::string(3000 + 2 * call + 1, 'x'));
    }
}

TEST(SocketTransportTest, AFailedCallKeepsAWorkingConnection) {
    test::TempDir dir;
    int calls = 0;
    ScriptedSocketServer server(
        dir / "s.sock", ScriptedSocketServer::Answering([&calls](const json& request) {
            if (request["op"] == "lookup") {
                return request["name"] == "Missing" ? json{{"status", "unknown-name"}}
                                                    : json{{"status", "ok"}, {"dispid", 1}};
            }
            return ++calls == 1 ? json{{"status", "failed"}, {"error", "failed"}}
                                : Reply({{"t", "int"}, {"v", calls}});
        }));
    SocketObjectTransport transport(nullptr, ShortOptions());
    AutomationObject root = transport.Connect(server.Path());
    std::int32_t dispid = 0;
    EXPECT_EQ(root.Get()->GetIDsOfNames("Missing", kLocaleUserDefault, dispid), kDispatchUnknownName);
    EXPECT_EQ(root.Get()->Invoke(1, kLocaleSystemDefault, InvokeKind::Method, {}, nullptr),
              kDispatchException);
    EXPECT_EQ(CallMethod(root, "Count").AsInt(), 2);
}

TEST(SocketTransportTest, StatusNamesBecomeDispatchStatusesAndAPutSendsItsIndicesInOrder) {
    test::TempDir dir;
    Recorded recorded;
    // A call fails with the status its one text argument names; a put succeeds.
    ScriptedSocketServer server(dir / "s.sock",
                                ScriptedSocketServer::Answering(
                                    [](const json& request) -> std::optional<json> {
                                        if (request["op"] == "lookup") {
                                            return json{{"status", "ok"}, {"dispid", 1}};
                                        }
                                        if (request["kind"] == "put") {
                                            return json{{"status", "ok"}};
                                        }
                                        const std::string status = request["args"][0]["v"];
                                        return status == "ok" ? Reply({{"t", "int"}, {"v", 1}})
                                                              : json{{"status", status}, {"error", status}};
                                    },
                                    &recorded.messages, &recorded.mutex));
    SocketObjectTransport transport(nullptr, ShortOptions());
    AutomationObject root = transport.Connect(server.Path());
    ASSERT_FALSE(root.IsNull());

    const std::vector<std::pair<std::string, DispatchStatus>> cases = {
        {"ok", kDispatchOk},
        {"unknown-name", kDispatchUnknownName},
        {"no-member", kDispatchMemberNotFound},
        {"missing-value", kDispatchParamNotFound},
        {"unexpected-value", static_cast<DispatchStatus>(0x80020007)},
        {"type-mismatch", kDispatchTypeMismatch},
        {"overflow", static_cast<DispatchStatus>(0x8002000A)},
        {"bad-argument-count", kDispatchBadParamCount},
        {"failed", kDispatchException},
        {"unknown-object", static_cast<DispatchStatus>(0x80010108)},
        {"busy", static_cast<DispatchStatus>(0x80010001)},
        {"a status of a later server", kDispatchException},
    };
    for (const auto& [name, status] : cases) {
        SCOPED_TRACE(name);
        DispatchParams params;
        params.args = {TextArgument(name)};
        EXPECT_EQ(root.Get()->Invoke(1, kLocaleSystemDefault, InvokeKind::Method, params, nullptr), status);
        if (status < 0) {
            EXPECT_EQ(LastCallError(), name);  // the server's words
        }
    }

    // Indices in the call's order, the new value apart.
    ASSERT_TRUE(InvokeByName(root, "Cell", InvokeKind::PropertyPut,
                             {AutomationValue::Int(2), AutomationValue::Int(3), TextArgument("x")}, nullptr));
    const json put = recorded.Messages().back();
    EXPECT_EQ(put["args"], json::parse(R"([{"t":"int","v":2},{"t":"int","v":3}])"));
    EXPECT_EQ(put["value"], json::parse(R"({"t":"text","v":"x"})"));

    // A block the dispatch interface would refuse is refused here, before anything is sent.
    const auto sent = recorded.Messages().size();
    DispatchParams unnamedPut;
    unnamedPut.args = {TextArgument("x")};
    EXPECT_EQ(root.Get()->Invoke(1, kLocaleSystemDefault, InvokeKind::PropertyPut, unnamedPut, nullptr),
              kDispatchParamNotFound);
    DispatchParams namedCall = unnamedPut;
    namedCall.namedArgs = {kDispidPropertyPut};
    EXPECT_EQ(root.Get()->Invoke(1, kLocaleSystemDefault, InvokeKind::Method, namedCall, nullptr),
              static_cast<DispatchStatus>(0x80020007));
    DispatchParams emptyPut;
    emptyPut.namedArgs = {kDispidPropertyPut};
    EXPECT_EQ(root.Get()->Invoke(1, kLocaleSystemDefault, InvokeKind::PropertyPut, emptyPut, nullptr),
              kDispatchBadParamCount);
    EXPECT_EQ(recorded.Messages().size(), sent);
    EXPECT_EQ(CallMethod(root, "Status", {TextArgument("ok")}).AsInt(), 1);
}

TEST(SocketTransportTest, AHandshakeThatIsNotOursGivesNoObject) {
    const std::vector<std::pair<const char*, std::function<void(ScriptedPeer&)>>> cases = {
        {"silent", [](ScriptedPeer& peer) { peer.Read(); }},
        {"other version", [](ScriptedPeer& peer) { peer.AcceptHello(kWireProtocolVersion - 1); }},
        {"refused",
         [](ScriptedPeer& peer) {
             peer.Read();
             peer.Write({{"op", "hello"},
                         {"version", kWireProtocolVersion},
                         {"status", "unsupported-version"},
                         {"error", "no"}});
         }},
        {"no root",
         [](ScriptedPeer& peer) {
             peer.Read();
             peer.Write({{"op", "hello"}, {"version", kWireProtocolVersion}, {"status", "ok"}});
         }},
        {"garbage",
         [](ScriptedPeer& peer) {
             peer.Read();
             peer.WriteRaw("HTTP/1.1 400 Bad Request\r\n\r\n");
         }},
    };
    SocketObjectTransport transport(nullptr, ShortOptions());
    for (const auto& [name, handler] : cases) {
        SCOPED_TRACE(name);
        test::TempDir dir;
        ScriptedSocketServer server(dir / "s.sock", handler);
        const auto started = Clock::now();
        EXPECT_TRUE(transport.Connect(server.Path()).IsNull());
        EXPECT_LT(Clock::now() - started, kCallBound * 4);
    }
    test::TempDir dir;
    EXPECT_TRUE(transport.Connect(dir / "nobody.sock").IsNull());
    EXPECT_TRUE(transport.Connect(std::string(200, 'x')).IsNull());
}

TEST(SocketTransportTest, AnAbandonedRunningEntryIsRemovedAndALiveOneKept) {
    test::TempDir dir;
    const std::string folder = dir / "running";
    ScriptedSocketServer live(dir / "live.sock", ScriptedSocketServer::Answering(EchoLastArgument));
    const std::string liveEntry = RegisterRunningObject(folder, "!Live", live.Path());
    const std::string deadEntry = RegisterRunningObject(folder, "!Dead", dir / "dead.sock");
    SocketObjectTransport transport(nullptr, ShortOptions());
    SetObjectTransport(&transport);
    RunningObjectDirectory table(folder);
    std::vector<AutomationObject> reached;
    for (const auto& entry : table.EnumRunning()) {
        reached.push_back(table.GetObject(entry));
    }
    SetObjectTransport(nullptr);
    ASSERT_EQ(reached.size(), 2u);
    EXPECT_EQ(reached[0].IsNull() + reached[1].IsNull(), 1);
    EXPECT_TRUE(test::Exists(liveEntry));
    EXPECT_FALSE(test::Exists(deadEntry));
}

// The sample Python server started as a real process, as the program starts its servers.
class StartedServerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const char* previous = std::getenv("DOCVANE_RUNTIME_DIR");
        saved_ = previous != nullptr ? std::optional<std::string>(previous) : std::nullopt;
        ::setenv("DOCVANE_RUNTIME_DIR", runtime_.Path().c_str(), 1);
        ::chmod(runtime_.Path().c_str(), 0700);
    }
    void TearDown() override {
        if (saved_) {
            ::setenv("DOCVANE_RUNTIME_DIR", saved_->c_str(), 1);
        } else {
            ::unsetenv("DOCVANE_RUNTIME_DIR");
        }
    }
    SocketTransportOptions Options() {
        SocketTransportOptions options;
        options.remote.callTimeout = std::chrono::seconds(20);
        options.ready = std::chrono::seconds(30);
        options.runningFolder = runtime_ / "running";
        return options;
    }
    std::vector<std::string> Entries() {
        std::vector<std::string> names;
        std::error_code ec;
        for (const auto& item : std::filesystem::directory_iterator(runtime_ / "running", ec)) {
            names.push_back(item.path().filename().string());
        }
        return names;
    }

    test::TempDir runtime_;
    std::optional<std::string> saved_;
};

TEST_F(StartedServerTest, AStartedServerAnswersAndEndsWithItsLastReference) {
    SocketObjectTransport transport(std::make_shared<PosixProcessStarter>(), Options());
    AutomationObject app = transport.Activate(kSampleServer);
    ASSERT_FALSE(app.IsNull());
    const int pid = GetProperty(app, "Pid").AsInt();
    ASSERT_GT(pid, 0);
    EXPECT_EQ(Entries(), std::vector<std::string>{std::to_string(pid) + "-0.entry"});

    EXPECT_EQ(CallMethod(app, "Kind", {AutomationValue::Single(1.5f)}).AsText(), "Single");
    EXPECT_EQ(CallMethod(app, "Kind", {AutomationValue::Omitted()}).AsText(), "omitted");
    EXPECT_EQ(CallMethod(app, "Kind", {AutomationValue::Bool(false)}).AsText(), "bool");
    EXPECT_EQ(CallMethod(app, "Join", {TextArgument("a"), TextArgument("b"), TextArgument("c")}).AsText(),
              "a|b|c");
    ASSERT_TRUE(PutProperty(app, "Title", TextArgument("План")));
    EXPECT_EQ(GetProperty(app, "title").AsText(), "План");
    EXPECT_EQ(GetProperty(app, "Arguments").AsText(), "");  // the three switches are the server's

    AutomationObject item = CallMethod(app, "NewItem", {TextArgument("Лист1")}).AsObject();
    ASSERT_FALSE(item.IsNull());
    EXPECT_EQ(GetProperty(item, "Name").AsText(), "Лист1");
    EXPECT_EQ(CallMethod(app, "NameOf", {AutomationValue::Object(item)}).AsText(), "Лист1");
    EXPECT_TRUE(
        CallMethod(app, "IsChild", {AutomationValue::Object(GetProperty(app, "Child").AsObject())}).AsFlag());

    EXPECT_TRUE(CallMethod(app, "Fail", {TextArgument("boom")}).IsEmpty());
    EXPECT_TRUE(CallMethod(app, "Huge").IsEmpty());
    EXPECT_FALSE(CallMethodChecked(app, "NoSuchMember"));
    EXPECT_EQ(CallMethod(app, "Echo", {AutomationValue::Int(-7)}).AsInt(), -7);  // still serving

    app.Reset();
    EXPECT_FALSE(ProcessGone(pid));  // the item still holds the connection
    item.Reset();
    EXPECT_TRUE(WaitUntilGone(pid, std::chrono::seconds(10)));
    EXPECT_TRUE(Entries().empty());
}

TEST_F(StartedServerTest, QuitEndsTheServerAndLaterCallsFail) {
    SocketObjectTransport transport(std::make_shared<PosixProcessStarter>(), Options());
    AutomationObject app = transport.Activate(kSampleServer);
    ASSERT_FALSE(app.IsNull());
    const int pid = GetProperty(app, "Pid").AsInt();
    EXPECT_TRUE(CallMethodChecked(app, "Quit"));
    EXPECT_TRUE(WaitUntilGone(pid, std::chrono::seconds(10)));
    EXPECT_TRUE(CallMethod(app, "Echo", {AutomationValue::Int(1)}).IsEmpty());
    EXPECT_TRUE(Entries().empty());
}

TEST_F(StartedServerTest, ServersThatCannotBeReachedAreNotLeftRunning) {
    test::TempDir dir;
    SocketObjectTransport transport(std::make_shared<PosixProcessStarter>(), Options());
    // Reports readiness but never registers: terminated rather than left behind.
    const std::string silent = dir / "silent";
    test::WriteFile(silent, "#!/bin/sh\necho $$ > \"$0.pid\"\nprintf r >&3\nexec sleep 60\n");
    std::filesystem::permissions(silent, std::filesystem::perms::owner_all);
    EXPECT_TRUE(transport.Activate(silent).IsNull());
    const int pid = std::stoi(test::ReadFile(silent + ".pid"));
    EXPECT_TRUE(WaitUntilGone(pid, std::chrono::seconds(5)));
    EXPECT_TRUE(transport.Activate(dir / "missing").IsNull());
}

TEST_F(StartedServerTest, AnEmergencyStopEndsTheStartedServers) {
    SocketObjectTransport transport(std::make_shared<PosixProcessStarter>(), Options());
    AutomationObject app = transport.Activate(kSampleServer);
    ASSERT_FALSE(app.IsNull());
    const int pid = GetProperty(app, "Pid").AsInt();
    transport.TerminateStartedServers();
    EXPECT_TRUE(WaitUntilGone(pid, std::chrono::seconds(5)));
    const auto started = Clock::now();
    EXPECT_TRUE(CallMethod(app, "Echo", {AutomationValue::Int(1)}).IsEmpty());
    EXPECT_LT(Clock::now() - started, std::chrono::seconds(5));
}

TEST_F(StartedServerTest, AKilledClientTakesItsServerAlong) {
    int channel[2];
    ASSERT_EQ(::pipe(channel), 0);
    const pid_t client = ::fork();
    ASSERT_GE(client, 0);
    if (client == 0) {
        ::close(channel[0]);
        SocketObjectTransport transport(std::make_shared<PosixProcessStarter>(), Options());
        AutomationObject app = transport.Activate(kSampleServer);
        const int pid = app.IsNull() ? -1 : GetProperty(app, "Pid").AsInt();
        [[maybe_unused]] auto written = ::write(channel[1], &pid, sizeof pid);
        ::pause();
        ::_exit(0);
    }
    ::close(channel[1]);
    int pid = 0;
    ASSERT_EQ(::read(channel[0], &pid, sizeof pid), static_cast<ssize_t>(sizeof pid));
    ::close(channel[0]);
    ASSERT_GT(pid, 0);
    EXPECT_FALSE(ProcessGone(pid));
    ::kill(client, SIGKILL);
    ::waitpid(client, nullptr, 0);
    EXPECT_TRUE(WaitUntilGone(pid, std::chrono::seconds(5)));
    EXPECT_TRUE(Entries().empty());
}

// The server's words for a failed call stay with the thread until another call fails, so the step
// that needed the call can name them; a link that is gone is named too.
TEST(SocketTransportTest, TheLastFailedCallKeepsTheServersMessage) {
    test::TempDir dir;
    ScriptedSocketServer server(
        dir / "s.sock", ScriptedSocketServer::Answering([](const json& request) {
            if (request.value("op", "") == "lookup") {
                const std::string name = request["name"];
                return std::optional<json>(json{{"status", "ok"},
                                                {"dispid", name == "Open"   ? 1
                                                           : name == "Hang" ? 3
                                                                            : 2}});
            }
            if (request["dispid"] == 3) {
                return std::optional<json>();  // never answers
            }
            if (request["dispid"] == 1) {
                return std::optional<json>(
                    json{{"status", "failed"}, {"error", "Не могу прочитать чертеж\n/x.dxf: файл пуст"}});
            }
            return std::optional<json>(Reply(json{{"t", "int"}, {"v", 3}}));
        }));
    SocketTransportOptions options = ShortOptions();
    SocketObjectTransport transport(nullptr, options);
    AutomationObject root = transport.Connect(server.Path());
    ASSERT_FALSE(root.IsNull());

    SetLastCallError("earlier");
    EXPECT_TRUE(CallMethod(root, "Open", {TextArgument("/x.dxf")}).IsEmpty());
    EXPECT_EQ(LastCallError(), "Не могу прочитать чертеж\n/x.dxf: файл пуст");
    EXPECT_EQ(GetProperty(root, "Count").AsInt(), 3);  // a call that works keeps it
    EXPECT_EQ(WithCause("Не могу открыть файл: /x.dxf", LastCallError()),
              "Не могу открыть файл: /x.dxf (Не могу прочитать чертеж /x.dxf: файл пуст)");
    EXPECT_FALSE(CallMethodChecked(AutomationObject(), "Open"));  // a failure without words clears it
    EXPECT_EQ(LastCallError(), "");
    EXPECT_EQ(WithCause("Строка", ""), "Строка");

    // Seen from another thread, nothing failed.
    std::string elsewhere = "unset";
    CallMethod(root, "Open", {TextArgument("/x.dxf")});
    std::thread([&elsewhere] { elsewhere = LastCallError(); }).join();
    EXPECT_EQ(elsewhere, "");

    EXPECT_TRUE(GetProperty(root, "Hang").IsEmpty());
    EXPECT_FALSE(LastCallError().empty());
    EXPECT_TRUE(GetProperty(root, "Count").IsEmpty());  // the link is broken: named as well
    EXPECT_FALSE(LastCallError().empty());
    const std::string longCause(1000, 'x');
    EXPECT_LT(WithCause("a", longCause).size(), 500u);
}

}  // namespace
}  // namespace docvane
