#include "platform/PosixServerProcess.h"

#include "platform/SpawnProgram.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <thread>

extern char** environ;

namespace docvane {

namespace {
constexpr int kChildReadyFd = 3;
constexpr const char* kReadyVariable = "DOCVANE_READY_FD";
constexpr std::chrono::milliseconds kSlice(50);

std::vector<std::string> ChildEnvironment() {
    std::vector<std::string> variables;
    const std::string prefix = std::string(kReadyVariable) + "=";
    for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
        if (std::strncmp(*entry, prefix.c_str(), prefix.size()) != 0) {
            variables.emplace_back(*entry);
        }
    }
    variables.push_back(prefix + std::to_string(kChildReadyFd));
    return variables;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (auto& text : texts) {
        pointers.push_back(text.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}
}  // namespace

PosixServerProcess::~PosixServerProcess() {
    if (readyFd_ >= 0) {
        ::close(readyFd_);
    }
    HasExited();  // reaps a process that already ended
}

// The waits here keep real time, not the installed clock: they wait on a real process through the
// kernel, which a test clock cannot move on.
bool PosixServerProcess::WaitUntilReady(std::chrono::milliseconds timeout,
                                        const std::function<bool()>& stop) {
    if (readyFd_ < 0) {
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (true) {
        if (stop && stop()) {
            return false;
        }
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) {
            return false;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now);
        struct pollfd poller {};
        poller.fd = readyFd_;
        poller.events = POLLIN;
        const int ready = ::poll(&poller, 1, static_cast<int>(std::min(left, kSlice).count()) + 1);
        if (ready < 0 && errno != EINTR) {
            return false;
        }
        if (ready > 0) {
            char byte = 0;
            const auto count = ::read(readyFd_, &byte, 1);
            if (count < 0 && (errno == EINTR || errno == EAGAIN)) {
                continue;
            }
            // Either the signal, or the channel closed without one (the process ended or does not
            // report readiness); the channel is of no further use in both cases.
            ::close(readyFd_);
            readyFd_ = -1;
            return count == 1;
        }
    }
}

bool PosixServerProcess::HasExitedLocked() {
    if (exited_) {
        return true;
    }
    int status = 0;
    const int result = ::waitpid(pid_, &status, WNOHANG);
    if (result == pid_ || (result < 0 && errno == ECHILD)) {
        exited_ = true;
    }
    return exited_;
}

bool PosixServerProcess::HasExited() {
    std::lock_guard<std::mutex> lock(mutex_);
    return HasExitedLocked();
}

bool PosixServerProcess::WaitForExit(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!HasExited()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

void PosixServerProcess::Terminate() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!HasExitedLocked()) {
        ::kill(pid_, SIGKILL);
    }
}

std::shared_ptr<ServerProcess> PosixProcessStarter::Start(const std::string& program,
                                                          const std::vector<std::string>& arguments) {
    if (program.empty() || program.front() != '/') {
        return nullptr;
    }
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        return nullptr;
    }
    // The write end must not already sit on the child's number, or dup2 would keep its close-on-exec.
    const int writeFd = ::fcntl(fds[1], F_DUPFD_CLOEXEC, 10);
    ::close(fds[1]);
    if (writeFd < 0) {
        ::close(fds[0]);
        return nullptr;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, writeFd, kChildReadyFd);

    std::vector<std::string> argv{program};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<std::string> envp = ChildEnvironment();
    auto argPointers = Pointers(argv);
    auto envPointers = Pointers(envp);

    pid_t pid = 0;
    const int result =
        SpawnProgram(&pid, program.c_str(), false, &actions, argPointers.data(), envPointers.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(writeFd);
    if (result != 0) {
        ::close(fds[0]);
        return nullptr;
    }
    return std::make_shared<PosixServerProcess>(pid, fds[0]);
}

std::shared_ptr<ProcessStarter> DefaultProcessStarter() {
    return std::make_shared<PosixProcessStarter>();
}

}  // namespace docvane
