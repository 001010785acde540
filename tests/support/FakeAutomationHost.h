#pragma once
// Test doubles of the platform behind the automation layer: a running-object table, a class
// registry, an object transport and a process starter. Each installs itself for its lifetime.
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "automation/ClassRegistry.h"
#include "automation/ObjectTransport.h"
#include "automation/RunningObjectTable.h"
#include "automation/ServerProcess.h"

namespace docvane::test {

class FakeAcadServer;

class FakeRunningObjectTable : public RunningObjectTable {
  public:
    FakeRunningObjectTable();
    ~FakeRunningObjectTable() override;

    // An entry that stays listed while alive() says so (always when alive is empty).
    void Register(std::optional<std::string> displayName, AutomationObject object,
                  std::function<bool()> alive = {}, int processId = 0);
    // The server's application, listed until the server is told to quit; processId: the process that
    // registered it, as a table that knows processes lists it.
    void RegisterServer(const std::shared_ptr<FakeAcadServer>& server, int processId = 0);
    bool KnowsProcesses() const override { return knowsProcesses; }
    bool knowsProcesses = false;

    std::vector<RunningEntry> EnumRunning() override;
    AutomationObject GetObject(const RunningEntry& entry) override;
    std::string Refusal() const override { return refusal; }
    int Enumerations() const { return enumerations_; }
    std::string refusal;  // a table that cannot be used, when not empty

  private:
    struct Entry {
        std::optional<std::string> displayName;
        AutomationObject object;
        std::function<bool()> alive;
        int processId = 0;
    };
    std::mutex mutex_;
    std::vector<Entry> entries_;
    std::atomic<int> enumerations_{0};
};

class FakeClassRegistry : public ClassRegistry {
  public:
    FakeClassRegistry();
    ~FakeClassRegistry() override;
    std::string ServerCommand(const std::string& programId) const override;
    std::string Refusal() const override { return refusal; }
    std::map<std::string, std::string> commands;
    std::string refusal;  // a registry that is not obeyed, when not empty
};

// Activates servers and connects to addresses through callbacks; without them, nothing is reached.
class FakeObjectTransport : public ObjectTransport {
  public:
    FakeObjectTransport();
    ~FakeObjectTransport() override;
    AutomationObject Connect(const std::string& address) override;
    AutomationObject Activate(const std::string& serverCommand) override;
    std::function<AutomationObject(const std::string&)> activate;
    std::function<AutomationObject(const std::string&)> connect;
    std::vector<std::string> activated;
};

class FakeServerProcess : public ServerProcess {
  public:
    explicit FakeServerProcess(int id) : id_(id) {}
    bool WaitUntilReady(std::chrono::milliseconds timeout, const std::function<bool()>& stop) override;
    bool HasExited() override { return exited; }
    bool WaitForExit(std::chrono::milliseconds timeout) override;
    void Terminate() override;
    int Id() const override { return id_; }

    std::atomic<bool> ready{true};
    std::atomic<bool> exited{false};
    std::atomic<bool> terminated{false};
    std::atomic<int> readyWaits{0};

  private:
    int id_;
};

class FakeProcessStarter : public ProcessStarter {
  public:
    std::shared_ptr<ServerProcess> Start(const std::string& program,
                                         const std::vector<std::string>& arguments) override;

    // Programs that start; every other path fails like a missing executable.
    std::vector<std::string> startable;
    // Runs for every started process (typically: a new server registers in the table).
    std::function<void(FakeServerProcess&)> onStart;
    std::vector<std::pair<std::string, std::vector<std::string>>> starts;
    std::vector<std::shared_ptr<FakeServerProcess>> processes;
    // Sessions side by side start processes from their own threads: starts (with onStart) take turns.
    std::mutex mutex;
    std::vector<std::shared_ptr<FakeServerProcess>> Processes() {
        std::lock_guard<std::mutex> lock(mutex);
        return processes;
    }
};

}  // namespace docvane::test
