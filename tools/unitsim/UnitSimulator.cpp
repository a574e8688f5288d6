#include "UnitSimulator.h"

#include "Garble.h"
#include "HostLink.h"
#include "PtyPort.h"
#include "UnitEngine.h"
#include "UnitMemory.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

#include <cerrno>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace unitsim {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using std::chrono::nanoseconds;

constexpr milliseconds kHostSpeedPollInterval{2};
constexpr milliseconds kReopenPollInterval{20};
constexpr milliseconds kWriteRetryInterval{1};
// How long before a paced byte time the unit stops sleeping and watches the clock instead.
constexpr std::chrono::microseconds kPaceSpin{120};

// One byte on the line: a start bit, eight data bits and a stop bit.
nanoseconds ByteTime(int baud)
{
    return nanoseconds(10'000'000'000LL / (baud > 0 ? baud : wire::kBaudLow));
}

} // namespace

struct UnitSimulator::Impl {
    explicit Impl(Options o)
        : options(std::move(o)), engine(memory, options.timing, [this](const std::string& text) { notes.push_back(text); })
    {
        engine.SetFaults(options.faults);
    }

    // A byte read from the host and when the unit may handle it.
    struct Arrival {
        uint8_t byte;
        int hostBaud; // the speed it was sent at
        Clock::time_point due;
    };

    void run();
    void readHost(Clock::time_point now);
    void advance(Clock::time_point now);
    bool carryOut(Action& action, Clock::time_point now);
    bool sendPart(const Action& action, Clock::time_point now);
    std::optional<Clock::time_point> nextDue(Clock::time_point now) const;
    void hostClosed();
    void persist();
    void tellThruImage();
    void wake() const;
    void changedState()
    {
        ++generation;
        changed.notify_all();
    }

    Options options;
    mutable std::mutex mutex;
    mutable std::condition_variable changed;
    uint64_t generation = 0;
    std::vector<std::string> notes; // for the log, handed out without the lock held

    UnitMemory memory;
    UnitEngine engine;
    PtyPort pty;
    std::string linkTarget;
    int wakeFd = -1;
    std::thread thread;
    bool running = false;
    bool stopping = false;

    int unitBaud = wire::kBaudLow;
    bool hostGone = false;    // the host closed its side (or the line was hung up)
    bool hostFlushed = false; // the host discarded its input since the current wait began
    std::deque<Arrival> arrivals;
    Clock::time_point lineInFreeAt{};
    std::deque<Action> actions;
    // Progress on actions.front().
    bool started = false;
    Clock::time_point startedAt{};
    // When the byte that set off the pending answer had fully arrived: a paced answer's first
    // byte starts down the line from then, not from whenever this thread next woke up.
    std::optional<Clock::time_point> answerOrigin;
    size_t sentCount = 0;
    Clock::time_point nextByteAt{};
    int hostBaudAtWait = 0;
    std::vector<uint8_t> sent;
};

UnitSimulator::UnitSimulator(Options options) : impl_(std::make_unique<Impl>(std::move(options))) {}

UnitSimulator::~UnitSimulator()
{
    Stop();
}

bool UnitSimulator::Start(std::string* error)
{
    Impl& d = *impl_;
    std::lock_guard lock(d.mutex);
    if (d.running) {
        *error = "the simulator is already running";
        return false;
    }
    if (!d.options.stateFile.empty() && !d.memory.Load(d.options.stateFile, error))
        return false;
    if (!d.pty.Open(error))
        return false;
    d.linkTarget = d.pty.HostPath();
    if (!d.options.linkPath.empty() && !PlaceLink(d.options.linkPath, d.linkTarget, error)) {
        d.pty.Close();
        return false;
    }
    d.wakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    d.running = true;
    d.stopping = false;
    d.hostGone = false;
    d.thread = std::thread([&d] { d.run(); });
    return true;
}

void UnitSimulator::Stop()
{
    Impl& d = *impl_;
    {
        std::lock_guard lock(d.mutex);
        if (!d.running)
            return;
        d.stopping = true;
    }
    d.wake();
    d.thread.join();
    std::lock_guard lock(d.mutex);
    d.pty.Close();
    if (!d.options.linkPath.empty())
        RemoveLink(d.options.linkPath, d.linkTarget);
    ::close(d.wakeFd);
    d.wakeFd = -1;
    d.running = false;
    d.changedState();
}

std::string UnitSimulator::HostPath() const
{
    std::lock_guard lock(impl_->mutex);
    return impl_->linkTarget;
}

void UnitSimulator::SetFaults(const Faults& faults)
{
    std::lock_guard lock(impl_->mutex);
    impl_->engine.SetFaults(faults);
    impl_->wake();
}

void UnitSimulator::SetPage(int page, const PageRecord& record, const std::vector<uint8_t>& data)
{
    Impl& d = *impl_;
    std::lock_guard lock(d.mutex);
    d.memory.Erase(page);
    const size_t room = kMemorySize - page * kPageSize;
    d.memory.Write(page * kPageSize, std::span(data).first(std::min(data.size(), room)));
    d.memory.SetRecord(page, record);
    d.persist();
    d.changedState();
}

void UnitSimulator::PowerCycle()
{
    Impl& d = *impl_;
    std::lock_guard lock(d.mutex);
    d.actions.clear();
    d.arrivals.clear();
    d.started = false;
    d.unitBaud = wire::kBaudLow;
    d.engine.PowerCycle();
    for (auto& action : d.engine.TakeActions())
        d.actions.push_back(std::move(action)); // saving what a cut-off transfer wrote
    if (d.running && !d.pty.IsOpen()) {
        std::string error;
        if (d.pty.Open(&error)) {
            d.linkTarget = d.pty.HostPath();
            d.hostGone = false;
            d.notes.push_back("line back on " + d.linkTarget);
            if (!d.options.linkPath.empty() && !PlaceLink(d.options.linkPath, d.linkTarget, &error))
                d.notes.push_back(error);
        } else {
            d.notes.push_back(error);
        }
    }
    d.changedState();
    d.wake();
}

std::vector<std::string> UnitSimulator::CommandLines() const
{
    std::lock_guard lock(impl_->mutex);
    return impl_->engine.CommandLines();
}

std::vector<uint8_t> UnitSimulator::ReceivedBytes() const
{
    std::lock_guard lock(impl_->mutex);
    return impl_->engine.ReceivedBytes();
}

std::vector<uint8_t> UnitSimulator::SentBytes() const
{
    std::lock_guard lock(impl_->mutex);
    return impl_->sent;
}

int UnitSimulator::BlocksReceived() const
{
    std::lock_guard lock(impl_->mutex);
    return impl_->engine.BlocksReceived();
}

Transfer UnitSimulator::LastTransfer() const
{
    std::lock_guard lock(impl_->mutex);
    return impl_->engine.LastTransfer();
}

PageRecord UnitSimulator::Page(int page) const
{
    std::lock_guard lock(impl_->mutex);
    return impl_->memory.Record(page);
}

bool UnitSimulator::AnyPageHoldsData() const
{
    std::lock_guard lock(impl_->mutex);
    return impl_->memory.AnyPageHoldsData();
}

std::vector<uint8_t> UnitSimulator::PageData(int page) const
{
    std::lock_guard lock(impl_->mutex);
    return impl_->memory.PageData(page);
}

std::vector<uint8_t> UnitSimulator::ThruImage() const
{
    std::lock_guard lock(impl_->mutex);
    return impl_->engine.ThruImage();
}

int UnitSimulator::UnitBaud() const
{
    std::lock_guard lock(impl_->mutex);
    return impl_->unitBaud;
}

int UnitSimulator::HostBaud() const
{
    std::lock_guard lock(impl_->mutex);
    return impl_->pty.HostBaud();
}

bool UnitSimulator::InBlockPhase() const
{
    std::lock_guard lock(impl_->mutex);
    return impl_->engine.InBlockPhase();
}

bool UnitSimulator::Vanished() const
{
    std::lock_guard lock(impl_->mutex);
    return impl_->engine.Vanished();
}

bool UnitSimulator::Idle() const
{
    std::lock_guard lock(impl_->mutex);
    return impl_->actions.empty() && impl_->arrivals.empty();
}

bool UnitSimulator::WaitUntil(const std::function<bool()>& condition, int timeoutMs) const
{
    const Impl& d = *impl_;
    const auto deadline = Clock::now() + milliseconds(timeoutMs);
    for (;;) {
        uint64_t seen;
        {
            std::lock_guard lock(d.mutex);
            seen = d.generation;
        }
        // The condition takes the lock itself, so it runs outside it; a change between the
        // two steps moves the generation on and the wait below returns at once.
        if (condition())
            return true;
        std::unique_lock lock(d.mutex);
        if (!d.changed.wait_until(lock, deadline, [&] { return d.generation != seen; })) {
            lock.unlock();
            return condition();
        }
    }
}

void UnitSimulator::Impl::wake() const
{
    const uint64_t one = 1;
    if (wakeFd >= 0) {
        [[maybe_unused]] const auto ignored = ::write(wakeFd, &one, sizeof one);
    }
}

void UnitSimulator::Impl::run()
{
    // Paced bytes are due every 260 us at 38400 bit/s; the default 50 us of timer slack on
    // every wake-up would make the line noticeably slower than a real one.
    ::prctl(PR_SET_TIMERSLACK, 1000UL);
    std::unique_lock lock(mutex);
    while (!stopping) {
        const auto now = Clock::now();
        advance(now);
        changedState();

        std::vector<std::string> told = std::exchange(notes, {});
        const auto due = nextDue(Clock::now());
        const bool watchHost = pty.IsOpen() && !hostGone;
        const int hostFd = pty.Fd();
        lock.unlock();

        if (options.log) {
            for (const auto& text : told)
                options.log(text);
        }
        pollfd fds[2] = {{wakeFd, POLLIN, 0}, {hostFd, POLLIN, 0}};
        timespec timeout{};
        timespec* timeoutArg = nullptr;
        if (due) {
            auto wait = std::max(nanoseconds(0), *due - Clock::now());
            if (options.pace) {
                // A paced line keeps its byte times to the microsecond: sleep to just short of
                // the moment, then spin, so that the kernel's wake-up delay does not add to it.
                if (wait <= kPaceSpin) {
                    while (Clock::now() < *due) {
                    }
                    wait = nanoseconds(0);
                } else {
                    wait -= kPaceSpin;
                }
            }
            timeout.tv_sec = wait.count() / 1'000'000'000;
            timeout.tv_nsec = wait.count() % 1'000'000'000;
            timeoutArg = &timeout;
        }
        ::ppoll(fds, watchHost ? 2 : 1, timeoutArg, nullptr);

        lock.lock();
        if (fds[0].revents & POLLIN) {
            uint64_t count;
            [[maybe_unused]] const auto ignored = ::read(wakeFd, &count, sizeof count);
        }
        if (watchHost && fds[1].revents)
            readHost(Clock::now());
        if (hostGone && pty.IsOpen() && pty.HostReopened())
            hostGone = false;
    }
}

void UnitSimulator::Impl::readHost(Clock::time_point now)
{
    const auto input = pty.Read();
    if (input.hostFlushedInput)
        hostFlushed = true;
    const int hostBaud = pty.HostBaud();
    for (uint8_t byte : input.bytes) {
        Clock::time_point due = now;
        if (options.pace) {
            // The unit may only take a byte once all of its bits have come down the line.
            lineInFreeAt = std::max(lineInFreeAt, now) + ByteTime(hostBaud);
            due = lineInFreeAt;
        }
        arrivals.push_back({byte, hostBaud, due});
    }
    if (input.hostClosed)
        hostClosed();
}

void UnitSimulator::Impl::hostClosed()
{
    hostGone = true;
    arrivals.clear();
    engine.HostClosed();
    for (auto& action : engine.TakeActions())
        actions.push_back(std::move(action));
}

// Carries out the actions that are due, then hands the unit the bytes that have arrived,
// one at a time, as long as it has nothing left to do.
void UnitSimulator::Impl::advance(Clock::time_point now)
{
    for (;;) {
        if (!actions.empty()) {
            if (!carryOut(actions.front(), now))
                return;
            actions.pop_front();
            started = false;
            continue;
        }
        if (arrivals.empty() || arrivals.front().due > now)
            return;
        const Arrival arrival = arrivals.front();
        arrivals.pop_front();
        engine.Feed(arrival.hostBaud == unitBaud ? arrival.byte : Garble(arrival.byte));
        const bool idleBefore = actions.empty();
        for (auto& action : engine.TakeActions())
            actions.push_back(std::move(action));
        if (idleBefore && !actions.empty())
            answerOrigin = arrival.due;
    }
}

// True when the action is complete.
bool UnitSimulator::Impl::carryOut(Action& action, Clock::time_point now)
{
    if (!started) {
        started = true;
        startedAt = now;
        sentCount = 0;
        nextByteAt = std::min(now, answerOrigin.value_or(now)) + ByteTime(unitBaud);
        answerOrigin.reset();
        hostFlushed = false;
        hostBaudAtWait = pty.HostBaud();
    }
    switch (action.kind) {
    case Action::Kind::Send:
        return sendPart(action, now);
    case Action::Kind::Pause:
        return now >= startedAt + milliseconds(action.value);
    case Action::Kind::SetSpeed:
        unitBaud = action.value;
        return true;
    case Action::Kind::AwaitHostSpeed: {
        const int hostBaud = pty.HostBaud();
        const bool reset = hostFlushed || hostBaud != hostBaudAtWait;
        return (reset && hostBaud == unitBaud && !hostGone) || now >= startedAt + milliseconds(action.value);
    }
    case Action::Kind::Persist:
        persist();
        return true;
    case Action::Kind::TellThruImage:
        tellThruImage();
        return true;
    case Action::Kind::HangUp:
        pty.Close();
        hostGone = true;
        arrivals.clear();
        // The link stays, dangling as a pulled adapter leaves it, but not at the closed
        // pseudo-terminal's name: the system hands that name to the next pseudo-terminal any
        // process opens, and a host following the link would open someone else's line.
        if (!options.linkPath.empty()) {
            std::string error;
            linkTarget = options.linkPath + ".hung-up";
            if (!PlaceLink(options.linkPath, linkTarget, &error))
                notes.push_back(error);
        }
        return true;
    }
    return true;
}

// Puts the bytes that are due on the line; true when all are out. Bytes sent while the host
// has its port closed are lost, as on a cable into a closed port.
bool UnitSimulator::Impl::sendPart(const Action& action, Clock::time_point now)
{
    if (hostGone || !pty.IsOpen())
        return true;
    const bool garbled = pty.HostBaud() != unitBaud;
    size_t end = action.bytes.size();
    if (options.pace) {
        if (now < nextByteAt)
            return false;
        end = sentCount + 1;
    }
    std::vector<uint8_t> out(action.bytes.begin() + sentCount, action.bytes.begin() + end);
    if (garbled)
        std::transform(out.begin(), out.end(), out.begin(), Garble);
    const int written = pty.Write(out);
    if (written < 0)
        return true;
    if (written == 0) { // the host is not reading: try again shortly
        nextByteAt = now + kWriteRetryInterval;
        return false;
    }
    sent.insert(sent.end(), out.begin(), out.begin() + written);
    sentCount += written;
    nextByteAt += ByteTime(unitBaud);
    return sentCount == action.bytes.size();
}

std::optional<Clock::time_point> UnitSimulator::Impl::nextDue(Clock::time_point now) const
{
    std::optional<Clock::time_point> due;
    const auto consider = [&due](Clock::time_point at) { due = due ? std::min(*due, at) : at; };
    if (!actions.empty()) {
        const Action& action = actions.front();
        switch (action.kind) {
        case Action::Kind::Send:
            consider(nextByteAt);
            break;
        case Action::Kind::Pause:
            consider(startedAt + milliseconds(action.value));
            break;
        case Action::Kind::AwaitHostSpeed:
            consider(std::min(now + kHostSpeedPollInterval, startedAt + milliseconds(action.value)));
            break;
        default:
            consider(now);
        }
    } else if (!arrivals.empty()) {
        consider(arrivals.front().due);
    }
    if (hostGone && pty.IsOpen())
        consider(now + kReopenPollInterval);
    return due;
}

void UnitSimulator::Impl::persist()
{
    std::string error;
    if (!options.stateFile.empty() && !memory.Save(options.stateFile, &error))
        notes.push_back(error);
}

void UnitSimulator::Impl::tellThruImage()
{
    const std::vector<uint8_t>& image = engine.ThruImage();
    std::string error;
    if (!options.thruImageFile.empty()
        && !ReplaceFile(options.thruImageFile, "the THRU image file",
                        {std::span(reinterpret_cast<const char*>(image.data()), image.size())}, &error))
        notes.push_back(error);
}

} // namespace unitsim
