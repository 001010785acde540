#pragma once
// Automation servers this program starts itself: the process, its readiness and its end.
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace docvane {

class ServerProcess {
  public:
    virtual ~ServerProcess() = default;
    // Waits until the server reports that it is ready for requests. Returns false when the process
    // ended or closed its readiness channel without reporting, when stop() turns true, or after
    // timeout. stop is checked at least every 50 ms.
    virtual bool WaitUntilReady(std::chrono::milliseconds timeout, const std::function<bool()>& stop) = 0;
    // True once the process has ended.
    virtual bool HasExited() = 0;
    // Waits up to timeout for the process to end; true when it has.
    virtual bool WaitForExit(std::chrono::milliseconds timeout) = 0;
    // Ends the process at once. Safe from any thread; does nothing once the process has ended.
    virtual void Terminate() = 0;
    virtual int Id() const = 0;
};

class ProcessStarter {
  public:
    virtual ~ProcessStarter() = default;
    // Starts program with exactly these arguments (the program path itself goes in front as the
    // process name). Null when the program cannot be started.
    virtual std::shared_ptr<ServerProcess> Start(const std::string& program,
                                                 const std::vector<std::string>& arguments) = 0;
};

}  // namespace docvane
