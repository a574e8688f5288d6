#pragma once

#include <cstdint>

// The time source of the link's waits and pause. The waits count whole seconds of a clock
// that only moves forward (never the wall clock); the pause counts milliseconds. Tests
// install a fake that advances on demand.
class WaitClock {
public:
    virtual ~WaitClock() = default;

    // The current second of the monotonic clock (any fixed origin).
    virtual int64_t WholeSeconds() = 0;
    // A 32-bit millisecond counter that may wrap around.
    virtual uint32_t Milliseconds() = 0;
    // Runs the window events pending at this moment and returns.
    virtual void LetEventsRun() = 0;
    // Runs window events, blocking until at least one arrives, the next second of WholeSeconds
    // begins, or `maxMs` milliseconds have passed, whichever comes first.
    virtual void WaitForEvents(uint32_t maxMs) = 0;
    // Blocks for `ms` milliseconds without running window events.
    virtual void Sleep(uint32_t ms) = 0;
};

// The clock the program's waits use; tests install a fake one.
WaitClock& ProgramClock();
void SetProgramClock(WaitClock* clock); // nullptr restores the system clock
