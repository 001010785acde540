#include "platform/RunningObjectDirectory.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "automation/ObjectTransport.h"
#include "base/AtomicFile.h"
#include "platform/UnixSocketChannel.h"

namespace fs = std::filesystem;

namespace docvane {

namespace {
std::string EnvFolder(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value == '/' ? std::string(value) : std::string();
}

// Why path is not a folder this user owns, no symbolic link, not writable by others (created when
// missing); empty when it is one.
std::string PrivateFolderRefusal(const std::string& path) {
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
        return std::string("не могу создать папку: ") + std::strerror(errno);
    }
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) {
        return std::string("не могу прочитать папку: ") + std::strerror(errno);
    }
    if (!S_ISDIR(info.st_mode)) {
        return "это не папка";
    }
    if (info.st_uid != ::getuid()) {
        return "папка принадлежит другому пользователю";
    }
    if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
        return "в папку могут писать другие пользователи";
    }
    return {};
}

bool PrivateFolder(const std::string& path) {
    return PrivateFolderRefusal(path).empty();
}

std::string RuntimeDirectoryCandidate() {
    std::string folder = EnvFolder("DOCVANE_RUNTIME_DIR");
    if (folder.empty()) {
        const std::string xdg = EnvFolder("XDG_RUNTIME_DIR");
        folder = xdg.empty() ? "/tmp/docvane-" + std::to_string(::getuid()) : xdg + "/docvane";
    }
    return folder;
}

// The process id an entry's file name "<pid>-N.entry" carries; 0 when it carries none.
int EntryProcess(const fs::path& file) {
    const std::string name = file.filename().string();
    int pid = 0;
    const auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), pid);
    return error == std::errc() && end != name.data() && *end == '-' && pid > 0 ? pid : 0;
}

bool ProcessIsGone(int pid) {
    return ::kill(pid, 0) != 0 && errno == ESRCH;
}

// The entry files of a private folder, in name order.
std::vector<fs::path> EntryFiles(const std::string& folder) {
    std::vector<fs::path> files;
    if (folder.empty() || !PrivateFolder(folder)) {
        return files;
    }
    std::error_code ec;
    for (const auto& item : fs::directory_iterator(folder, ec)) {
        if (item.path().extension() == ".entry") {
            files.push_back(item.path());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

// An entry without display name when the file cannot be read or has no line end.
RunningEntry ReadEntry(const fs::path& file) {
    RunningEntry entry;
    std::string bytes;
    if (ReadWholeFile(file.string(), bytes)) {
        const auto newline = bytes.find('\n');
        if (newline != std::string::npos) {
            entry.displayName = bytes.substr(0, newline);
            std::string address = bytes.substr(newline + 1);
            while (!address.empty() && (address.back() == '\n' || address.back() == '\r')) {
                address.pop_back();
            }
            entry.address = address;
        }
    }
    return entry;
}

std::string EntryAddress(const fs::path& file) {
    return ReadEntry(file).address;
}
}  // namespace

std::string UserRuntimeDirectory() {
    const std::string folder = RuntimeDirectoryCandidate();
    return PrivateFolder(folder) ? folder : std::string();
}

std::string UserRuntimeDirectoryRefusal() {
    const std::string folder = RuntimeDirectoryCandidate();
    const std::string reason = PrivateFolderRefusal(folder);
    return reason.empty() ? std::string()
                          : "Папка для связи с программами не используется: " + folder + " (" + reason + ")";
}

std::string RunningObjectDirectory::Refusal() const {
    if (!folder_.empty()) {
        const std::string reason = PrivateFolderRefusal(folder_);
        return reason.empty() ? std::string()
                              : "Папка запущенных программ не используется: " + folder_ + " (" + reason + ")";
    }
    if (std::string refusal = UserRuntimeDirectoryRefusal(); !refusal.empty()) {
        return refusal;
    }
    const std::string running = UserRuntimeDirectory() + "/running";
    const std::string reason = PrivateFolderRefusal(running);
    return reason.empty() ? std::string()
                          : "Папка запущенных программ не используется: " + running + " (" + reason + ")";
}

int RemoveEntriesOfEndedProcesses(const std::string& folder) {
    int removed = 0;
    for (const auto& file : EntryFiles(folder)) {
        const int pid = EntryProcess(file);
        if (pid == 0 || !ProcessIsGone(pid)) {
            continue;
        }
        const std::string address = EntryAddress(file);
        if (::unlink(file.c_str()) == 0) {
            ++removed;
        }
        // Only a socket of this user that nobody answers on goes (connecting to any other kind of
        // file is refused as well).
        struct stat info {};
        if (!address.empty() && ::lstat(address.c_str(), &info) == 0 && S_ISSOCK(info.st_mode) &&
            info.st_uid == ::getuid() && SocketIsAbandoned(address)) {
            ::unlink(address.c_str());
        }
    }
    return removed;
}

std::string RunningObjectDirectory::Folder() const {
    if (!folder_.empty()) {
        return folder_;
    }
    const std::string runtime = UserRuntimeDirectory();
    return runtime.empty() ? std::string() : runtime + "/running";
}

std::vector<RunningEntry> RunningObjectDirectory::EnumRunning() {
    std::vector<RunningEntry> entries;
    const std::string folder = Folder();
    RemoveEntriesOfEndedProcesses(folder);
    for (const auto& file : EntryFiles(folder)) {
        entries.push_back(ReadEntry(file));
    }
    return entries;
}

AutomationObject RunningObjectDirectory::GetObject(const RunningEntry& entry) {
    ObjectTransport* transport = GetObjectTransport();
    if (transport == nullptr || entry.address.empty()) {
        return {};
    }
    AutomationObject object = transport->Connect(entry.address);
    // Entries of a server that ended without revoking them (crashed, killed) are removed.
    if (object.IsNull() && SocketIsAbandoned(entry.address)) {
        for (const auto& file : EntryFiles(Folder())) {
            if (EntryAddress(file) == entry.address) {
                ::unlink(file.c_str());
            }
        }
    }
    return object;
}

std::string RunningEntryAddressOfProcess(const std::string& folder, int pid) {
    const std::string prefix = std::to_string(pid) + "-";
    for (const auto& file : EntryFiles(folder)) {
        if (file.filename().string().rfind(prefix, 0) == 0) {
            return EntryAddress(file);
        }
    }
    return {};
}

std::string RegisterRunningObject(const std::string& folder, const std::string& displayName,
                                  const std::string& address) {
    if (displayName.find('\n') != std::string::npos || address.find('\n') != std::string::npos ||
        !PrivateFolder(folder)) {
        return {};
    }
    static std::atomic<unsigned> counter{0};
    const std::string path =
        folder + "/" + std::to_string(::getpid()) + "-" + std::to_string(counter++) + ".entry";
    return WriteFileAtomically(path, displayName + "\n" + address + "\n") ? path : std::string();
}

void RevokeRunningObject(const std::string& entryPath) {
    if (!entryPath.empty()) {
        ::unlink(entryPath.c_str());
    }
}

}  // namespace docvane
