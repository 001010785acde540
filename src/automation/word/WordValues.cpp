#include "automation/word/WordValues.h"

#include <cmath>
#include <limits>

#include "automation/Automation.h"

namespace docvane {

AutomationObject ObjectOf(const AutomationValue& value) {
    return value.Tag() == ValueTag::Object ? value.AsObject() : AutomationObject();
}

std::int32_t IntegerOf(const AutomationValue& value) {
    switch (value.Tag()) {
        case ValueTag::Int32:
            return value.AsInt();
        case ValueTag::Single:
        case ValueTag::Double: {
            const double number = value.AsDouble();
            if (std::isfinite(number) && number >= std::numeric_limits<std::int32_t>::min() &&
                number <= std::numeric_limits<std::int32_t>::max()) {
                return static_cast<std::int32_t>(number);
            }
            return 0;
        }
        default:
            return 0;
    }
}

float SingleOf(const AutomationValue& value) {
    switch (value.Tag()) {
        case ValueTag::Int32:
            return static_cast<float>(value.AsInt());
        case ValueTag::Single:
        case ValueTag::Double: {
            const double number = value.AsDouble();
            if (!std::isfinite(number) || std::fabs(number) > std::numeric_limits<float>::max()) {
                return 0;
            }
            return static_cast<float>(number);
        }
        default:
            return 0;
    }
}

std::optional<std::string> TextOf(const AutomationValue& value) {
    try {
        return ValueToText(value);
    } catch (const AutomationError&) {
        return std::nullopt;
    }
}

AutomationObject ObjectProperty(const AutomationObject& object, const std::string& name) {
    return ObjectOf(GetProperty(object, name));
}

AutomationObject ItemOf(const AutomationObject& collection, std::int32_t index) {
    return ObjectOf(CallMethod(collection, "Item", {AutomationValue::Int(index)}));
}

std::int32_t CountProperty(const AutomationObject& collection) {
    return IntegerOf(GetProperty(collection, "Count"));
}

std::string TextProperty(const AutomationObject& object, const std::string& name) {
    return TextOf(GetProperty(object, name)).value_or(std::string());
}

}  // namespace docvane
