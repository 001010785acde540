#include "run/PublishState.h"

namespace docvane {

namespace {
thread_local ScopedFileStop* t_fileStop = nullptr;
}

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

ScopedFileStop::ScopedFileStop(std::atomic<bool>& stop) : outer_(t_fileStop), stop_(stop) {
    t_fileStop = this;
}

ScopedFileStop::~ScopedFileStop() {
    t_fileStop = outer_;
}

bool FileStopRequested() {
    return t_fileStop != nullptr && t_fileStop->stop_;
}

bool RunGoesOn() {
    return GetPublishState().running && !FileStopRequested();
}

bool RequestFileStop() {
    if (t_fileStop == nullptr) {
        return false;
    }
    t_fileStop->stop_ = true;
    return true;
}

}  // namespace docvane
