#include "support/FakeAutomationHost.h"

#include <algorithm>
#include <thread>

#include "support/FakeAcadServer.h"

namespace docvane::test {

FakeRunningObjectTable::FakeRunningObjectTable() {
    SetRunningObjectTable(this);
}
FakeRunningObjectTable::~FakeRunningObjectTable() {
    SetRunningObjectTable(nullptr);
}

void FakeRunningObjectTable::Register(std::optional<std::string> displayName, AutomationObject object,
                                      std::function<bool()> alive, int processId) {
    std::lock_guard<std::mutex> lock(mutex_);
    entries_.push_back({std::move(displayName), std::move(object), std::move(alive), processId});
}

void FakeRunningObjectTable::RegisterServer(const std::shared_ptr<FakeAcadServer>& server, int processId) {
    std::weak_ptr<FakeAcadServer> weak = server;
    Register(
        "!AutoCAD.Application", server->Application(),
        [weak] {
            auto alive = weak.lock();
            return alive && !alive->HasQuit();
        },
        processId);
}

std::vector<RunningEntry> FakeRunningObjectTable::EnumRunning() {
    ++enumerations_;
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<RunningEntry> listed;
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        if (!entries_[i].alive || entries_[i].alive()) {
            listed.push_back(
                {entries_[i].displayName, std::to_string(i), knowsProcesses ? entries_[i].processId : 0});
        }
    }
    return listed;
}

AutomationObject FakeRunningObjectTable::GetObject(const RunningEntry& entry) {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto index = std::stoul(entry.address);
    return index < entries_.size() ? entries_[index].object : AutomationObject();
}

FakeClassRegistry::FakeClassRegistry() {
    SetClassRegistry(this);
}
FakeClassRegistry::~FakeClassRegistry() {
    SetClassRegistry(nullptr);
}

std::string FakeClassRegistry::ServerCommand(const std::string& programId) const {
    const auto found = commands.find(programId);
    return found == commands.end() ? std::string() : found->second;
}

FakeObjectTransport::FakeObjectTransport() {
    SetObjectTransport(this);
}
FakeObjectTransport::~FakeObjectTransport() {
    SetObjectTransport(nullptr);
}

AutomationObject FakeObjectTransport::Connect(const std::string& address) {
    return connect ? connect(address) : AutomationObject();
}

AutomationObject FakeObjectTransport::Activate(const std::string& serverCommand) {
    activated.push_back(serverCommand);
    return activate ? activate(serverCommand) : AutomationObject();
}

bool FakeServerProcess::WaitUntilReady(std::chrono::milliseconds, const std::function<bool()>&) {
    ++readyWaits;
    return ready && !exited;
}

bool FakeServerProcess::WaitForExit(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!exited) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

void FakeServerProcess::Terminate() {
    if (!exited) {
        terminated = true;
        exited = true;
    }
}

std::shared_ptr<ServerProcess> FakeProcessStarter::Start(const std::string& program,
                                                         const std::vector<std::string>& arguments) {
    std::lock_guard<std::mutex> lock(mutex);
    starts.emplace_back(program, arguments);
    if (std::find(startable.begin(), startable.end(), program) == startable.end()) {
        return nullptr;
    }
    auto process = std::make_shared<FakeServerProcess>(1000 + static_cast<int>(processes.size()));
    processes.push_back(process);
    if (onStart) {
        onStart(*process);
    }
    return process;
}

}  // namespace docvane::test
