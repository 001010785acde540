#include "automation/AutomationValue.h"

namespace docvane {

AutomationValue AutomationValue::Int(std::int32_t value) {
    AutomationValue v;
    v.tag_ = ValueTag::Int32;
    v.int_ = value;
    return v;
}

AutomationValue AutomationValue::Text(std::string value) {
    AutomationValue v;
    v.tag_ = ValueTag::Text;
    v.text_ = std::move(value);
    return v;
}

AutomationValue AutomationValue::Bool(bool value) {
    AutomationValue v;
    v.tag_ = ValueTag::Bool;
    v.boolBits_ = value ? -1 : 0;
    return v;
}

AutomationValue AutomationValue::Object(AutomationObject value) {
    AutomationValue v;
    v.tag_ = ValueTag::Object;
    v.object_ = std::move(value);
    return v;
}

AutomationValue AutomationValue::Omitted() {
    AutomationValue v;
    v.tag_ = ValueTag::Omitted;
    v.int_ = kDispatchParamNotFound;
    return v;
}

AutomationValue AutomationValue::Single(float value) {
    AutomationValue v;
    v.tag_ = ValueTag::Single;
    v.double_ = value;
    return v;
}

AutomationValue AutomationValue::Double(double value) {
    AutomationValue v;
    v.tag_ = ValueTag::Double;
    v.double_ = value;
    return v;
}

std::int32_t AutomationValue::AsInt() const {
    switch (tag_) {
        case ValueTag::Int32:
            return int_;
        case ValueTag::Bool:
            return boolBits_;
        default:
            return 0;
    }
}

bool AutomationValue::AsFlag() const {
    switch (tag_) {
        case ValueTag::Int32:
            return (int_ & 0xFFFF) != 0;
        case ValueTag::Bool:
            return boolBits_ != 0;
        default:
            return false;
    }
}

double AutomationValue::AsDouble() const {
    switch (tag_) {
        case ValueTag::Single:
        case ValueTag::Double:
            return double_;
        case ValueTag::Int32:
            return int_;
        default:
            return 0;
    }
}

}  // namespace docvane
