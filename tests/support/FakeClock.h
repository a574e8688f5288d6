#pragma once

#include "link/WaitClock.h"

#include <cstdint>
#include <functional>
#include <map>

// A clock that only moves when the code under test waits. Scheduled actions (a unit's reply
// arriving, the operator pressing a button) run as events when their time has come, so a
// 55-second time-out takes a few milliseconds of real time and replays exactly.
class FakeClock final : public WaitClock {
public:
    // Installs itself as the program clock for its lifetime.
    explicit FakeClock(int64_t startMs = 100, uint32_t stepMs = 10);
    ~FakeClock() override;
    FakeClock(const FakeClock&) = delete;
    FakeClock& operator=(const FakeClock&) = delete;

    int64_t NowMs() const { return now_; }
    void Advance(int64_t ms) { now_ += ms; }
    // Runs `action` as an event once the clock reaches `atMs` (absolute) or `ms` from now.
    void At(int64_t atMs, std::function<void()> action);
    void After(int64_t ms, std::function<void()> action) { At(now_ + ms, std::move(action)); }
    // Offsets the millisecond counter, to test its wrap-around.
    void SetMillisecondBase(uint32_t base) { msBase_ = base; }
    // Total time the code under test spent in event waits and pauses.
    int64_t WaitedMs() const { return waited_; }
    int64_t SleptMs() const { return slept_; }

    int64_t WholeSeconds() override { return now_ / 1000; }
    uint32_t Milliseconds() override { return msBase_ + static_cast<uint32_t>(now_); }
    void LetEventsRun() override;
    void WaitForEvents(uint32_t maxMs) override;
    void Sleep(uint32_t ms) override;

private:
    void runDue();

    int64_t now_;
    uint32_t step_;
    uint32_t msBase_ = 0;
    int64_t waited_ = 0;
    int64_t slept_ = 0;
    std::multimap<int64_t, std::function<void()>> scheduled_;
};
