#pragma once
// Where a project file handed to the desktop program goes: a second start of the program, or a project
// file dropped on a file list, opens it in the running window. Not part of a publication: the window
// receives it whether a run is going or not.
#include <string>

namespace docvane {

class ProjectHandOver {
  public:
    virtual ~ProjectHandOver() = default;
    // Opens the project file in its own tab and brings the window forward.
    virtual void OpenProject(const std::string& path) = 0;
};

}  // namespace docvane
