#pragma once
// Path helpers every file operation goes through. Paths are UTF-8 POSIX paths in memory; the
// project file keeps the relative form with backslashes so projects stay exchangeable.
#include <string>
#include <string_view>
#include <unordered_map>

namespace docvane {

// Long-path prefixes and 8.3 names do not exist here: the first three return their argument.
std::string ToLongPath(const std::string& path);
std::string FromLongPath(const std::string& path);
std::string LongName(const std::string& path);
// The path itself when it exists, empty text otherwise.
std::string ShortName(const std::string& path);

bool FileExists(const std::string& path);
// True when a or b is missing, or a was written later than b.
bool IsNewer(const std::string& a, const std::string& b);
// 1 when the file can be opened for writing and locked exclusively right now, -1 otherwise.
int CanOpenExclusively(const std::string& path);
// True when another program holds a lock on this regular file (the stand-in for "file in use").
bool IsLockedByOther(const std::string& path);
// 0 when something was removed or nothing existed, -5 when nothing could be removed.
int RemovePath(const std::string& path);

std::string FileName(const std::string& path);
std::string FileStem(const std::string& path);
std::string LowerExtension(const std::string& path);
bool IsDrawingFile(const std::string& path);
bool IsWordFile(const std::string& path);
bool IsPdfFile(const std::string& path);

bool IsAbsolutePath(std::string_view path);
// Joins with one separator; an absolute right-hand part replaces the left-hand part.
std::string JoinPath(const std::string& left, const std::string& right);
// Collapses ".", ".." and repeated separators without touching the disk.
std::string NormalizeLexically(const std::string& path);
std::string ParentPath(const std::string& path);

// Resolves text from the user or the project file against base: empty stays empty, absolute text is
// used as it is, relative text (either separator) is joined to base and normalised.
std::string ResolvePathText(const std::string& base, const std::string& text);
// The stored form of path relative to base: ".\Plan.dwg", "..\Other\Plan.dwg"; the absolute path when
// the two share nothing but the root; empty for an empty path.
std::string RelativePathText(const std::string& path, const std::string& base);

// Forms many relative paths against one base, canonicalising each folder only once (writing a large
// project touches the disk once per file instead of once per path component).
class PathRelativizer {
  public:
    explicit PathRelativizer(const std::string& base);
    std::string Relative(const std::string& path);

  private:
    std::string CanonicalFolder(const std::string& folder);
    std::string base_;
    std::string canonicalBase_;
    bool baseOk_ = false;
    std::unordered_map<std::string, std::string> folders_;
};

// A file name built from a name that comes from a drawing or a project file: separators and NUL are
// replaced so that the result always stays inside the folder it is joined to.
std::string SafeFileName(const std::string& name);

}  // namespace docvane
