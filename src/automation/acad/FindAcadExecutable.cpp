#include "automation/acad/FindAcadExecutable.h"

#include <unistd.h>

#include <filesystem>
#include <system_error>

namespace docvane {

std::string FindAcadExecutable() {
    std::error_code ec;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) {
        return {};
    }
    const auto candidate = self.parent_path() / "docvane-acad-server";
    if (::access(candidate.c_str(), X_OK) == 0) {
        return candidate.string();
    }
    return {};
}

}  // namespace docvane
