#include "platform/DesktopOpen.h"

#include "platform/DetachedProgram.h"

namespace docvane {

bool OpenWithDesktop(const std::string& path) {
    if (path.empty()) {
        return false;
    }
    return StartDetachedProgram({"xdg-open", path}, true);
}

}  // namespace docvane
