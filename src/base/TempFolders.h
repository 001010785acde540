#pragma once
// The private temporary folders of projects and the file mode new outputs get.
//
// Every project object gets a folder of its own, created at once with mkdtemp (mode 0700) inside a
// per-user base ("docvane-<uid>" in the system temporary folder, itself 0700, owned by the user and no
// symbolic link). The folder is held locked (flock on the folder itself) while its project lives, so a
// later start can tell the folders of killed runs from those of projects still open, in this process
// or in any other: only unlocked folders of the user's own are ever removed.
#include <sys/types.h>
#include <string>

namespace docvane {

class ProjectTempFolder {
  public:
    // Creates the folder; on failure Path() is empty and Error() says why.
    ProjectTempFolder();
    // Removes the folder with everything in it.
    ~ProjectTempFolder();
    ProjectTempFolder(const ProjectTempFolder&) = delete;
    ProjectTempFolder& operator=(const ProjectTempFolder&) = delete;

    const std::string& Path() const { return path_; }
    const std::string& Error() const { return error_; }

  private:
    std::string path_;
    std::string error_;
    int lockFd_ = -1;
};

// The user's private base for project folders, created when missing; empty (and error set) when it
// cannot be made safe: another user's folder or a symbolic link at its place.
std::string UserTempBase(std::string* error = nullptr);

// Removes the project folders of runs that ended without removing them (killed): folders of this
// user, with the names ProjectTempFolder gives, that no living project holds. Returns how many went.
// Done once per process by the first ProjectTempFolder; callable directly for a given system folder.
int SweepAbandonedTempFolders(const std::string& systemTemp);

// Files being written beside their target are named with this prefix until they are renamed into place.
inline constexpr const char* kPartFilePrefix = ".docvane-part-";

// Creates a new file beside target (same folder, so a rename brings it into place), exclusively, with
// NewFileMode, and locked for as long as the descriptor is open. Returns the descriptor and sets
// partPath, or -1 with errno set.
int CreatePartFile(const std::string& target, std::string& partPath);

// True for a part file of this user that nobody is writing any more (its writer was killed).
bool IsAbandonedPartFile(const std::string& path);

// The mode of a new output file: 0666 without the bits of the process's umask.
mode_t NewFileMode();

}  // namespace docvane
