#include "project/FieldDoc.h"

#include <string_view>

namespace docvane {

namespace {
constexpr std::string_view kForbiddenNameCharacters = "\\<>/?:;*|,=`\r\n\t";
constexpr std::size_t kMaxFieldLength = 255;
}  // namespace

std::size_t CharacterCount(const std::string& text) {
    std::size_t count = 0;
    for (const char c : text) {
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) {
            ++count;
        }
    }
    return count;
}

std::string CutToCharacters(const std::string& text, std::size_t count) {
    std::size_t characters = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if ((byte & 0xC0) != 0x80) {  // first byte of a character
            if (characters == count) {
                return text.substr(0, i);
            }
            ++characters;
        }
    }
    return text;
}

std::string ToCrLf(const std::string& text) {
    std::string result;
    result.reserve(text.size() + text.size() / 16);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            result += "\r\n";
            const char next = i + 1 < text.size() ? text[i + 1] : '\0';
            if ((next == '\r' || next == '\n') && next != c) {
                ++i;  // CR LF and LF CR are one break each
            }
        } else {
            result += c;
        }
    }
    return result;
}

std::string SanitizeFieldName(const std::string& raw) {
    std::string name;
    name.reserve(raw.size());
    for (char c : raw) {
        if (kForbiddenNameCharacters.find(c) == std::string_view::npos) {
            name += c;
        }
    }
    return CutToCharacters(name, kMaxFieldLength);
}

std::string SanitizeFieldValue(const std::string& raw) {
    // CR LF pairs first become LF, then every LF becomes CR LF; a lone CR is left as it is.
    std::string lf;
    lf.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') {
            continue;
        }
        lf += raw[i];
    }
    std::string value;
    value.reserve(lf.size() + lf.size() / 16);
    for (char c : lf) {
        if (c == '\n') {
            value += "\r\n";
        } else {
            value += c;
        }
    }
    return CutToCharacters(value, kMaxFieldLength);
}

FieldDoc MakeField(const std::string& name, const std::string& value) {
    return FieldDoc{SanitizeFieldName(name), SanitizeFieldValue(value)};
}

}  // namespace docvane
