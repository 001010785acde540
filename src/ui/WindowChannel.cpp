#include "ui/WindowChannel.h"

#include <wx/event.h>
#include <wx/thread.h>

namespace docvane {

CWindowChannel::CWindowChannel(wxEvtHandler& queue, MainWindowChannel& target, ProjectHandOver& handOver)
    : queue_(queue), target_(target), handOver_(handOver) {}

CWindowChannel::~CWindowChannel() {
    Close();
}

void CWindowChannel::Close() {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    shared_->closed = true;
    shared_->done.notify_all();
}

void CWindowChannel::Deliver(std::function<void(MainWindowChannel&)> call) {
    if (wxThread::IsMain()) {
        bool closed = false;
        {
            std::lock_guard<std::mutex> lock(shared_->mutex);
            closed = shared_->closed;
        }
        if (!closed) {
            call(target_);
        }
        return;
    }
    auto handled = std::make_shared<bool>(false);
    std::shared_ptr<Shared> shared = shared_;
    MainWindowChannel* target = &target_;
    {
        std::lock_guard<std::mutex> lock(shared->mutex);
        if (shared->closed) {
            return;
        }
    }
    queue_.CallAfter([shared, handled, target, call = std::move(call)] {
        {
            std::lock_guard<std::mutex> lock(shared->mutex);
            if (shared->closed) {
                return;
            }
        }
        // Runs unlocked: a handler may open a modal loop that delivers further calls.
        call(*target);
        std::lock_guard<std::mutex> lock(shared->mutex);
        *handled = true;
        shared->done.notify_all();
    });
    std::unique_lock<std::mutex> lock(shared->mutex);
    shared->done.wait(lock, [&] { return *handled || shared->closed; });
}

void CWindowChannel::LogLine(LogKind kind, const std::string& line) {
    Deliver([kind, line](MainWindowChannel& t) { t.LogLine(kind, line); });
}

void CWindowChannel::OpenProject(const std::string& path) {
    Deliver([handOver = &handOver_, path](MainWindowChannel&) { handOver->OpenProject(path); });
}

void CWindowChannel::PublishStateChanged(RunState state) {
    Deliver([state](MainWindowChannel& t) { t.PublishStateChanged(state); });
}

void CWindowChannel::RefreshViews(CDocvaneDoc* project) {
    Deliver([project](MainWindowChannel& t) { t.RefreshViews(project); });
}

void CWindowChannel::ElapsedTime(bool show) {
    Deliver([show](MainWindowChannel& t) { t.ElapsedTime(show); });
}

void CWindowChannel::RefreshRibbon() {
    Deliver([](MainWindowChannel& t) { t.RefreshRibbon(); });
}

}  // namespace docvane
