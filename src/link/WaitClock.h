#pragma once

#include <cstdint>

// The time source of the link's waits and pause. The waits count whole seconds of the wall
// clock; the pause counts milliseconds. Tests install a fake that advances on demand.
class WaitClock {
public:
    virtual ~WaitClock() = default;

    // The wall clock's current second (any fixed origin).
    virtual int64_t WholeSeconds() = 0;
    // A 32-bit millisecond counter that may wrap around.
    virtual uint32_t Milliseconds() = 0;
    // Lets pending window events run, blocking until at least one event arrives or the
    // next wall-clock second begins, whichever comes first.
    virtual void WaitForEvents() = 0;
    // Blocks for `ms` milliseconds without running window events.
    virtual void Sleep(uint32_t ms) = 0;
};

// The clock the program's waits use; tests install a fake one.
WaitClock& ProgramClock();
void SetProgramClock(WaitClock* clock); // nullptr restores the system clock
