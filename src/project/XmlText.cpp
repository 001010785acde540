#include "project/XmlText.h"

#include <cerrno>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <string>

namespace docvane {

std::string ElementText(const tinyxml2::XMLElement* element) {
    std::string text;
    if (element == nullptr) {
        return text;
    }
    for (const auto* node = element->FirstChild(); node != nullptr; node = node->NextSibling()) {
        if (const auto* t = node->ToText(); t != nullptr && t->Value() != nullptr) {
            text += t->Value();
        }
    }
    return text;
}

int LeadingInteger(const std::string& text) {
    const char* begin = text.c_str();
    while (*begin == ' ' || *begin == '\t' || *begin == '\n' || *begin == '\r') {
        ++begin;
    }
    errno = 0;
    char* end = nullptr;
    const long value = std::strtol(begin, &end, 10);
    if (end == begin) {
        return 0;
    }
    // Out-of-range text saturates rather than wrapping into a different number.
    if (value > INT_MAX) {
        return INT_MAX;
    }
    if (value < INT_MIN) {
        return INT_MIN;
    }
    return static_cast<int>(value);
}

float LeadingFloat(const std::string& text) {
    const char* begin = text.c_str();
    while (*begin == ' ' || *begin == '\t' || *begin == '\n' || *begin == '\r') {
        ++begin;
    }
    if (*begin == '+') {
        ++begin;
    }
    // from_chars ignores the locale: a "," locale must not turn 12.75 into 12.
    float value = 0;
    const auto [end, error] = std::from_chars(begin, begin + std::char_traits<char>::length(begin), value);
    // "inf" and "nan" parse, but no coordinate or size can be infinite: they read as unreadable text.
    if (end == begin || !std::isfinite(value)) {
        return 0;
    }
    if (error == std::errc::result_out_of_range) {
        return 0;
    }
    return value;
}

}  // namespace docvane
