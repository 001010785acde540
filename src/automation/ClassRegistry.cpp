#include "automation/ClassRegistry.h"

#include <unistd.h>

#include <atomic>
#include <filesystem>

#include "automation/ObjectTransport.h"
#include "automation/RunningObjectTable.h"
#include "run/Log.h"

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

std::string StandInServerBesideProgram(const std::string& programId) {
    const char* name = programId == "AutoCAD.Application" ? "docvane-acad-server"
                       : programId == "Word.Application"  ? "docvane-word-server"
                                                          : nullptr;
    std::error_code ec;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (name == nullptr || ec) {
        return {};
    }
    // Beside the program in the build folder; in ../lib/docvane once installed.
    for (const auto& candidate : {self.parent_path() / name, self.parent_path() / "../lib/docvane" / name}) {
        if (std::filesystem::is_regular_file(candidate, ec) && ::access(candidate.c_str(), X_OK) == 0) {
            return candidate.lexically_normal().string();
        }
    }
    return {};
}

std::string LocalServerRefusal() {
    std::string refusal = GetClassRegistry().Refusal();
    return refusal.empty() ? GetRunningObjectTable().Refusal() : refusal;
}

AutomationObject CreateLocalServer(const std::string& programId) {
    if (const std::string refusal = LocalServerRefusal(); !refusal.empty()) {
        LogError(refusal);
        return {};
    }
    std::string command = GetClassRegistry().ServerCommand(programId);
    if (command.empty()) {
        command = StandInServerBesideProgram(programId);
    }
    if (command.empty()) {
        return {};
    }
    ObjectTransport* transport = GetObjectTransport();
    return transport == nullptr ? AutomationObject() : transport->Activate(command);
}

}  // namespace docvane
