#pragma once
#include <cstdint>
#include <functional>
#include <memory>

namespace docvane {

// A stopwatch that calls back once per interval on a thread of its own; its time is the installed
// clock's (publish/Clock.h).
class IntervalTimer {
  public:
    IntervalTimer();
    // Stops the ticking thread's callbacks; the thread itself ends after its current sleep.
    ~IntervalTimer();
    IntervalTimer(const IntervalTimer&) = delete;
    IntervalTimer& operator=(const IntervalTimer&) = delete;

    // Does nothing while running (the callback is not replaced); otherwise resets the elapsed time
    // and starts ticking every intervalMs milliseconds.
    void Start(std::function<void()> callback, unsigned intervalMs);
    // Clears running; a callback already under way may still finish, no new one starts.
    void Stop();
    bool IsRunning() const;
    // Time since the start (until Stop) in 100 ns units, counted in whole intervals; kept after Stop.
    std::uint64_t Elapsed() const;

  private:
    struct Shared;
    std::shared_ptr<Shared> shared_;
};

}  // namespace docvane
