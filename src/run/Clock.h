#pragma once
// Time as the engine's waits, timers and time rules see it. Every poll, bounded wait and stopwatch
// asks this clock instead of the system, so that tests can move time on without sleeping.
#include <chrono>

namespace docvane {

class Clock {
  public:
    using Duration = std::chrono::steady_clock::duration;
    using TimePoint = std::chrono::steady_clock::time_point;

    virtual ~Clock() = default;
    // Monotonic: never goes back.
    virtual TimePoint Now() const = 0;
    // Returns once Now() has reached deadline (at once when it already has).
    virtual void SleepUntil(TimePoint deadline) = 0;

    void SleepFor(Duration duration) { SleepUntil(Now() + duration); }
};

// The installed clock; the steady clock of the standard library when none is installed.
Clock& GetClock();
// Installs a clock (nullptr restores the steady clock). It must outlive every call made through it.
void SetClock(Clock* clock);

}  // namespace docvane
