#include "run/IntervalTimer.h"

#include <mutex>
#include <thread>

#include "run/Clock.h"

namespace docvane {

struct IntervalTimer::Shared {
    std::mutex mutex;
    bool running = false;
    bool alive = true;
    // Bumped at every start so that a thread of an earlier start never ticks for a later one.
    std::uint64_t generation = 0;
    Clock::TimePoint started{};
    Clock::TimePoint stopped{};
    std::chrono::milliseconds interval{1};

    bool Ticks(std::uint64_t ofGeneration) {
        std::lock_guard<std::mutex> lock(mutex);
        return alive && running && generation == ofGeneration;
    }
};

IntervalTimer::IntervalTimer() : shared_(std::make_shared<Shared>()) {}

IntervalTimer::~IntervalTimer() {
    // The detached thread holds the shared state; once the owner is gone it makes no further callback.
    std::lock_guard<std::mutex> lock(shared_->mutex);
    shared_->alive = false;
    shared_->running = false;
}

void IntervalTimer::Start(std::function<void()> callback, unsigned intervalMs) {
    std::uint64_t generation = 0;
    Clock::TimePoint started;
    const std::chrono::milliseconds interval(intervalMs == 0 ? 1 : intervalMs);
    {
        std::lock_guard<std::mutex> lock(shared_->mutex);
        if (shared_->running) {
            return;
        }
        shared_->running = true;
        shared_->interval = interval;
        shared_->started = started = GetClock().Now();
        generation = ++shared_->generation;
    }
    std::thread([shared = shared_, callback = std::move(callback), interval, generation, started]() {
        // Ticks fall on whole intervals from the start however late a callback returns.
        for (std::uint64_t tick = 1; shared->Ticks(generation); ++tick) {
            GetClock().SleepUntil(started + interval * tick);
            if (!shared->Ticks(generation)) {
                return;
            }
            if (callback) {
                callback();
            }
        }
    }).detach();
}

void IntervalTimer::Stop() {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    if (shared_->running) {
        shared_->running = false;
        shared_->stopped = GetClock().Now();
    }
}

bool IntervalTimer::IsRunning() const {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    return shared_->running;
}

std::uint64_t IntervalTimer::Elapsed() const {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    if (shared_->generation == 0) {
        return 0;
    }
    const Clock::TimePoint end = shared_->running ? GetClock().Now() : shared_->stopped;
    const auto intervals = (end - shared_->started) / shared_->interval;
    const auto counted = std::chrono::duration_cast<std::chrono::nanoseconds>(shared_->interval * intervals);
    return intervals <= 0 ? 0 : static_cast<std::uint64_t>(counted.count() / 100);
}

}  // namespace docvane
