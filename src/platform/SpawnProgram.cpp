#include "platform/SpawnProgram.h"

#include <signal.h>

namespace docvane {

int SpawnProgram(pid_t* pid, const char* program, bool searchPath, const posix_spawn_file_actions_t* actions,
                 char* const argv[], char* const envp[]) {
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
    const int result = searchPath ? ::posix_spawnp(pid, program, actions, &attributes, argv, envp)
                                  : ::posix_spawn(pid, program, actions, &attributes, argv, envp);
    posix_spawnattr_destroy(&attributes);
    return result;
}

}  // namespace docvane
