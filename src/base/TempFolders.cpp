#include "base/TempFolders.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace docvane {

namespace {

constexpr const char* kFolderPrefix = "DV-";
constexpr int kCreateAttempts = 8;

std::string SystemTemp() {
    std::error_code ec;
    const fs::path temp = fs::temp_directory_path(ec);
    return ec || temp.empty() ? std::string("/tmp") : temp.string();
}

std::string UserName() {
    return "docvane-" + std::to_string(::geteuid());
}

// The prefix of a project folder made straight in the system folder when the user's base is unusable.
std::string FallbackPrefix() {
    return UserName() + "-" + kFolderPrefix;
}

bool SameObject(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// An open descriptor of the folder at path when it is a real folder (no link) of this user.
int OpenOwnFolder(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid()) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Removes one abandoned project folder: ours, and no project holds its lock.
bool RemoveIfAbandoned(const std::string& path) {
    const int fd = OpenOwnFolder(path);
    if (fd < 0) {
        return false;
    }
    bool removed = false;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        struct stat held {};
        struct stat named {};
        // The name must still be the folder that was locked: nothing else is removed in its place.
        if (::fstat(fd, &held) == 0 && ::lstat(path.c_str(), &named) == 0 && SameObject(held, named)) {
            std::error_code ec;
            removed = fs::remove_all(fs::path(path), ec) > 0 && !ec;
        }
    }
    ::close(fd);  // also drops the lock
    return removed;
}

int SweepFolder(const std::string& folder, const std::string& prefix) {
    int removed = 0;
    std::error_code ec;
    for (fs::directory_iterator it(fs::path(folder), ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.size() > prefix.size() && name.compare(0, prefix.size(), prefix) == 0 &&
            RemoveIfAbandoned(it->path().string())) {
            ++removed;
        }
    }
    return removed;
}

std::once_flag g_sweepOnce;

}  // namespace

std::string UserTempBase(std::string* error) {
    const std::string base = SystemTemp() + "/" + UserName();
    if (::mkdir(base.c_str(), 0700) != 0 && errno != EEXIST) {
        if (error != nullptr) {
            *error = base + ": " + std::strerror(errno);
        }
        return {};
    }
    const int fd = OpenOwnFolder(base);
    if (fd < 0) {
        if (error != nullptr) {
            *error = base + ": не папка этого пользователя";
        }
        return {};
    }
    struct stat st {};
    // A base of ours that others may enter is closed first; what it holds is made with 0700 anyway.
    const bool privateNow = ::fstat(fd, &st) == 0 && ((st.st_mode & 077) == 0 || ::fchmod(fd, 0700) == 0);
    ::close(fd);
    if (!privateNow) {
        if (error != nullptr) {
            *error = base + ": " + std::strerror(errno);
        }
        return {};
    }
    return base;
}

int SweepAbandonedTempFolders(const std::string& systemTemp) {
    int removed = SweepFolder(systemTemp, FallbackPrefix());
    const std::string base = systemTemp + "/" + UserName();
    struct stat st {};
    if (::lstat(base.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid()) {
        removed += SweepFolder(base, kFolderPrefix);
    }
    return removed;
}

ProjectTempFolder::ProjectTempFolder() {
    std::call_once(g_sweepOnce, [] { SweepAbandonedTempFolders(SystemTemp()); });
    std::string baseError;
    const std::string base = UserTempBase(&baseError);
    // Another user's folder at the base's name must not stop publishing: mkdtemp is safe in the
    // shared folder too.
    const std::string pattern = base.empty() ? SystemTemp() + "/" + FallbackPrefix() + "XXXXXX"
                                             : base + "/" + kFolderPrefix + "XXXXXX";
    for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
        std::vector<char> buffer(pattern.begin(), pattern.end());
        buffer.push_back('\0');
        if (::mkdtemp(buffer.data()) == nullptr) {
            error_ = pattern + ": " + std::strerror(errno);
            return;
        }
        const std::string made(buffer.data());
        const int fd = OpenOwnFolder(made);
        if (fd < 0) {
            continue;  // taken away at once (a sweep of another process): try another name
        }
        struct stat held {};
        struct stat named {};
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &held) == 0 &&
            ::lstat(made.c_str(), &named) == 0 && SameObject(held, named)) {
            path_ = made;
            lockFd_ = fd;
            error_.clear();
            return;
        }
        ::close(fd);
    }
    error_ = pattern + ": не удалось создать папку";
}

ProjectTempFolder::~ProjectTempFolder() {
    if (lockFd_ < 0) {
        return;
    }
    struct stat held {};
    struct stat named {};
    if (::fstat(lockFd_, &held) == 0 && ::lstat(path_.c_str(), &named) == 0 && SameObject(held, named)) {
        std::error_code ec;
        fs::remove_all(fs::path(path_), ec);
    }
    ::close(lockFd_);
}

int CreatePartFile(const std::string& target, std::string& partPath) {
    const auto slash = target.find_last_of('/');
    const std::string folder =
        slash == std::string::npos ? "." : (slash == 0 ? "/" : target.substr(0, slash));
    const std::string pattern = folder + "/" + kPartFilePrefix + "XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    const int fd = ::mkostemp(buffer.data(), O_CLOEXEC);
    if (fd < 0) {
        return -1;
    }
    // mkstemp makes 0600; an output is as readable as the user's other new files.
    if (::fchmod(fd, NewFileMode()) != 0 || ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int saved = errno;
        ::close(fd);
        ::unlink(buffer.data());
        errno = saved;
        return -1;
    }
    partPath = buffer.data();
    return fd;
}

bool IsAbandonedPartFile(const std::string& path) {
    const auto slash = path.find_last_of('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::string prefix = kPartFilePrefix;
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) {
        return false;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        return false;
    }
    struct stat st {};
    const bool abandoned = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid() &&
                           ::flock(fd, LOCK_SH | LOCK_NB) == 0;
    ::close(fd);
    return abandoned;
}

mode_t NewFileMode() {
    static const mode_t mode = [] {
        // The kernel tells the umask without changing it (changing it, even for a moment, would give
        // files created meanwhile by other threads the wrong mode).
        std::ifstream status("/proc/self/status");
        std::string line;
        while (std::getline(status, line)) {
            unsigned int mask = 0;
            if (std::sscanf(line.c_str(), "Umask: %o", &mask) == 1) {
                return static_cast<mode_t>(0666 & ~mask);
            }
        }
        const mode_t mask = ::umask(022);
        ::umask(mask);
        return static_cast<mode_t>(0666 & ~mask);
    }();
    return mode;
}

}  // namespace docvane
