#include "run/Clock.h"

#include <atomic>
#include <thread>

namespace docvane {

namespace {
// Real time needs nothing of the operating system beyond the standard library, so it is the core's
// own default rather than a platform object every program would have to install.
class SteadyClock : public Clock {
  public:
    TimePoint Now() const override { return std::chrono::steady_clock::now(); }
    void SleepUntil(TimePoint deadline) override { std::this_thread::sleep_until(deadline); }
};

std::atomic<Clock*> installedClock{nullptr};
}  // namespace

Clock& GetClock() {
    if (Clock* clock = installedClock.load()) {
        return *clock;
    }
    static SteadyClock steady;
    return steady;
}

void SetClock(Clock* clock) {
    installedClock.store(clock);
}

}  // namespace docvane
