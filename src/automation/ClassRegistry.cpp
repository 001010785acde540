#include "automation/ClassRegistry.h"

#include <atomic>

#include "automation/ObjectTransport.h"

namespace docvane {

namespace {
std::atomic<ClassRegistry*> installedRegistry{nullptr};

class NoClassRegistry : public ClassRegistry {
  public:
    std::string ServerCommand(const std::string&) const override { return {}; }
};
}  // namespace

ClassRegistry& GetClassRegistry() {
    if (ClassRegistry* registry = installedRegistry.load()) {
        return *registry;
    }
    static NoClassRegistry none;
    return none;
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
