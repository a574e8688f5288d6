#pragma once

#include "link/MSComm.h"
#include "shared/MessageTable.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

// What differs between the two windows' copies of the primitives and the speed exchange.
struct LinkProfile {
    const MessageRow* sendCommandTimeout; // SendCommand's send time-out
    const MessageRow* sendDataTimeout;    // SendData's send time-out (transfer window only)
    const MessageRow* replyTimeout;       // WaitReply
    const MessageRow* replyError;
    const MessageRow* longReplyTimeout;   // WaitReplyLong (transfer window only)
    const MessageRow* longReplyError;
    bool clearStatusBeforeWrite;    // the transfer window clears CommStatus before each write
    bool keepStateOnFailedExchange; // the main window's speed exchange changes nothing on failure
};

inline constexpr LinkProfile kMainWindowLink{&Messages::kErr220, nullptr, &Messages::kErr201, &Messages::kErr202,
                                             nullptr, nullptr, false, true};
inline constexpr LinkProfile kTransferWindowLink{&Messages::kErr020, &Messages::kErr021, &Messages::kErr030,
                                                 &Messages::kErr031, &Messages::kErr040, &Messages::kErr041, true,
                                                 false};

// Hears what a link does on the line, for a front end's trace. A link has none unless one is
// set, and then pays only for the calls.
class LinkObserver {
public:
    virtual ~LinkObserver() = default;
    // Bytes that left the port: a command line (CR LF included) or a data block.
    virtual void Sent(const QByteArray& bytes, bool dataBlock) = 0;
    // A complete reply as it stands in RxBytes.
    virtual void Received(const QByteArray& reply) = 0;
    // The port's settings after a speed change ("38400,N,8,1").
    virtual void SpeedChanged(const QString& settings) = 0;
    // A drain or reply wait and how long it took; `ok` false when it ended in its fault.
    virtual void Waited(const char* what, uint32_t elapsedMs, bool ok) = 0;
    // What the port's opening did about the line ("low latency: set").
    virtual void PortNoted(const QString& note) { (void)note; }
};

// The send and wait primitives and the speed exchange, written once and instantiated by each
// window on its own port. Every operation returns 0 on success and 1 on failure after showing
// its own message; callers show nothing more for that failure.
class Link {
public:
    Link(MSComm& port, const LinkProfile& profile);
    Link(const Link&) = delete;
    Link& operator=(const Link&) = delete;

    // Removes every LF from the caller's text (in place), sends it with CR LF, waits for the
    // transmit buffer to drain.
    int16_t SendCommand(QString& text);
    // Sends the bytes unchanged and waits for them to drain.
    int16_t SendData(const QByteArray& bytes);
    // Waits up to 3 (WaitReplyLong: 55) whole seconds for a complete reply in RxBytes.
    int16_t WaitReply();
    int16_t WaitReplyLong();
    // Busy pause of 200 ms: no window events run, received bytes wait in the port layer.
    void Pause();
    // Speed exchange with the unit to 9600 or (any other value) 38400 bit/s.
    void SetLineSpeed(int32_t baud);

    // The message row the latest failing operation ended with: one of the profile's rows, or the
    // port layer's refusal (also when that refusal had been shown before and was not again).
    // Nothing before the first failure.
    const MessageRow* LastFault() const { return lastFault_; }

    // The observer that hears every step from now on; nullptr (the default) for none.
    void SetObserver(LinkObserver* observer) { observer_ = observer; }

private:
    bool setSettings(const QString& settings);
    void showRefusal(const QString& description);

    int16_t drainTransmit(const MessageRow* timeout);
    void fail(const MessageRow* row);
    int16_t waitForReply(int seconds, const MessageRow* timeout, const MessageRow* error);
    bool writeRefused(const QByteArray& bytes);

    MSComm& port_;
    const LinkProfile& profile_;
    QString lastRefusal_; // the port layer's last refusal (of a write or a speed), already shown
    LinkObserver* observer_ = nullptr;
    const MessageRow* lastFault_ = nullptr;
};

// The receive handler both windows attach to their port's OnComm: appends delivered bytes to
// RxBytes and records complete replies and line errors in CommStatus.
void MSComm1_OnComm(MSComm& port);
