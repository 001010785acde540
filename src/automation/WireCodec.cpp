#include "automation/WireCodec.h"

#include <cmath>
#include <limits>
#include <nlohmann/json.hpp>

namespace docvane {

using nlohmann::json;

namespace {
json FloatToWire(double value) {
    if (std::isfinite(value)) {
        return value;
    }
    if (std::isnan(value)) {
        return "nan";
    }
    return value > 0 ? "inf" : "-inf";
}

std::optional<double> FloatFromWire(const json& wire) {
    if (wire.is_number()) {
        return wire.get<double>();
    }
    if (wire.is_string()) {
        const auto& text = wire.get_ref<const std::string&>();
        if (text == "nan") {
            return std::numeric_limits<double>::quiet_NaN();
        }
        if (text == "inf") {
            return std::numeric_limits<double>::infinity();
        }
        if (text == "-inf") {
            return -std::numeric_limits<double>::infinity();
        }
    }
    return std::nullopt;
}

json Tagged(const char* tag) {
    return json{{"t", tag}};
}

json Tagged(const char* tag, json payload) {
    return json{{"t", tag}, {"v", std::move(payload)}};
}

// A whole number above zero that fits 64 bits; nullopt for anything else.
std::optional<std::int64_t> PositiveNumber(const json& field) {
    if (field.is_number_unsigned()) {
        const auto value = field.get<std::uint64_t>();
        return value > 0 && value <= std::uint64_t{INT64_MAX}
                   ? std::optional<std::int64_t>(static_cast<std::int64_t>(value))
                   : std::nullopt;
    }
    if (field.is_number_integer() && field.get<std::int64_t>() > 0) {
        return field.get<std::int64_t>();
    }
    return std::nullopt;
}
}  // namespace

DispatchStatus StatusFromWire(const std::string& name) {
    struct Named {
        const char* name;
        DispatchStatus status;
    };
    static constexpr Named kStatuses[] = {
        {"ok", kDispatchOk},
        {"unknown-name", kDispatchUnknownName},
        {"no-member", kDispatchMemberNotFound},
        {"missing-value", kDispatchParamNotFound},
        {"unexpected-value", static_cast<DispatchStatus>(0x80020007)},  // no named arguments
        {"type-mismatch", kDispatchTypeMismatch},
        {"overflow", static_cast<DispatchStatus>(0x8002000A)},
        {"bad-argument-count", kDispatchBadParamCount},
        {"failed", kDispatchException},
        {"unknown-object", static_cast<DispatchStatus>(0x80010108)},  // the object is disconnected
        {"busy", static_cast<DispatchStatus>(0x80010001)},            // the call was rejected
    };
    for (const auto& known : kStatuses) {
        if (name == known.name) {
            return known.status;
        }
    }
    return kDispatchException;
}

std::array<unsigned char, kWireHeaderSize> EncodeFrameHeader(std::uint32_t length) {
    return {static_cast<unsigned char>(length >> 24), static_cast<unsigned char>(length >> 16),
            static_cast<unsigned char>(length >> 8), static_cast<unsigned char>(length)};
}

std::optional<std::size_t> DecodeFrameHeader(const unsigned char* header) {
    const std::size_t length = (std::size_t{header[0]} << 24) | (std::size_t{header[1]} << 16) |
                               (std::size_t{header[2]} << 8) | std::size_t{header[3]};
    if (length == 0 || length > kWireMaxFrame) {
        return std::nullopt;
    }
    return length;
}

std::string DumpMessage(const json& message) {
    return message.dump(-1, ' ', false, json::error_handler_t::replace);
}

std::optional<json> ParseMessage(const std::string& body) {
    json message = json::parse(body, nullptr, false);
    if (message.is_discarded() || !message.is_object()) {
        return std::nullopt;
    }
    return message;
}

std::optional<json> ValueToWire(const AutomationValue& value, const ObjectToId& objectId) {
    switch (value.Tag()) {
        case ValueTag::Empty:
            return Tagged("empty");
        case ValueTag::Int32:
            return Tagged("int", value.AsInt());
        case ValueTag::Text:
            return Tagged("text", value.AsText());
        case ValueTag::Bool:
            return Tagged("bool", value.BoolBits() != 0);
        case ValueTag::Object: {
            const auto id = objectId ? objectId(value.AsObject()) : std::nullopt;
            if (!id) {
                return std::nullopt;
            }
            return Tagged("object", *id);
        }
        case ValueTag::Omitted:
            return Tagged("omitted");
        case ValueTag::Single:
            return Tagged("single", FloatToWire(value.AsDouble()));
        case ValueTag::Double:
            return Tagged("double", FloatToWire(value.AsDouble()));
    }
    return std::nullopt;
}

std::optional<AutomationValue> ValueFromWire(const json& wire, const IdToObject& objectFor) {
    if (!wire.is_object()) {
        return std::nullopt;
    }
    const auto tagField = wire.find("t");
    if (tagField == wire.end() || !tagField->is_string()) {
        return std::nullopt;
    }
    const auto& tag = tagField->get_ref<const std::string&>();
    // Read in place: a text payload may be megabytes.
    static const json kNoPayload;
    const auto payloadField = wire.find("v");
    const json& payload = payloadField == wire.end() ? kNoPayload : *payloadField;
    if (tag == "empty") {
        return AutomationValue();
    }
    if (tag == "omitted") {
        return AutomationValue::Omitted();
    }
    if (tag == "bool" && payload.is_boolean()) {
        return AutomationValue::Bool(payload.get<bool>());
    }
    if (tag == "int" && payload.is_number_integer()) {
        const auto number = payload.get<std::int64_t>();
        if (payload.is_number_unsigned() && payload.get<std::uint64_t>() > std::uint64_t{INT32_MAX}) {
            return std::nullopt;
        }
        if (number < std::numeric_limits<std::int32_t>::min() ||
            number > std::numeric_limits<std::int32_t>::max()) {
            return std::nullopt;
        }
        return AutomationValue::Int(static_cast<std::int32_t>(number));
    }
    if (tag == "text" && payload.is_string()) {
        return AutomationValue::Text(payload.get<std::string>());
    }
    if (tag == "double" || tag == "single") {
        const auto number = FloatFromWire(payload);
        if (!number) {
            return std::nullopt;
        }
        if (tag == "double") {
            return AutomationValue::Double(*number);
        }
        // A double beyond the float range would not convert with defined behaviour.
        constexpr double kFloatMax = std::numeric_limits<float>::max();
        const double bounded = std::isfinite(*number) && std::fabs(*number) > kFloatMax
                                   ? std::copysign(std::numeric_limits<double>::infinity(), *number)
                                   : *number;
        return AutomationValue::Single(static_cast<float>(bounded));
    }
    if (tag == "object" && payload.is_number_integer()) {
        if (payload.is_number_unsigned() ? payload.get<std::uint64_t>() > std::uint64_t{INT64_MAX}
                                         : payload.get<std::int64_t>() < 0) {
            return std::nullopt;
        }
        const auto id = payload.get<std::int64_t>();
        if (id == 0) {
            return AutomationValue::Object(AutomationObject());
        }
        std::int64_t classNumber = 0;
        if (const auto classField = wire.find("c"); classField != wire.end()) {
            const auto number = PositiveNumber(*classField);
            if (!number) {
                return std::nullopt;
            }
            classNumber = *number;
        }
        AutomationObject object = objectFor ? objectFor(id, classNumber) : AutomationObject();
        if (object.IsNull()) {
            return std::nullopt;
        }
        return AutomationValue::Object(std::move(object));
    }
    return std::nullopt;
}

}  // namespace docvane
