#include "platform/DetachedProgram.h"

#include <sys/wait.h>

#include <cerrno>
#include <thread>

#include "platform/SpawnProgram.h"

extern char** environ;

namespace docvane {

bool StartDetachedProgram(const std::vector<std::string>& argv, bool searchPath) {
    if (argv.empty() || argv.front().empty()) {
        return false;
    }
    std::vector<std::string> copies = argv;
    std::vector<char*> pointers;
    for (std::string& argument : copies) {
        pointers.push_back(argument.data());
    }
    pointers.push_back(nullptr);
    pid_t pid = 0;
    if (SpawnProgram(&pid, copies.front().c_str(), searchPath, nullptr, pointers.data(), environ) != 0) {
        return false;
    }
    std::thread([pid] {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
    return true;
}

}  // namespace docvane
