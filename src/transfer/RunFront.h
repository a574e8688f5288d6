#pragma once

#include <cstdint>

// What a front end shows while a transfer run goes on: the line speed and the progress. The
// run calls it on its own thread, between its waits.
class RunFront {
public:
    virtual ~RunFront() = default;
    // After the speed exchange: "38.4kbps" when the link runs at the high speed, else "9.6kbps".
    virtual void ShowSpeed(bool highSpeed) = 0;
    // Before the header: the bar's maximum (at least 1), its position 0 and "0%".
    virtual void StartProgress(int32_t maximum) = 0;
    // After every accepted block: the bar's position (at most the maximum) and the whole percentage.
    virtual void ShowProgress(int32_t position, int percent) = 0;
};
