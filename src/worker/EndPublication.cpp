#include "worker/EndPublication.h"

#include "automation/acad/AcadSession.h"
#include "automation/word/WordSession.h"
#include "publish/Log.h"
#include "publish/MainWindowChannel.h"
#include "publish/PublishState.h"

namespace docvane {

void StopAutomationServers() {
    GetWordSession().StopWord();
    AcadSession& acad = GetAcadSession();
    if (acad.IsAttached()) {
        LogInfo("Останавливаю процесс AutoCAD...");
        acad.QuitAcad(false);
    }
}

void EndPublication() {
    StopAutomationServers();
    const std::string finalLine = "Публикация окончена.";
    switch (GetPublishState().severity.load()) {
        case 3:
            LogError(finalLine);
            break;
        case 2:
            LogWarning(finalLine);
            break;
        default:
            LogSuccess(finalLine);
            break;
    }
    GetPublishState().running = false;
    MainWindow().ElapsedTime(0);
    MainWindow().PublishStateChanged(kRunEnded);
}

}  // namespace docvane
