#include "publish/IntervalTimer.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace docvane {

struct IntervalTimer::Shared {
    std::atomic<bool> running = false;
    std::atomic<std::uint64_t> elapsed = 0;
    // Bumped at every start so that a thread of an earlier start never ticks for a later one.
    std::atomic<std::uint64_t> generation = 0;
    std::atomic<bool> alive = true;
};

IntervalTimer::IntervalTimer() : shared_(std::make_shared<Shared>()) {}

IntervalTimer::~IntervalTimer() {
    // The detached thread holds the shared state; once the owner is gone it makes no further callback.
    shared_->alive = false;
    shared_->running = false;
}

void IntervalTimer::Start(std::function<void()> callback, unsigned intervalMs) {
    if (shared_->running.exchange(true)) {
        return;
    }
    shared_->elapsed = 0;
    const std::uint64_t generation = ++shared_->generation;
    std::thread([shared = shared_, callback = std::move(callback), intervalMs, generation]() {
        while (shared->running && shared->generation == generation) {
            std::this_thread::sleep_for(std::chrono::milliseconds(intervalMs));
            if (!shared->alive || shared->generation != generation) {
                return;
            }
            shared->elapsed += static_cast<std::uint64_t>(intervalMs) * 10000ULL;
            if (callback) {
                callback();
            }
        }
    }).detach();
}

void IntervalTimer::Stop() {
    shared_->running = false;
}

bool IntervalTimer::IsRunning() const {
    return shared_->running;
}

std::uint64_t IntervalTimer::Elapsed() const {
    return shared_->elapsed;
}

}  // namespace docvane
