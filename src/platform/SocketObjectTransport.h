#pragma once
// The object transport of this system: servers are other processes reached over Unix-domain
// sockets (docs/automation-protocol.md). A server started by Activate belongs to the connection
// made to it and ends with it.
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "automation/ObjectTransport.h"
#include "automation/RemoteConnection.h"
#include "automation/ServerProcess.h"

namespace docvane {

struct SocketTransportOptions {
    RemoteOptions remote;
    // How long a started server may take to report readiness (the drawing program's bound).
    std::chrono::milliseconds ready{std::chrono::minutes(2)};
    // The running-object folder in which started servers register; empty: the user's folder.
    std::string runningFolder;
};

class SocketObjectTransport : public ObjectTransport {
  public:
    explicit SocketObjectTransport(std::shared_ptr<ProcessStarter> starter,
                                   SocketTransportOptions options = {});

    // address is the path of the server's socket.
    AutomationObject Connect(const std::string& address) override;
    // Starts serverCommand with "/nologo" "/nossm" "/pl", waits for its readiness and connects to the
    // address of the running-object entry the process wrote.
    AutomationObject Activate(const std::string& serverCommand) override;
    void TerminateStartedServers() override;

  private:
    std::string AddressOfProcess(int pid) const;

    std::shared_ptr<ProcessStarter> starter_;
    const SocketTransportOptions options_;
    std::mutex mutex_;
    std::vector<std::weak_ptr<ServerProcess>> started_;
};

}  // namespace docvane
