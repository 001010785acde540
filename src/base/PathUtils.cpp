#include "base/PathUtils.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace docvane {

std::string ToLongPath(const std::string& path) {
    return path;
}
std::string FromLongPath(const std::string& path) {
    return path;
}
std::string LongName(const std::string& path) {
    return path;
}

std::string ShortName(const std::string& path) {
    if (path.empty() || !FileExists(path)) {
        return {};
    }
    return path;
}

bool FileExists(const std::string& path) {
    if (path.empty()) {
        return false;
    }
    // A plain stat: the filesystem library splits the path into parts first, which a run over
    // thousands of files feels.
    struct stat st {};
    return ::stat(ToLongPath(path).c_str(), &st) == 0;
}

bool IsNewer(const std::string& a, const std::string& b) {
    struct stat sa {};
    struct stat sb {};
    if (a.empty() || b.empty() || ::stat(ToLongPath(a).c_str(), &sa) != 0 ||
        ::stat(ToLongPath(b).c_str(), &sb) != 0) {
        return true;
    }
    if (sa.st_mtim.tv_sec != sb.st_mtim.tv_sec) {
        return sa.st_mtim.tv_sec > sb.st_mtim.tv_sec;
    }
    return sa.st_mtim.tv_nsec > sb.st_mtim.tv_nsec;
}

int CanOpenExclusively(const std::string& path) {
    if (path.empty()) {
        return -1;
    }
    int fd = ::open(ToLongPath(path).c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        return -1;
    }
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = 0;
    lock.l_len = 0;
    const bool locked = ::fcntl(fd, F_OFD_SETLK, &lock) == 0;
    ::close(fd);  // closing the last descriptor drops the lock
    return locked ? 1 : -1;
}

bool IsLockedByOther(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        return false;
    }
    struct stat st {};
    bool locked = false;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        struct flock lock {};
        lock.l_type = F_WRLCK;
        lock.l_whence = SEEK_SET;
        if (::fcntl(fd, F_OFD_GETLK, &lock) == 0) {
            locked = lock.l_type != F_UNLCK;
        }
    }
    ::close(fd);
    return locked;
}

int RemovePath(const std::string& path) {
    if (path.empty()) {
        return 0;
    }
    const fs::path p(ToLongPath(path));
    std::error_code ec;
    const auto status = fs::symlink_status(p, ec);
    if (ec || !fs::exists(status)) {
        return 0;
    }
    // A file that another program keeps locked is "in use": leave it alone, as the user expects.
    if (fs::is_regular_file(status) && IsLockedByOther(p.string())) {
        return -5;
    }
    const auto removed = fs::remove_all(p, ec);
    if (ec || removed == static_cast<std::uintmax_t>(-1) || removed == 0) {
        return -5;
    }
    return 0;
}

std::string FileName(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

namespace {
// Position of the extension's dot in a file name, or npos.
std::size_t ExtensionDot(const std::string& name) {
    if (name == "." || name == "..") {
        return std::string::npos;
    }
    const auto dot = name.find_last_of('.');
    if (dot == std::string::npos || dot == 0) {
        return std::string::npos;
    }
    return dot;
}
}  // namespace

std::string FileStem(const std::string& path) {
    const std::string name = FileName(path);
    const auto dot = ExtensionDot(name);
    return dot == std::string::npos ? name : name.substr(0, dot);
}

std::string LowerExtension(const std::string& path) {
    const std::string name = FileName(path);
    const auto dot = ExtensionDot(name);
    if (dot == std::string::npos) {
        return {};
    }
    std::string ext = name.substr(dot);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; });
    return ext;
}

bool IsDrawingFile(const std::string& path) {
    const auto ext = LowerExtension(path);
    return ext == ".dwg" || ext == ".dxf";
}

bool IsWordFile(const std::string& path) {
    const auto ext = LowerExtension(path);
    return ext == ".doc" || ext == ".docx" || ext == ".docm";
}

bool IsPdfFile(const std::string& path) {
    return LowerExtension(path) == ".pdf";
}

bool IsAbsolutePath(std::string_view path) {
    return !path.empty() && path.front() == '/';
}

std::string JoinPath(const std::string& left, const std::string& right) {
    if (IsAbsolutePath(right) || left.empty()) {
        return right;
    }
    if (right.empty()) {
        return left.back() == '/' ? left : left + "/";
    }
    return left.back() == '/' ? left + right : left + "/" + right;
}

std::string NormalizeLexically(const std::string& path) {
    if (path.empty()) {
        return {};
    }
    std::string result = fs::path(path).lexically_normal().string();
    // "a/b/" normalises to "a/b/"; folders are held without a trailing separator.
    while (result.size() > 1 && result.back() == '/') {
        result.pop_back();
    }
    return result;
}

std::string ParentPath(const std::string& path) {
    return fs::path(path).parent_path().string();
}

std::string ResolvePathText(const std::string& base, const std::string& text) {
    if (text.empty()) {
        return {};
    }
    if (IsAbsolutePath(text)) {
        return text;
    }
    std::string relative = text;
    std::replace(relative.begin(), relative.end(), '\\', '/');
    return NormalizeLexically(JoinPath(base, relative));
}

namespace {
// The relative form of an already canonical path against a canonical base.
std::string RelativeForm(const fs::path& canonicalPath, const fs::path& canonicalBase) {
    // Paths that meet only at the root are kept absolute, as files on another drive are.
    auto pathIt = canonicalPath.begin();
    auto baseIt = canonicalBase.begin();
    int common = 0;
    while (pathIt != canonicalPath.end() && baseIt != canonicalBase.end() && *pathIt == *baseIt) {
        ++pathIt;
        ++baseIt;
        ++common;
    }
    if (common <= 1 && canonicalBase != "/") {
        return canonicalPath.string();
    }
    const fs::path relative = canonicalPath.lexically_relative(canonicalBase);
    if (relative.empty()) {
        return canonicalPath.string();
    }
    std::string text = relative.string();
    std::replace(text.begin(), text.end(), '/', '\\');
    if (text.rfind(".\\", 0) != 0 && text.rfind("..\\", 0) != 0) {
        text = ".\\" + text;
    }
    return text;
}
}  // namespace

PathRelativizer::PathRelativizer(const std::string& base) : base_(base) {
    std::error_code ec;
    canonicalBase_ = fs::weakly_canonical(fs::path(base.empty() ? "/" : base), ec).string();
    baseOk_ = !ec && !base.empty();
}

std::string PathRelativizer::CanonicalFolder(const std::string& folder) {
    auto it = folders_.find(folder);
    if (it != folders_.end()) {
        return it->second;
    }
    std::error_code ec;
    std::string canonical = fs::weakly_canonical(fs::path(folder), ec).string();
    if (ec) {
        canonical.clear();
    }
    folders_.emplace(folder, canonical);
    return canonical;
}

std::string PathRelativizer::Relative(const std::string& path) {
    if (path.empty()) {
        return {};
    }
    fs::path canonicalPath;
    const fs::path p(path);
    const bool plainName =
        p.has_filename() && p.has_parent_path() && p.filename() != "." && p.filename() != "..";
    struct stat st {};
    const bool finalIsLink = plainName && ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
    if (plainName && !finalIsLink) {
        // Only the folder can hold links: canonicalise it once, then add the name.
        const std::string folder = CanonicalFolder(p.parent_path().string());
        if (folder.empty()) {
            return {};
        }
        canonicalPath = fs::path(folder) / p.filename();
    } else {
        std::error_code ec;
        canonicalPath = fs::weakly_canonical(p, ec);
        if (ec) {
            return {};
        }
    }
    if (!baseOk_) {
        return canonicalPath.string();
    }
    return RelativeForm(canonicalPath, fs::path(canonicalBase_));
}

std::string RelativePathText(const std::string& path, const std::string& base) {
    return PathRelativizer(base).Relative(path);
}

std::string SafeFileName(const std::string& name) {
    std::string result = name;
    for (char& c : result) {
        if (c == '/' || c == '\\' || c == '\0') {
            c = '_';
        }
    }
    return result;
}

}  // namespace docvane
