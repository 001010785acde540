#include "platform/ClassRegistryFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <sstream>
#include <vector>

#include "base/AtomicFile.h"
#include "platform/SettingsFile.h"

namespace docvane {

namespace {
std::string Trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

std::vector<std::string> Lines(const std::string& path) {
    std::string bytes;
    std::vector<std::string> lines;
    if (!ReadWholeFile(path, bytes)) {
        return lines;
    }
    std::istringstream in(bytes);
    std::string line;
    while (std::getline(in, line)) {
        lines.push_back(line);
    }
    return lines;
}

// The program id of a registry line, empty for comments and malformed lines.
std::string LineId(const std::string& line, std::string* command) {
    const std::string trimmed = Trim(line);
    if (trimmed.empty() || trimmed.front() == '#') {
        return {};
    }
    const auto equals = trimmed.find('=');
    if (equals == std::string::npos) {
        return {};
    }
    if (command != nullptr) {
        *command = Trim(trimmed.substr(equals + 1));
    }
    return Trim(trimmed.substr(0, equals));
}
// Why a file or folder of the registry must not be trusted; empty when it may be.
std::string UntrustedBecause(const std::string& path, bool folder) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return {};  // a missing registry names no server and needs no refusal
    }
    if (info.st_uid != ::getuid() && info.st_uid != 0) {
        return folder ? "его папка принадлежит другому пользователю" : "он принадлежит другому пользователю";
    }
    if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
        // A shared folder with the sticky bit (like /tmp) lets nobody replace another's file.
        if (!folder || (info.st_mode & S_ISVTX) == 0) {
            return folder ? "в его папку могут писать другие пользователи"
                          : "в него могут писать другие пользователи";
        }
    }
    return {};
}
}  // namespace

std::string UserClassRegistryPath() {
    return UserSettingsDirectory() + "/classes.conf";
}

std::string ClassRegistryFile::Path() const {
    return path_.empty() ? UserClassRegistryPath() : path_;
}

std::string ClassRegistryFile::Refusal() const {
    const std::string path = Path();
    std::string reason = UntrustedBecause(path, false);
    if (reason.empty()) {
        if (::access(path.c_str(), F_OK) != 0 && errno == ENOENT) {
            return {};
        }
        reason = UntrustedBecause(std::filesystem::path(path).parent_path().string(), true);
    }
    return reason.empty() ? std::string() : "Реестр классов не используется: " + path + " (" + reason + ")";
}

std::string ClassRegistryFile::ServerCommand(const std::string& programId) const {
    if (!Refusal().empty()) {
        return {};
    }
    for (const std::string& line : Lines(Path())) {
        std::string command;
        if (!programId.empty() && LineId(line, &command) == programId) {
            // Only absolute paths name a server: a relative one would depend on the working folder.
            return !command.empty() && command.front() == '/' ? command : std::string();
        }
    }
    return {};
}

bool RegisterClassServer(const std::string& path, const std::string& programId, const std::string& command) {
    if (programId.empty() || programId.find_first_of("=\n") != std::string::npos ||
        command.find('\n') != std::string::npos) {
        return false;
    }
    std::string content;
    bool replaced = false;
    for (const std::string& line : Lines(path)) {
        if (LineId(line, nullptr) == programId) {
            if (!replaced) {
                content += programId + "=" + command + "\n";
                replaced = true;
            }
            continue;
        }
        content += line + "\n";
    }
    if (!replaced) {
        content += programId + "=" + command + "\n";
    }
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
    return WriteFileAtomically(path, content);
}

}  // namespace docvane
