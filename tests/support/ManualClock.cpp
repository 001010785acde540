#include "support/ManualClock.h"

namespace docvane::test {

Clock::TimePoint ManualClock::Now() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return now_;
}

void ManualClock::SleepUntil(TimePoint deadline) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (advanceOnSleep_) {
        if (deadline > now_) {
            now_ = deadline;
        }
        return;
    }
    ++sleepers_;
    changed_.notify_all();
    changed_.wait(lock, [&] { return released_ || now_ >= deadline; });
    --sleepers_;
    changed_.notify_all();
}

void ManualClock::Advance(Duration duration) {
    std::lock_guard<std::mutex> lock(mutex_);
    now_ += duration;
    changed_.notify_all();
}

bool ManualClock::WaitForSleepers(int count) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(5), [&] { return sleepers_ >= count; });
}

void ManualClock::Reset(bool advanceOnSleep) {
    std::lock_guard<std::mutex> lock(mutex_);
    now_ = TimePoint{} + std::chrono::hours(1);
    advanceOnSleep_ = advanceOnSleep;
    released_ = false;
}

void ManualClock::Release() {
    std::unique_lock<std::mutex> lock(mutex_);
    released_ = true;
    changed_.notify_all();
    changed_.wait(lock, [&] { return sleepers_ == 0; });
}

namespace {
// Never destroyed: a detached timer thread may still be asleep on it when the tests end.
ManualClock& ProcessManualClock() {
    static ManualClock* clock = new ManualClock;
    return *clock;
}
}  // namespace

ScopedManualClock::ScopedManualClock(bool advanceOnSleep) : clock_(ProcessManualClock()) {
    clock_.Reset(advanceOnSleep);
    SetClock(&clock_);
}

ScopedManualClock::~ScopedManualClock() {
    SetClock(nullptr);
    clock_.Release();
}

}  // namespace docvane::test
