#include "platform/SingleInstance.h"

#include "app/InstanceMessage.h"

namespace docvane {

bool HandOverToRunningInstance(const std::string& socketPath, const std::string& projectPath) {
    return !socketPath.empty() && SendToRunningInstance(socketPath, EncodeInstanceMessage(projectPath));
}

bool InstanceServer::Start(const std::string& socketPath,
                           std::function<void(const std::string& path)> openProject) {
    if (socketPath.empty()) {
        return false;
    }
    return listener_.Start(socketPath, [open = std::move(openProject)](const std::string& message) {
        const std::string path = DecodeInstanceMessage(message);
        if (IsProjectPathToOpen(path) && open) {
            open(path);
        }
    });
}

}  // namespace docvane
