#include "platform/DesktopOpen.h"

#include <signal.h>
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
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
    pid_t pid = 0;
    const int started = posix_spawnp(&pid, program.c_str(), nullptr, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
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
