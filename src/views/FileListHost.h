#pragma once
// What the file list asks of the window around it.
#include <functional>
#include <string>

namespace docvane {

class CDocvaneDoc;
struct FileDoc;
struct PathDoc;

class FileListHost {
  public:
    virtual ~FileListHost() = default;
    // The properties pane shows file, or the combined PDF pdf when file is null.
    virtual void ShowProperties(PathDoc* pdf, FileDoc* file) = 0;
    // A dropped project file opens in its own window.
    virtual void OpenProjectFile(const std::string& path) = 0;
    // Every view of the project refreshes its rows and colours.
    virtual void RefreshViews(CDocvaneDoc& project) = 0;
    // A source opens in its own program.
    virtual void OpenSourceFile(const std::string& path) = 0;
    // Whether the project's file list may change now: not while a run walks it.
    virtual bool CanEdit(const CDocvaneDoc& project) = 0;
};

}  // namespace docvane
