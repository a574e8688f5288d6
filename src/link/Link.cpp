#include "link/Link.h"

#include "link/Protocol.h"
#include "link/WaitClock.h"
#include "shared/MessageTable.h"
#include "shared/Module1.h"

#include <QStringEncoder>

namespace {

constexpr char kLineFeed = '\n';
constexpr int kMaxDrainPollMs = 1000;

// How long the bytes still queued take on the wire at the port's speed (10 bits a byte),
// so that a drain wait wakes when they should be gone even though no event announces it.
uint32_t drainEstimateMs(int pendingBytes, const QString& settings)
{
    const int baud = QStringView(settings).left(settings.indexOf(QLatin1Char(','))).toInt();
    if (baud <= 0)
        return 1;
    const int64_t ms = (static_cast<int64_t>(pendingBytes) * 10 * 1000 + baud - 1) / baud;
    return static_cast<uint32_t>(std::clamp<int64_t>(ms, 1, kMaxDrainPollMs));
}

} // namespace

Link::Link(MSComm& port, const LinkProfile& profile) : port_(port), profile_(profile)
{
    QObject::connect(&port_, &MSComm::OnComm, &port_, [this] { MSComm1_OnComm(port_); });
    QObject::connect(&port_, &MSComm::Noted, &port_, [this](const QString& note) {
        if (observer_ != nullptr)
            observer_->PortNoted(note);
    });
}

bool Link::setSettings(const QString& settings)
{
    QString description;
    if (!port_.SetSettings(settings, &description)) {
        showRefusal(description);
        return false;
    }
    if (observer_ != nullptr)
        observer_->SpeedChanged(settings);
    return true;
}

void Link::fail(const MessageRow* row)
{
    lastFault_ = row;
    // The main window's profile has no rows for the transfer window's own operations.
    if (row != nullptr)
        ShowMessage(*row);
}

bool Link::writeRefused(const QByteArray& bytes)
{
    QString description;
    if (port_.Output(bytes, &description)) {
        lastRefusal_.clear();
        return false;
    }
    showRefusal(description);
    return true;
}

void Link::showRefusal(const QString& description)
{
    // A port that went away refuses every write after it for the same reason; the operator
    // hears it once, not once for each marker block and closing exchange that follows.
    if (description != lastRefusal_)
        ShowMessage(Messages::kPortRefusal, description);
    lastRefusal_ = description;
    lastFault_ = &Messages::kPortRefusal;
}

int16_t Link::SendCommand(QString& text)
{
    // Line ends belong to the link: the caller's LFs go, one per pass, and CR LF is added here.
    for (;;) {
        ProgramClock().LetEventsRun();
        const qsizetype lf = text.indexOf(QLatin1Char(kLineFeed));
        if (lf < 0)
            break;
        text.remove(lf, 1);
    }
    if (profile_.clearStatusBeforeWrite)
        Module1.CommStatus = 0;
    // Stateless, so one encoder serves every command line without carrying anything over.
    static QStringEncoder encoder(Proto::kCodePage, QStringConverter::Flag::Stateless);
    QByteArray line = encoder.encode(text);
    line.append("\r\n");
    if (writeRefused(line))
        return 1;
    if (observer_ != nullptr)
        observer_->Sent(line, false);
    return drainTransmit(profile_.sendCommandTimeout);
}

int16_t Link::SendData(const QByteArray& bytes)
{
    Module1.CommStatus = 0;
    if (writeRefused(bytes))
        return 1;
    if (observer_ != nullptr)
        observer_->Sent(bytes, true);
    return drainTransmit(profile_.sendDataTimeout);
}

int16_t Link::drainTransmit(const MessageRow* timeout)
{
    WaitClock& clock = ProgramClock();
    const int64_t start = clock.WholeSeconds();
    const uint32_t startMs = observer_ != nullptr ? clock.Milliseconds() : 0;
    for (bool firstPass = true;; firstPass = false) {
        if (firstPass)
            clock.LetEventsRun();
        else
            clock.WaitForEvents(drainEstimateMs(port_.OutBufferCount(), port_.Settings()));
        if (clock.WholeSeconds() - start >= Proto::kShortWaitSeconds) {
            if (observer_ != nullptr)
                observer_->Waited("drain", clock.Milliseconds() - startMs, false);
            fail(timeout);
            port_.ClearOutBuffer();
            return 1;
        }
        if (port_.OutBufferCount() == 0) {
            if (observer_ != nullptr)
                observer_->Waited("drain", clock.Milliseconds() - startMs, true);
            return 0;
        }
    }
}

int16_t Link::WaitReply()
{
    return waitForReply(Proto::kShortWaitSeconds, profile_.replyTimeout, profile_.replyError);
}

int16_t Link::WaitReplyLong()
{
    return waitForReply(Proto::kLongWaitSeconds, profile_.longReplyTimeout, profile_.longReplyError);
}

int16_t Link::waitForReply(int seconds, const MessageRow* timeout, const MessageRow* error)
{
    WaitClock& clock = ProgramClock();
    const int64_t start = clock.WholeSeconds();
    const uint32_t startMs = observer_ != nullptr ? clock.Milliseconds() : 0;
    const auto heard = [&](bool ok) {
        if (observer_ == nullptr)
            return;
        observer_->Waited(seconds > Proto::kShortWaitSeconds ? "long reply" : "reply", clock.Milliseconds() - startMs,
                          ok);
        const int count = std::clamp<int>(Module1.RxCount, 0, static_cast<int>(Module1.RxBytes.size()));
        if (ok)
            observer_->Received(QByteArray(reinterpret_cast<const char*>(Module1.RxBytes.data()), count));
    };
    for (bool firstPass = true;; firstPass = false) {
        // A first pass that finds no event pending would change nothing and only lead into the
        // blocking wait of the second, which runs whatever is pending before it blocks: with
        // nothing heard yet, the two passes are one. Every block saves a pass of the event loop
        // and a system call between its write and the unit's verdict.
        if (firstPass && (Module1.CommStatus != 0 || port_.DeviceLost()))
            clock.LetEventsRun();
        else
            clock.WaitForEvents(UINT32_MAX);
        // No more of a reply can come from a device that went away: a receive error, now.
        if (Module1.CommStatus == 0 && port_.DeviceLost())
            break;
        if (clock.WholeSeconds() - start >= seconds) {
            heard(false);
            fail(timeout);
            // Only after the operator closed the box: late bytes that came meanwhile go too.
            port_.ClearInBuffer();
            Module1.CommStatus = 0;
            return 1;
        }
        if (Module1.CommStatus != 0)
            break;
    }
    // Left with nothing received only when the device went away.
    if (Module1.CommStatus == 0 || (Module1.CommStatus & ~CommStatusBits::kReplyComplete) != 0) {
        heard(false);
        fail(error);
        port_.ClearInBuffer();
        Module1.CommStatus = 0;
        return 1;
    }
    heard(true);
    Module1.CommStatus = 0;
    return 0;
}

void Link::Pause()
{
    WaitClock& clock = ProgramClock();
    const uint32_t start = clock.Milliseconds();
    // Unsigned difference: the counter may wrap around during the pause.
    for (uint32_t elapsed = 0; (elapsed = clock.Milliseconds() - start) < Proto::kSpeedPauseMs;)
        clock.Sleep(Proto::kSpeedPauseMs - elapsed);
}

void Link::SetLineSpeed(int32_t baud)
{
    const bool toLowSpeed = baud == Proto::kBaudLow;
    const QString targetSettings = QString::fromLatin1(toLowSpeed ? Proto::kSettings9600 : Proto::kSettings38400);
    const bool mainWindow = profile_.keepStateOnFailedExchange;

    Pause();
    QString command = QString::fromLatin1(toLowSpeed ? Proto::kSpeed9600 : Proto::kSpeed38400);
    setsum(command, Proto::kSpeedCount);
    Module1.RxCount = 0;
    if (SendCommand(command) != 0)
        return;

    bool exchanged = false;
    if (WaitReply() != 0) {
        if (!mainWindow)
            Module1.SpeedIndex = 0;
    } else if (!ReplyContains(Module1.RxBytes, Proto::kTokenOK)) {
        Module1.SpeedIndex = 0;
    } else {
        // The unit switches after its "OK" and greets the host with "GO" at the new speed. A line
        // that refused the speed could not understand the greeting: the exchange failed.
        Module1.RxCount = 0;
        port_.ClearInBuffer();
        if (!setSettings(targetSettings) || WaitReply() != 0 || !ReplyContains(Module1.RxBytes, Proto::kTokenGO))
            Module1.SpeedIndex = 0;
        else
            exchanged = true;
    }

    if (exchanged || !mainWindow) {
        if (Module1.SpeedIndex != 0) {
            Module1.HighSpeedLink = 1;
        } else {
            setSettings(QString::fromLatin1(Proto::kSettings9600));
            Module1.HighSpeedLink = 0;
        }
    }
    Module1.RxCount = 0;
    port_.ClearInBuffer();
}
