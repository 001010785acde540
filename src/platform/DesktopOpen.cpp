#include "platform/DesktopOpen.h"

#include "platform/SpawnProgram.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <thread>
#include <vector>

extern char** environ;

namespace docvane {

bool OpenWithDesktop(const std::string& path) {
    if (path.empty()) {
        return false;
    }
    std::string program = "xdg-open";
    std::string argument = path;
    std::vector<char*> argv{program.data(), argument.data(), nullptr};
    pid_t pid = 0;
    const int started = SpawnProgram(&pid, program.c_str(), true, nullptr, argv.data(), environ);
    if (started != 0) {
        return false;
    }
    // Reap the opener without making the caller wait for it.
    std::thread([pid] {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
    return true;
}

}  // namespace docvane
