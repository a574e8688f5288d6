#include "link/WaitClock.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QPointer>
#include <QThread>
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
        QCoreApplication* app = QCoreApplication::instance();
        if (app != nullptr && app->thread() == QThread::currentThread()) {
            armWake(app, timeout);
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
            return;
        }
        QTimer wake;
        wake.setSingleShot(true);
        wake.setTimerType(Qt::PreciseTimer);
        wake.start(static_cast<int>(timeout));
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }

    void Sleep(uint32_t ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

private:
    // One wake-up timer for every wait, left running when a wait ends on an event: the next
    // wait that aims at the same moment (every reply wait within one second does) finds it set
    // instead of creating and registering a timer of its own for each block.
    void armWake(QCoreApplication* app, int64_t timeoutMs)
    {
        if (wake_.isNull()) {
            wake_ = new QTimer(app);
            wake_->setSingleShot(true);
            wake_->setTimerType(Qt::PreciseTimer);
        }
        const int64_t due = static_cast<int64_t>(Milliseconds()) + timeoutMs;
        // The set moment may lie up to a millisecond early (the clocks are read in whole
        // milliseconds): that costs at most one more pass of the wait. A late one is re-aimed.
        const int64_t early = due - wakeDue_;
        if (wake_->isActive() && early >= 0 && early <= 1)
            return;
        wake_->start(static_cast<int>(timeoutMs));
        wakeDue_ = due;
    }

    QPointer<QTimer> wake_; // owned by the application object, gone with it
    int64_t wakeDue_ = 0;
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
