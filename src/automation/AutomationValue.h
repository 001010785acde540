#pragma once
#include <cstdint>
#include <string>

#include "automation/AutomationObject.h"

namespace docvane {

enum class ValueTag {
    Empty,    // a failed call, or a member that returns nothing
    Int32,    // integers and flags (0 or 1)
    Text,     // strings
    Bool,     // 16-bit automation boolean: -1 true, 0 false
    Object,   // objects and collections
    Omitted,  // an optional argument left out (carries kDispatchParamNotFound)
    Single,   // 32-bit float (word-processor measurements)
    Double,   // 64-bit float
};

// A tagged automation value.
class AutomationValue {
  public:
    AutomationValue() = default;

    static AutomationValue Int(std::int32_t value);
    static AutomationValue Text(std::string value);
    static AutomationValue Bool(bool value);
    static AutomationValue Object(AutomationObject value);
    static AutomationValue Omitted();
    static AutomationValue Single(float value);
    static AutomationValue Double(double value);

    ValueTag Tag() const { return tag_; }
    bool IsEmpty() const { return tag_ == ValueTag::Empty; }

    // Payload readers: a value of another tag reads as null, 0, false or empty text.
    const AutomationObject& AsObject() const { return object_; }
    std::int32_t AsInt() const;
    // The low 16 bits as a flag (booleans and integers alike).
    bool AsFlag() const;
    const std::string& AsText() const { return text_; }
    double AsDouble() const;
    std::int16_t BoolBits() const { return tag_ == ValueTag::Bool ? boolBits_ : 0; }

  private:
    ValueTag tag_ = ValueTag::Empty;
    std::int32_t int_ = 0;
    std::int16_t boolBits_ = 0;
    double double_ = 0;
    std::string text_;
    AutomationObject object_;
};

}  // namespace docvane
