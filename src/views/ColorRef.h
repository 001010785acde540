#pragma once
// Colours stored as 0x00BBGGRR values.
#include <wx/colour.h>

#include <cstdint>

namespace docvane {

inline wxColour FromColorRef(std::uint32_t bgr) {
    return wxColour(static_cast<unsigned char>(bgr & 0xFF), static_cast<unsigned char>((bgr >> 8) & 0xFF),
                    static_cast<unsigned char>((bgr >> 16) & 0xFF));
}

}  // namespace docvane
