#include "ui/DesktopFileListHost.h"

#include "base/PathUtils.h"
#include "desktop/ProjectHandOver.h"
#include "platform/DesktopOpen.h"
#include "run/MainWindowChannel.h"
#include "views/PropertiesPane.h"

namespace docvane {

void CDesktopFileListHost::ShowProperties(PathDoc* pdf, FileDoc* file) {
    if (pane_ != nullptr) {
        pane_->ShowProperties(pdf, file);
    }
}

void CDesktopFileListHost::OpenProjectFile(const std::string& path) {
    handOver_.OpenProject(path);
}

void CDesktopFileListHost::RefreshViews(CDocvaneDoc& project) {
    window_.RefreshViews(&project);
}

void CDesktopFileListHost::OpenSourceFile(const std::string& path) {
    OpenWithDesktop(ToLongPath(path));
}

}  // namespace docvane
