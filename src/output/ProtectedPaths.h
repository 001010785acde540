#pragma once
// The user's own files that no output operation may delete or overwrite: the project file, every
// source of the project and every recorded reference of a drawing. Output folders are chosen freely
// and may be the project's or the sources' own folders, so cleaning and placing consult this first.
#include <memory>
#include <set>
#include <string>

namespace docvane {

class CDocvaneDoc;
struct FileDoc;

class ProtectedPaths {
  public:
    explicit ProtectedPaths(const CDocvaneDoc& project);

    // True when path is one of the protected files or a folder that contains one.
    bool Protects(const std::string& path) const;
    // The same for a path already in its ComparablePath form.
    bool ProtectsComparable(const std::string& candidate) const;

    // Adds the file's source and references (they become known while a drawing is published).
    void Add(const FileDoc& file);

  private:
    void Add(const std::string& path);

    std::set<std::string> paths_;  // canonical forms
};

// The protected set a placing or cleaning step consults: given, the run's own, which the run builds
// once when it starts and hands to every step (canonical forms come from the file system, and
// rebuilding them for every placed file made a run quadratic in the number of files); null, one built
// now, for the steps the window takes outside a run.
std::shared_ptr<const ProtectedPaths> ProtectedPathsOf(const CDocvaneDoc& project,
                                                       const ProtectedPaths* given = nullptr);

// The canonical form used for comparing paths that may be spelt differently (links, "..").
std::string ComparablePath(const std::string& path);

}  // namespace docvane
