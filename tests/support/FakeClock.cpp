#include "support/FakeClock.h"

#include <QCoreApplication>

#include <algorithm>

FakeClock::FakeClock(int64_t startMs, uint32_t stepMs) : now_(startMs), step_(stepMs)
{
    SetProgramClock(this);
}

FakeClock::~FakeClock()
{
    SetProgramClock(nullptr);
}

void FakeClock::At(int64_t atMs, std::function<void()> action)
{
    scheduled_.emplace(atMs, std::move(action));
}

void FakeClock::runDue()
{
    while (!scheduled_.empty() && scheduled_.begin()->first <= now_) {
        auto action = std::move(scheduled_.begin()->second);
        scheduled_.erase(scheduled_.begin());
        action();
    }
}

void FakeClock::LetEventsRun()
{
    runDue();
    QCoreApplication::processEvents();
}

void FakeClock::WaitForEvents(uint32_t maxMs)
{
    // Wake at the next scheduled action, the next whole second, the step or maxMs.
    int64_t advance = std::min<int64_t>(step_, std::max<uint32_t>(maxMs, 1));
    advance = std::min<int64_t>(advance, 1000 - now_ % 1000);
    if (!scheduled_.empty())
        advance = std::clamp<int64_t>(scheduled_.begin()->first - now_, 0, advance);
    now_ += advance;
    waited_ += advance;
    LetEventsRun();
}

void FakeClock::Sleep(uint32_t ms)
{
    now_ += ms;
    slept_ += ms;
}
