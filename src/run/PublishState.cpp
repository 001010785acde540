#include "run/PublishState.h"

namespace docvane {

PublishState& GetPublishState() {
    static PublishState state;
    return state;
}

void RaiseSeverity(int level) {
    auto& severity = GetPublishState().severity;
    int current = severity.load();
    while (current < level && !severity.compare_exchange_weak(current, level)) {
    }
}

}  // namespace docvane
