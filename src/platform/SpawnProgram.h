#pragma once
#include <spawn.h>
#include <sys/types.h>

namespace docvane {

// posix_spawn (or posix_spawnp when searchPath is set) with every signal unblocked in the child: the
// caller may block signals (the command line takes Ctrl+C on one thread), and a started program must
// stay stoppable like any other. Returns posix_spawn's result.
int SpawnProgram(pid_t* pid, const char* program, bool searchPath, const posix_spawn_file_actions_t* actions,
                 char* const argv[], char* const envp[]);

}  // namespace docvane
