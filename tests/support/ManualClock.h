#pragma once
// A clock that tests move by hand. Two ways of sleeping: a waiting thread (a timer) stays asleep until
// the test advances time past its deadline; with advanceOnSleep a sleep moves time itself, so that a
// wait of thirty minutes in the code under test passes at once.
#include <condition_variable>
#include <mutex>

#include "run/Clock.h"

namespace docvane::test {

class ManualClock : public Clock {
  public:
    TimePoint Now() const override;
    void SleepUntil(TimePoint deadline) override;

    // Moves time on and wakes the sleepers whose deadline it reached.
    void Advance(Duration duration);
    // Blocks (in real time, at most a few seconds) until count threads are asleep on this clock. True
    // when they are.
    bool WaitForSleepers(int count);

  private:
    friend class ScopedManualClock;
    void Reset(bool advanceOnSleep);
    void Release();

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    TimePoint now_{};
    bool advanceOnSleep_ = false;
    bool released_ = false;
    int sleepers_ = 0;
};

// Installs the process's manual clock (reset to a fixed start) for the scope; on leaving it restores
// the steady clock and lets every thread still asleep on the manual clock go.
class ScopedManualClock {
  public:
    explicit ScopedManualClock(bool advanceOnSleep = false);
    ~ScopedManualClock();
    ScopedManualClock(const ScopedManualClock&) = delete;
    ScopedManualClock& operator=(const ScopedManualClock&) = delete;
    ManualClock& operator*() const { return clock_; }
    ManualClock* operator->() const { return &clock_; }

  private:
    ManualClock& clock_;
};

}  // namespace docvane::test
