#include "support/RunProgram.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "support/TestSupport.h"

extern char** environ;

namespace docvane::test {

ProgramResult RunProgram(const std::vector<std::string>& argv,
                         const std::map<std::string, std::string>& env) {
    ProgramResult result;
    TempDir capture;
    const std::string outPath = capture / "out";
    const std::string errPath = capture / "err";

    std::vector<std::string> envText;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry(*e);
        const auto eq = entry.find('=');
        if (eq != std::string::npos && env.count(entry.substr(0, eq)) != 0) {
            continue;
        }
        envText.push_back(entry);
    }
    for (const auto& [name, value] : env) {
        envText.push_back(name + "=" + value);
    }
    std::vector<char*> envp;
    for (auto& e : envText) {
        envp.push_back(e.data());
    }
    envp.push_back(nullptr);
    std::vector<std::string> args = argv;
    std::vector<char*> argp;
    for (auto& a : args) {
        argp.push_back(a.data());
    }
    argp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argp[0], &actions, nullptr, argp.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        result.err = std::string("cannot start ") + argp[0] + ": " + std::strerror(spawned);
        return result;
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
    }
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = ReadFile(outPath);
    result.err = ReadFile(errPath);
    return result;
}

}  // namespace docvane::test
