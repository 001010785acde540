#pragma once
// The user's own files that no output operation may delete or overwrite: the project file, every
// source of the project and every recorded reference of a drawing. Output folders are chosen freely
// and may be the project's or the sources' own folders, so cleaning and placing consult this first.
#include <string>
#include <vector>

namespace docvane {

class CDocvaneDoc;

class ProtectedPaths {
  public:
    explicit ProtectedPaths(const CDocvaneDoc& project);

    // True when path is one of the protected files or a folder that contains one.
    bool Protects(const std::string& path) const;

  private:
    std::vector<std::string> paths_;  // canonical forms, sorted
};

// The canonical form used for comparing paths that may be spelt differently (links, "..").
std::string ComparablePath(const std::string& path);

}  // namespace docvane
