#include "run/Cancel.h"

#include "run/Log.h"
#include "run/PublishState.h"

namespace docvane {

void RequestCancel() {
    auto& state = GetPublishState();
    if (state.running) {
        LogWarning("Отмена публикации...");
    }
    state.running = false;
}

}  // namespace docvane
