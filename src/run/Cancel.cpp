#include "run/Cancel.h"

#include "run/Log.h"
#include "run/PublishState.h"

namespace docvane {

void RequestCancel() {
    if (RunGoesOn()) {
        LogWarning("Отмена публикации...");
    }
    // A file of a parallel run stops alone; the run ends on it only when its turn comes.
    if (RequestFileStop()) {
        return;
    }
    GetPublishState().running = false;
}

}  // namespace docvane
