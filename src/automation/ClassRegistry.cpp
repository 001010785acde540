#include "automation/ClassRegistry.h"

#include <atomic>

#include "automation/ObjectTransport.h"
#include "platform/ClassRegistryFile.h"

namespace docvane {

namespace {
std::atomic<ClassRegistry*> installedRegistry{nullptr};
}

ClassRegistry& GetClassRegistry() {
    if (ClassRegistry* registry = installedRegistry.load()) {
        return *registry;
    }
    static ClassRegistryFile userRegistry;
    return userRegistry;
}

void SetClassRegistry(ClassRegistry* registry) {
    installedRegistry.store(registry);
}

AutomationObject CreateLocalServer(const std::string& programId) {
    const std::string command = GetClassRegistry().ServerCommand(programId);
    if (command.empty()) {
        return {};
    }
    ObjectTransport* transport = GetObjectTransport();
    return transport == nullptr ? AutomationObject() : transport->Activate(command);
}

}  // namespace docvane
