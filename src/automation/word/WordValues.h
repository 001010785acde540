#pragma once
// Reading the word processor's answers. A server may answer with any tag; these readers take only
// what the system relies on and turn everything else into a null object, 0 or empty text, so a
// malformed answer can never end the process.
#include <cstdint>
#include <optional>
#include <string>

#include "automation/AutomationObject.h"
#include "automation/AutomationValue.h"

namespace docvane {

// The object of a value; null for any other tag.
AutomationObject ObjectOf(const AutomationValue& value);

// A 32-bit integer answer (counts, page numbers). Floats are truncated when they fit; anything else
// reads as 0.
std::int32_t IntegerOf(const AutomationValue& value);

// A single-precision answer (positions and sizes in points). Integers are widened; anything else,
// and values that are not finite, read as 0.
float SingleOf(const AutomationValue& value);

// The text form of a value, or nothing when the value has none.
std::optional<std::string> TextOf(const AutomationValue& value);

// Shorthands for the common "read a member of an object" steps.
AutomationObject ObjectProperty(const AutomationObject& object, const std::string& name);
AutomationObject ItemOf(const AutomationObject& collection, std::int32_t index);
std::int32_t CountProperty(const AutomationObject& collection);
std::string TextProperty(const AutomationObject& object, const std::string& name);

}  // namespace docvane
