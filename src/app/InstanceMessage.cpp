#include "app/InstanceMessage.h"

#include <cstdint>
#include <filesystem>
#include <system_error>

#include "base/PathUtils.h"

namespace docvane {

namespace {

void PutUnit(std::string& out, std::uint16_t unit) {
    out.push_back(static_cast<char>(unit & 0xFF));
    out.push_back(static_cast<char>(unit >> 8));
}

void PutUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

// Decodes one UTF-8 sequence at i; malformed input yields U+FFFD and skips one byte.
char32_t NextCodePoint(const std::string& text, std::size_t& i) {
    const auto b0 = static_cast<unsigned char>(text[i]);
    auto cont = [&](std::size_t k) {
        return k < text.size() && (static_cast<unsigned char>(text[k]) & 0xC0) == 0x80;
    };
    if (b0 < 0x80) {
        ++i;
        return b0;
    }
    if ((b0 & 0xE0) == 0xC0 && cont(i + 1)) {
        const char32_t cp = ((b0 & 0x1Fu) << 6) | (static_cast<unsigned char>(text[i + 1]) & 0x3Fu);
        i += 2;
        return cp >= 0x80 ? cp : 0xFFFD;
    }
    if ((b0 & 0xF0) == 0xE0 && cont(i + 1) && cont(i + 2)) {
        const char32_t cp = ((b0 & 0x0Fu) << 12) | ((static_cast<unsigned char>(text[i + 1]) & 0x3Fu) << 6) |
                            (static_cast<unsigned char>(text[i + 2]) & 0x3Fu);
        i += 3;
        return (cp >= 0x800 && (cp < 0xD800 || cp > 0xDFFF)) ? cp : 0xFFFD;
    }
    if ((b0 & 0xF8) == 0xF0 && cont(i + 1) && cont(i + 2) && cont(i + 3)) {
        const char32_t cp = ((b0 & 0x07u) << 18) | ((static_cast<unsigned char>(text[i + 1]) & 0x3Fu) << 12) |
                            ((static_cast<unsigned char>(text[i + 2]) & 0x3Fu) << 6) |
                            (static_cast<unsigned char>(text[i + 3]) & 0x3Fu);
        i += 4;
        return (cp >= 0x10000 && cp <= 0x10FFFF) ? cp : 0xFFFD;
    }
    ++i;
    return 0xFFFD;
}

}  // namespace

std::string EncodeInstanceMessage(const std::string& path) {
    std::string out;
    out.reserve(path.size() * 2 + 2);
    for (std::size_t i = 0; i < path.size();) {
        const char32_t cp = NextCodePoint(path, i);
        if (cp >= 0x10000) {
            const char32_t v = cp - 0x10000;
            PutUnit(out, static_cast<std::uint16_t>(0xD800 + (v >> 10)));
            PutUnit(out, static_cast<std::uint16_t>(0xDC00 + (v & 0x3FF)));
        } else {
            PutUnit(out, static_cast<std::uint16_t>(cp));
        }
    }
    PutUnit(out, 0);
    return out;
}

std::string DecodeInstanceMessage(const std::string& bytes) {
    std::string out;
    const std::size_t units = bytes.size() / 2;
    auto unitAt = [&](std::size_t k) {
        return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[2 * k]) |
                                          (static_cast<unsigned char>(bytes[2 * k + 1]) << 8));
    };
    for (std::size_t k = 0; k < units; ++k) {
        const std::uint16_t u = unitAt(k);
        if (u == 0) {
            break;
        }
        if (u >= 0xD800 && u <= 0xDBFF && k + 1 < units) {
            const std::uint16_t low = unitAt(k + 1);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                PutUtf8(out, 0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) + (low - 0xDC00));
                ++k;
                continue;
            }
        }
        PutUtf8(out, (u >= 0xD800 && u <= 0xDFFF) ? 0xFFFD : u);
    }
    return out;
}

bool IsProjectPathToOpen(const std::string& path) {
    if (path.empty() || LowerExtension(path) != ".dv1") {
        return false;
    }
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

}  // namespace docvane
