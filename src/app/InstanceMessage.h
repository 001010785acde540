#pragma once
// What a second start hands to the running instance: one path as UTF-16 text with its NUL.
#include <string>

namespace docvane {

// The bytes a second start sends for path (UTF-8): UTF-16LE code units followed by one NUL unit.
std::string EncodeInstanceMessage(const std::string& path);

// The path in a received message: UTF-16LE up to the first NUL or the end of the bytes, as UTF-8.
// An odd trailing byte is ignored; unpaired surrogates become U+FFFD.
std::string DecodeInstanceMessage(const std::string& bytes);

// Whether a handed-over path is opened: its lower-case extension is ".dv1" and the file exists.
bool IsProjectPathToOpen(const std::string& path);

}  // namespace docvane
