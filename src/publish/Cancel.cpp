#include "publish/Cancel.h"

#include "publish/Log.h"
#include "publish/PublishState.h"

namespace docvane {

void RequestCancel() {
    auto& state = GetPublishState();
    if (state.running) {
        LogWarning("Отмена публикации...");
    }
    state.running = false;
}

}  // namespace docvane
