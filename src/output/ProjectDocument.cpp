#include "output/ProjectDocument.h"

#include "output/DocumentStatus.h"
#include "project/DocvaneDoc.h"
#include "project/ProjectFile.h"
#include "run/MainWindowChannel.h"

namespace docvane {

bool OpenProjectDocument(CDocvaneDoc& project, const std::string& path, std::string* error) {
    if (!LoadProjectFile(project, path, error)) {
        return false;
    }
    ComputeProjectStatus(project);
    MainWindow().RefreshViews(&project);
    return true;
}

bool SaveProjectDocument(CDocvaneDoc& project, const std::string& path, std::string* error) {
    const bool saved = SaveProjectFile(project, path, error);
    if (saved) {
        MainWindow().RefreshViews(&project);
    }
    MainWindow().RefreshRibbon();
    return saved;
}

}  // namespace docvane
