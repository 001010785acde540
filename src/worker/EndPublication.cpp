#include "worker/EndPublication.h"

#include "automation/acad/AcadSession.h"
#include "automation/word/WordSession.h"
#include "run/Log.h"
#include "run/MainWindowChannel.h"
#include "run/PublishState.h"

namespace docvane {

void StopAutomationServers(AcadSession& acad, WordSession& word) {
    word.StopWord();
    if (acad.IsAttached()) {
        LogInfo("Останавливаю процесс AutoCAD...");
        acad.QuitAcad(false);
    }
}

void StopAutomationServers() {
    StopAutomationServers(GetAcadSession(), GetWordSession());
}

void EndPublication(RunSink& sink, AcadSession& acad, WordSession& word, PublishState& state) {
    StopAutomationServers(acad, word);
    const std::string finalLine = "Публикация окончена.";
    switch (state.severity.load()) {
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
    state.running = false;
    sink.ElapsedTime(false);
    sink.PublishStateChanged(kRunEnded);
}

void EndPublication() {
    EndPublication(MainWindow(), GetAcadSession(), GetWordSession(), GetPublishState());
}

}  // namespace docvane
