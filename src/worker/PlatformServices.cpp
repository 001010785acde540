#include "worker/PlatformServices.h"

#include "app/ApplicationSettings.h"
#include "automation/ClassRegistry.h"
#include "automation/ObjectTransport.h"
#include "automation/RunningObjectTable.h"
#include "automation/acad/AcadSession.h"
#include "automation/acad/FindAcadExecutable.h"
#include "base/PathUtils.h"
#include "worker/PublishWorker.h"

namespace docvane {

void InstallPlatformServices(const PlatformServices& services) {
    SetUserSettingsStore(services.settings);
    SetExePathLookup(FindAcadExecutable);
    SetClassRegistry(services.classes);
    SetRunningObjectTable(services.running);
    SetObjectTransport(services.transport);
    GetAcadSession().SetProcessStarter(services.processes);
    if (services.openWithDesktop) {
        SetOpenCombinedPdfAction(
            [open = services.openWithDesktop](const std::string& path) { open(ShortName(path)); });
    } else {
        SetOpenCombinedPdfAction({});
    }
}

}  // namespace docvane
