#include "cli/Arguments.h"

#include <filesystem>
#include <system_error>

namespace docvane::cli {

bool WantsHelp(const std::vector<std::string>& args) {
    for (const auto& a : args) {
        if (a == "--help" || a == "-h") {
            return true;
        }
    }
    return false;
}

std::string AbsolutePath(const std::string& path) {
    std::error_code ec;
    const auto absolute = std::filesystem::absolute(path, ec);
    return ec ? path : absolute.lexically_normal().string();
}

}  // namespace docvane::cli
