#include "platform/SocketObjectTransport.h"

#include <algorithm>

#include "platform/RunningObjectDirectory.h"
#include "platform/UnixSocketChannel.h"

namespace docvane {

namespace {
const std::vector<std::string> kServerArguments = {"/nologo", "/nossm", "/pl"};
constexpr std::chrono::seconds kAbandonedExit(2);
}  // namespace

SocketObjectTransport::SocketObjectTransport(std::shared_ptr<ProcessStarter> starter,
                                             SocketTransportOptions options)
    : starter_(std::move(starter)), options_(std::move(options)) {}

AutomationObject SocketObjectTransport::Connect(const std::string& address) {
    return RemoteConnection::Open(ConnectUnixSocket(address, options_.remote.callTimeout), options_.remote);
}

std::string SocketObjectTransport::AddressOfProcess(int pid) const {
    return RunningEntryAddressOfProcess(RunningObjectDirectory(options_.runningFolder).Folder(), pid);
}

AutomationObject SocketObjectTransport::Activate(const std::string& serverCommand) {
    if (starter_ == nullptr || serverCommand.empty()) {
        return {};
    }
    std::shared_ptr<ServerProcess> process = starter_->Start(serverCommand, kServerArguments);
    if (process == nullptr) {
        return {};
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        started_.erase(
            std::remove_if(started_.begin(), started_.end(),
                           [](const std::weak_ptr<ServerProcess>& item) { return item.expired(); }),
            started_.end());
        started_.push_back(process);
    }
    AutomationObject root;
    if (process->WaitUntilReady(options_.ready, {})) {
        const std::string address = AddressOfProcess(process->Id());
        if (!address.empty()) {
            root = RemoteConnection::Open(ConnectUnixSocket(address, options_.remote.callTimeout),
                                          options_.remote, process);
        }
    }
    if (root.IsNull()) {
        // Not reachable: nothing else will ever end it.
        process->Terminate();
        process->WaitForExit(kAbandonedExit);
    }
    return root;
}

void SocketObjectTransport::TerminateStartedServers() {
    std::vector<std::shared_ptr<ServerProcess>> processes;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (const auto& item : started_) {
            if (auto process = item.lock()) {
                processes.push_back(std::move(process));
            }
        }
    }
    for (const auto& process : processes) {
        process->Terminate();
    }
}

}  // namespace docvane
