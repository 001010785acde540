#include "support/ExternalTool.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

extern char** environ;

namespace docvane::test {

ToolResult RunTool(const std::vector<std::string>& argv) {
    ToolResult result;
    if (argv.empty()) {
        return result;
    }
    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0) {
        return result;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<char*> args;
    for (const std::string& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    pid_t pid = 0;
    const int spawned = ::posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeEnds[1]);
    if (spawned != 0) {
        ::close(pipeEnds[0]);
        return result;
    }
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(pipeEnds[0], buffer, sizeof buffer);
        if (got > 0) {
            result.output.append(buffer, static_cast<std::size_t>(got));
        } else if (got == 0 || errno != EINTR) {
            break;
        }
    }
    ::close(pipeEnds[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

}  // namespace docvane::test

namespace docvane::test {

std::string PdfA1bPreflight(const std::string& path) {
    std::string classPath;
    for (const char* jar :
         {"preflight", "pdfbox2", "fontbox2", "xmpbox", "commons-logging", "jaxb-api", "javax.activation"}) {
        classPath += (classPath.empty() ? "" : ":") + std::string("/usr/share/java/") + jar + ".jar";
    }
    return RunTool({"java", "-cp", classPath, "org.apache.pdfbox.preflight.Validator_A1b", path}).output;
}

bool ConformsToPdfA1b(const std::string& path) {
    return PdfA1bPreflight(path).find("is a valid PDF/A-1b file") != std::string::npos;
}

}  // namespace docvane::test
