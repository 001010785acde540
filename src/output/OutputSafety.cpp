#include "output/OutputSafety.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <string_view>

#include "base/PathUtils.h"
#include "output/OutputPaths.h"
#include "output/ProtectedPaths.h"
#include "project/DocvaneDoc.h"
#include "run/Log.h"

namespace docvane {

namespace {

std::mutex g_rulesMutex;
std::optional<SystemFolderRules> g_rules;

// Each folder of rules as written and as it resolves (through links): a path is judged against both
// spellings, and resolving them once per judgement instead of once per comparison spares dozens of
// system calls (the output places are judged for every run).
SystemFolderRules WithResolvedSpellings(const SystemFolderRules& rules) {
    auto both = [](const std::vector<std::string>& folders) {
        std::vector<std::string> spellings;
        for (const auto& folder : folders) {
            if (folder.empty()) {
                continue;
            }
            spellings.push_back(folder);
            std::string resolved = ComparablePath(folder);
            if (resolved != folder) {
                spellings.push_back(std::move(resolved));
            }
        }
        return spellings;
    };
    return {both(rules.trees), both(rules.folders), both(rules.homes)};
}

SystemFolderRules CurrentRules() {
    {
        std::lock_guard<std::mutex> lock(g_rulesMutex);
        if (g_rules) {
            return WithResolvedSpellings(*g_rules);
        }
    }
    // The system's folders and the user's home stay where they are while the program runs.
    static const SystemFolderRules machine = WithResolvedSpellings(MachineFolderRules());
    return machine;
}

bool Within(const std::string& path, const std::string& tree) {
    return path == tree || (path.size() > tree.size() && path.compare(0, tree.size(), tree) == 0 &&
                            (tree == "/" || path[tree.size()] == '/'));
}

FolderRefusal Judge(const std::string& path, const SystemFolderRules& rules) {
    if (path == "/") {
        return FolderRefusal::Root;
    }
    for (const auto& home : rules.homes) {
        if (path == home) {
            return FolderRefusal::Home;
        }
    }
    for (const auto& folder : rules.folders) {
        if (path == folder) {
            return FolderRefusal::System;
        }
    }
    for (const auto& tree : rules.trees) {
        if (Within(path, tree)) {
            return FolderRefusal::System;
        }
    }
    return FolderRefusal::None;
}

std::string RefusalLine(FolderRefusal refusal, const std::string& folder) {
    switch (refusal) {
        case FolderRefusal::Root:
            return "Недопустимая папка для публикации (корневая папка): " + folder;
        case FolderRefusal::System:
            return "Недопустимая папка для публикации (системная папка): " + folder;
        case FolderRefusal::Home:
            return "Недопустимая папка для публикации (домашняя папка пользователя): " + folder;
        case FolderRefusal::None:
            break;
    }
    return {};
}

// False after the error line when folder is refused; a folder that is not set is no output.
bool FolderAllowed(const std::string& folder, bool homeAllowed) {
    if (folder.empty()) {
        return true;
    }
    const FolderRefusal refusal = RefusedOutputFolder(folder);
    if (refusal == FolderRefusal::None || (homeAllowed && refusal == FolderRefusal::Home)) {
        return true;
    }
    LogError(RefusalLine(refusal, folder));
    return false;
}

}  // namespace

SystemFolderRules MachineFolderRules() {
    SystemFolderRules rules;
    // The system's own trees: nothing of a user's publication belongs anywhere inside them.
    rules.trees = {"/bin",       "/boot",     "/dev",         "/etc",         "/lib",
                   "/lib32",     "/lib64",    "/libx32",      "/proc",        "/sbin",
                   "/sys",       "/usr",      "/var/lib",     "/var/log",     "/var/cache",
                   "/var/spool", "/var/mail", "/var/backups", "/run/systemd", "/snap"};
    // Folders that hold the folders of others: a sub-folder of them may well be a user's own.
    rules.folders = {"/home", "/media",   "/mnt", "/opt",      "/srv",       "/tmp",
                     "/var",  "/var/tmp", "/run", "/run/user", "/run/media", "/root"};
    if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/') {
        rules.homes.push_back(NormalizeLexically(home));
    }
    struct passwd entry {};
    struct passwd* found = nullptr;
    char buffer[4096];
    if (::getpwuid_r(::geteuid(), &entry, buffer, sizeof buffer, &found) == 0 && found != nullptr &&
        found->pw_dir != nullptr && found->pw_dir[0] == '/') {
        rules.homes.push_back(NormalizeLexically(found->pw_dir));
    }
    return rules;
}

void SetSystemFolderRules(const SystemFolderRules* rules) {
    std::lock_guard<std::mutex> lock(g_rulesMutex);
    if (rules != nullptr) {
        g_rules = *rules;
    } else {
        g_rules.reset();
    }
}

FolderRefusal RefusedOutputFolder(const std::string& folder) {
    if (folder.empty()) {
        return FolderRefusal::None;
    }
    const SystemFolderRules rules = CurrentRules();
    const FolderRefusal spelt = Judge(NormalizeLexically(folder), rules);
    return spelt != FolderRefusal::None ? spelt : Judge(ComparablePath(folder), rules);
}

CombinedPdfTarget InspectCombinedPdfTarget(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::lstat(path.c_str(), &st) != 0) {
        return CombinedPdfTarget::Absent;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        // A link to nothing is replaced by the new file like an absent one; anything else unreadable
        // cannot be shown to be a PDF.
        return ::stat(path.c_str(), &st) != 0 && errno == ENOENT ? CombinedPdfTarget::Absent
                                                                 : CombinedPdfTarget::NotAPdf;
    }
    char head[1024];
    ssize_t got = 0;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        got = ::read(fd, head, sizeof head);
    }
    ::close(fd);
    if (got <= 0) {
        return CombinedPdfTarget::NotAPdf;
    }
    const std::string_view text(head, static_cast<std::size_t>(got));
    return text.find("%PDF-") != std::string_view::npos ? CombinedPdfTarget::Pdf : CombinedPdfTarget::NotAPdf;
}

bool CheckOutputPlaces(const CDocvaneDoc& project, const ProtectedPaths* guard) {
    if (!FolderAllowed(project.pdfDir.fullPath, false) || !FolderAllowed(project.editDir.fullPath, false)) {
        return false;
    }
    if (!project.editDir.fullPath.empty() && !FolderAllowed(ReferenceFolder(project), false)) {
        return false;
    }
    const std::string& combined = project.pdfFile.fullPath;
    if (combined.empty()) {
        return true;
    }
    // A combined PDF beside the user's other documents in the home is usual; in a system folder never.
    if (!FolderAllowed(ParentPath(combined), true)) {
        return false;
    }
    if (InspectCombinedPdfTarget(combined) == CombinedPdfTarget::NotAPdf) {
        LogError(kNotAPdfLine + combined);
        return false;
    }
    if (ProtectedPathsOf(project, guard)->Protects(combined)) {
        LogError("Не могу удалить общий pdf: " + combined);
        return false;
    }
    return true;
}

}  // namespace docvane
