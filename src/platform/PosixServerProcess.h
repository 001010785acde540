#pragma once
// Server processes started with posix_spawn. The child gets its readiness channel as file
// descriptor 3 and the environment variable DOCVANE_READY_FD=3; it writes one byte there once it
// accepts requests (the counterpart of waiting for input idle). Standard input is /dev/null; standard
// output and error are inherited. No other descriptor of this process reaches the child.
#include <mutex>

#include "automation/ServerProcess.h"

namespace docvane {

class PosixServerProcess : public ServerProcess {
  public:
    PosixServerProcess(int pid, int readyFd) : pid_(pid), readyFd_(readyFd) {}
    ~PosixServerProcess() override;
    PosixServerProcess(const PosixServerProcess&) = delete;
    PosixServerProcess& operator=(const PosixServerProcess&) = delete;

    bool WaitUntilReady(std::chrono::milliseconds timeout, const std::function<bool()>& stop) override;
    bool HasExited() override;
    bool WaitForExit(std::chrono::milliseconds timeout) override;
    void Terminate() override;
    int Id() const override { return pid_; }

  private:
    bool HasExitedLocked();

    const int pid_;
    int readyFd_;
    std::mutex mutex_;  // guards exited_ so that a kill never reaches a reaped (reusable) pid
    bool exited_ = false;
};

class PosixProcessStarter : public ProcessStarter {
  public:
    std::shared_ptr<ServerProcess> Start(const std::string& program,
                                         const std::vector<std::string>& arguments) override;
};

// The starter for real processes of this system.
std::shared_ptr<ProcessStarter> DefaultProcessStarter();

}  // namespace docvane
