#pragma once
// The wire form of automation messages exchanged with out-of-process servers: frames of a 4-byte
// big-endian length and UTF-8 JSON, and the JSON form of every AutomationValue tag. No sockets here.
#include <nlohmann/json_fwd.hpp>

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "automation/AutomationObject.h"
#include "automation/AutomationValue.h"

namespace docvane {

inline constexpr int kWireProtocolVersion = 2;
inline constexpr std::size_t kWireMaxFrame = 16u * 1024u * 1024u;
inline constexpr std::size_t kWireHeaderSize = 4;

std::array<unsigned char, kWireHeaderSize> EncodeFrameHeader(std::uint32_t length);
// The body length a header announces; nullopt for an empty or oversized frame.
std::optional<std::size_t> DecodeFrameHeader(const unsigned char* header);

// The message as frame body text (invalid UTF-8 in texts is replaced, never thrown on).
std::string DumpMessage(const nlohmann::json& message);
// The message a frame body holds; nullopt unless it is a JSON object.
std::optional<nlohmann::json> ParseMessage(const std::string& body);

// The status a reply names ("ok" is success): the dispatch status callers know for each name the
// protocol defines, a plain failure (kDispatchException) for any other name. The wire carries names,
// never the numbers, so a server needs to know nothing of the dispatch interface.
DispatchStatus StatusFromWire(const std::string& name);

// How objects map to ids: the id of an object of this connection (0 for a null object; nullopt
// for an object the peer cannot know), and the object of an id the peer sent (id > 0) with the
// number the peer gave its class (0 when it named none).
using ObjectToId = std::function<std::optional<std::int64_t>(const AutomationObject&)>;
using IdToObject = std::function<AutomationObject(std::int64_t id, std::int64_t classNumber)>;

// nullopt when the value holds an object the peer cannot know.
std::optional<nlohmann::json> ValueToWire(const AutomationValue& value, const ObjectToId& objectId);
// nullopt for anything that is not a well-formed value.
std::optional<AutomationValue> ValueFromWire(const nlohmann::json& wire, const IdToObject& objectFor);

}  // namespace docvane
