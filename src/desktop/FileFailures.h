#pragma once
// Why a project file could not be read or written, in the user's language: the system's own error
// texts are English and name the failing call.
#include <string>

namespace docvane {

// A sentence for a file that could not be opened for reading.
std::string ReadFailureReason(const std::string& path);
// A sentence for a file that could not be written.
std::string WriteFailureReason(const std::string& path);

}  // namespace docvane
