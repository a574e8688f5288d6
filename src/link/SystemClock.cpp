#include "link/WaitClock.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <thread>
#include <time.h>

namespace {

// Milliseconds of the clock that only moves forward: a step of the wall clock (NTP, a manual
// change, a resumed laptop) neither cuts a wait short nor stretches it.
int64_t monotonicMs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

// The monotonic clock's seconds for the waits and its milliseconds for the pause; between
// checks the waits sleep in the event loop until an event or a deadline wakes them.
class SystemClock final : public WaitClock {
public:
    int64_t WholeSeconds() override { return monotonicMs() / 1000; }

    uint32_t Milliseconds() override { return static_cast<uint32_t>(monotonicMs()); }

    void LetEventsRun() override { QCoreApplication::processEvents(QEventLoop::AllEvents); }

    void WaitForEvents(uint32_t maxMs) override
    {
        const int64_t now = monotonicMs();
        // Qt's timers run on the same monotonic clock. One millisecond past the boundary, so
        // that the check after waking sees the new second.
        const int64_t toNextSecond = 1000 - now % 1000 + 1;
        const int64_t timeout = std::min<int64_t>(toNextSecond, std::max<uint32_t>(maxMs, 1));
        QTimer wake;
        wake.setSingleShot(true);
        wake.setTimerType(Qt::PreciseTimer);
        wake.start(static_cast<int>(timeout));
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }

    void Sleep(uint32_t ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
};

WaitClock* installed = nullptr;

} // namespace

WaitClock& ProgramClock()
{
    static SystemClock system;
    return installed ? *installed : system;
}

void SetProgramClock(WaitClock* clock)
{
    installed = clock;
}
