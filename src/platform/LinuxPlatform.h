#pragma once
// The Linux implementations a program hands to the core, created together and kept together: the
// per-user settings file, the class registry file, the running-object folder, the socket transport to
// automation servers and the process starter. A program's composition helper owns one for as long as
// the program runs (see worker/PlatformServices.h for what the core does with them).
#include <functional>
#include <memory>
#include <string>

#include "app/ParallelJobs.h"
#include "platform/ClassRegistryFile.h"
#include "platform/RunningObjectDirectory.h"
#include "platform/SettingsFile.h"
#include "platform/SocketObjectTransport.h"

namespace docvane {

struct LinuxPlatform {
    LinuxPlatform();
    LinuxPlatform(const LinuxPlatform&) = delete;
    LinuxPlatform& operator=(const LinuxPlatform&) = delete;

    SettingsFile settings;  // the user's settings file
    ClassRegistryFile classes;
    RunningObjectDirectory running;
    // Automation servers are other processes reached over local sockets.
    SocketObjectTransport transport;
    std::shared_ptr<ProcessStarter> processes;  // starts the drawing program
    std::function<bool(const std::string& path)> openWithDesktop;
    std::function<MachineFacts()> machine;  // the cores and memory runs size themselves by
};

}  // namespace docvane
