#pragma once
// The file list's host in the desktop program.
#include <functional>

#include "views/FileListHost.h"

namespace docvane {

class CPropertiesPane;
class MainWindowChannel;
class ProjectHandOver;

// The host of the desktop program: the shared properties pane, the main window for opening projects
// and refreshing views, and the desktop's opener.
class CDesktopFileListHost : public FileListHost {
  public:
    CDesktopFileListHost(CPropertiesPane* pane, MainWindowChannel& window, ProjectHandOver& handOver,
                         std::function<bool(const CDocvaneDoc&)> canEdit)
        : pane_(pane), window_(window), handOver_(handOver), canEdit_(std::move(canEdit)) {}
    void ShowProperties(PathDoc* pdf, FileDoc* file) override;
    void OpenProjectFile(const std::string& path) override;
    void RefreshViews(CDocvaneDoc& project) override;
    void OpenSourceFile(const std::string& path) override;
    bool CanEdit(const CDocvaneDoc& project) override { return !canEdit_ || canEdit_(project); }

  private:
    CPropertiesPane* pane_;
    MainWindowChannel& window_;
    ProjectHandOver& handOver_;
    std::function<bool(const CDocvaneDoc&)> canEdit_;
};

}  // namespace docvane
