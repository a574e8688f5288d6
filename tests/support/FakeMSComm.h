#pragma once

#include "link/MSComm.h"

#include <QByteArrayList>
#include <QStringList>

#include <deque>
#include <functional>

class FakeClock;

// An in-memory port control. What the code under test writes is recorded; a script answers
// command lines after a delay on the fake clock; line errors, refused writes and a stalled
// transmitter are injected on demand.
class FakeMSComm final : public MSComm {
    Q_OBJECT

public:
    explicit FakeMSComm(FakeClock* clock = nullptr) : clock_(clock) {}

    // --- script and injection ---
    // The next write must start with `prefix`; `reply` is delivered `delayMs` later.
    FakeMSComm& Expect(const QByteArray& prefix, const QByteArray& reply, int delayMs = 5);
    // A reply the unit sends by itself once the host has switched its line settings.
    FakeMSComm& AfterSettings(const QByteArray& reply, int delayMs = 5);
    // Called for every write the script does not cover (raw blocks, for instance).
    std::function<void(const QByteArray&)> onUnscriptedOutput;
    // Delivers bytes as one receive event.
    void Deliver(const QByteArray& bytes);
    // Puts bytes in the input buffer without a receive event, as bytes the system has taken in
    // and not yet told of: the next event (Deliver of nothing, say) or Input finds them.
    void Buffer(const QByteArray& bytes) { pending_.append(bytes); }
    // Raises a line-error event (1004, 1006, 1008, 1009).
    void RaiseEvent(int code);

    bool failOpen = false;
    QString openError = QStringLiteral("/dev/ttyS0: No such device.");
    bool refuseWrites = false;
    int stalledOutBytes = 0; // OutBufferCount reports this many bytes that never drain

    // --- observation ---
    QByteArrayList writes;
    QByteArray written() const { return writes.join(); }
    QStringList settingsLog;
    int clearInCount = 0;
    int clearOutCount = 0;
    int openCount = 0;
    bool ScriptDone() const { return script_.empty(); }

    // --- MSComm ---
    void SetCommPort(int16_t n) override { commPort_ = n; }
    int16_t CommPort() const override { return commPort_; }
    bool Open(QString* error) override;
    void Close() override { open_ = false; }
    bool PortOpen() const override { return open_; }
    bool SetSettings(const QString& settings, QString* error) override;
    QString Settings() const override { return settings_; }
    bool Output(const QByteArray& bytes, QString* error) override;
    int OutBufferCount() override { return open_ ? stalledOutBytes : 0; }
    void ClearOutBuffer() override { ++clearOutCount; }
    void ClearInBuffer() override
    {
        ++clearInCount;
        pending_.clear();
    }
    QByteArray Input() override
    {
        QByteArray bytes;
        bytes.swap(pending_);
        return bytes;
    }
    int CommEvent() const override { return commEvent_; }

private:
    struct Step {
        QByteArray prefix;
        QByteArray reply;
        int delayMs;
        bool afterSettings;
    };
    void deliverLater(const QByteArray& reply, int delayMs);

    FakeClock* clock_;
    std::deque<Step> script_;
    QByteArray pending_;
    QString settings_ = QStringLiteral("9600,N,8,1");
    int16_t commPort_ = 1;
    bool open_ = false;
    int commEvent_ = 0;
};
