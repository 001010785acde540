#include "pdf/FontLookup.h"

#include <fontconfig/fontconfig.h>

#include <array>
#include <fstream>
#include <mutex>

namespace docvane {

std::string FindFontFile(const std::string& faceName) {
    // Fontconfig's default configuration is shared process-wide state.
    static std::mutex mutex;
    const std::lock_guard<std::mutex> lock(mutex);
    if (FcInit() == FcFalse) {
        return {};
    }
    FcPattern* pattern = FcPatternCreate();
    if (pattern == nullptr) {
        return {};
    }
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(faceName.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, FC_SLANT_ROMAN);
    // FcMatchPattern applies the alias rules (metric-compatible substitutes); FcMatchFont would not.
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    std::string file;
    if (match != nullptr) {
        FcChar8* path = nullptr;
        if (FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch && path != nullptr) {
            file = reinterpret_cast<const char*>(path);
        }
        FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
    return file;
}

bool IsTrueTypeFontFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::array<char, 4> tag{};
    if (!in.read(tag.data(), tag.size())) {
        return false;
    }
    // The sfnt version: 1.0 for TrueType outlines, or "true" in older Apple fonts.
    static constexpr std::array<char, 4> kVersionOne{0, 1, 0, 0};
    static constexpr std::array<char, 4> kApple{'t', 'r', 'u', 'e'};
    return tag == kVersionOne || tag == kApple;
}

}  // namespace docvane
