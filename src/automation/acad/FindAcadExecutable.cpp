#include "automation/acad/FindAcadExecutable.h"

#include <unistd.h>

#include <filesystem>
#include <system_error>

#include "automation/ClassRegistry.h"

namespace docvane {

namespace {
bool IsExecutableFile(const std::string& path) {
    std::error_code ec;
    return !path.empty() && std::filesystem::is_regular_file(path, ec) && ::access(path.c_str(), X_OK) == 0;
}
}  // namespace

std::string FindAcadExecutable() {
    const std::string registered = GetClassRegistry().ServerCommand("AutoCAD.Application");
    if (IsExecutableFile(registered)) {
        return registered;
    }
    return StandInServerBesideProgram("AutoCAD.Application");
}

}  // namespace docvane
