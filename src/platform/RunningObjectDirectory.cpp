#include "platform/RunningObjectDirectory.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>

#include "automation/ObjectTransport.h"
#include "platform/AtomicFile.h"
#include "platform/UnixSocketChannel.h"

namespace fs = std::filesystem;

namespace docvane {

namespace {
// A folder this user owns, no symbolic link, not writable by others; created when missing.
bool PrivateFolder(const std::string& path) {
    ::mkdir(path.c_str(), 0700);
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::getuid()) {
        return false;
    }
    return (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

std::string EnvFolder(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value == '/' ? std::string(value) : std::string();
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
    std::string folder = EnvFolder("DOCVANE_RUNTIME_DIR");
    if (folder.empty()) {
        const std::string xdg = EnvFolder("XDG_RUNTIME_DIR");
        folder = xdg.empty() ? "/tmp/docvane-" + std::to_string(::getuid()) : xdg + "/docvane";
    }
    return PrivateFolder(folder) ? folder : std::string();
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
    for (const auto& file : EntryFiles(Folder())) {
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
