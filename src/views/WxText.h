#pragma once
// UTF-8 text in and out of wxWidgets. Literals go through here too: under the C locale a plain
// narrow literal converts to nothing.
#include <wx/string.h>

#include <string>

namespace docvane {

inline wxString Wx(const std::string& utf8) {
    return wxString::FromUTF8(utf8.data(), utf8.size());
}
inline wxString Wx(const char* utf8) {
    return wxString::FromUTF8(utf8);
}
inline std::string Utf8(const wxString& text) {
    const wxScopedCharBuffer buffer = text.utf8_str();
    return std::string(buffer.data(), buffer.length());
}

}  // namespace docvane
