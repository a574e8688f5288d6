#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

// The serial-port control each talking window owns, with exactly the operations the link
// uses. The real one drives a serial device; tests put an in-memory port in its place.
class MSComm : public QObject {
    Q_OBJECT

public:
    // CommEvent codes the receive handler acts on.
    static constexpr int kEvReceive = 2;
    static constexpr int kEventFrame = 1004;
    static constexpr int kEventOverrun = 1006;
    static constexpr int kEventRxOver = 1008;
    static constexpr int kEventRxParity = 1009;

    using QObject::QObject;
    ~MSComm() override = default;

    // CommPort = n: the port (1..8) the next opening uses.
    virtual void SetCommPort(int16_t n) = 0;
    virtual int16_t CommPort() const = 0;
    // A port target to open in place of the one CommPort resolves to: a device path or an
    // rfc2217:// or rfc2217+tls:// address (a command line's --port); empty: CommPort decides again.
    // Ports that stand in for a line in tests have no target and ignore it.
    virtual void SetDevice(const QString& target) { (void)target; }

    // PortOpen = True / False. Opening fails with a description naming the device, the
    // system's reason and the usual fix; closing a closed port is a no-op.
    virtual bool Open(QString* error) = 0;
    virtual void Close() = 0;
    virtual bool PortOpen() const = 0;

    // Settings = "9600,N,8,1" or "38400,N,8,1" on the open port. Refused, with the layer's
    // description, when the line cannot take them.
    virtual bool SetSettings(const QString& settings, QString* error) = 0;
    virtual QString Settings() const = 0;

    // Output = bytes. Refused with the layer's description when the port is not open.
    virtual bool Output(const QByteArray& bytes, QString* error) = 0;
    // OutBufferCount: bytes the program and the driver still hold unsent; = 0 discards them.
    virtual int OutBufferCount() = 0;
    virtual void ClearOutBuffer() = 0;
    // InBufferCount = 0: discard received bytes not yet delivered to the handler.
    virtual void ClearInBuffer() = 0;
    // Input: take every received byte not yet delivered.
    virtual QByteArray Input() = 0;
    // CommEvent: the code of the event being handled inside OnComm.
    virtual int CommEvent() const = 0;
    // True once the device went away while the port was open (an adapter pulled, the line
    // hung up), until the port is opened again. The layer has closed the port by then.
    virtual bool DeviceLost() const { return false; }

signals:
    // Raised on the user-interface thread for every receive and line-error event.
    void OnComm();
    // A remark on how the opening set the line up (the driver's latency mode), for a trace.
    void Noted(const QString& note);
};

struct TlsFiles;

// The port each window creates for itself: at each opening it drives the local device or the
// remote port its target names, a TLS one with `tls` (the configuration folder's files when
// left out). Tests install a factory of in-memory ports.
using MSCommFactory = std::function<std::unique_ptr<MSComm>()>;
std::unique_ptr<MSComm> CreateMSComm();
std::unique_ptr<MSComm> CreateMSComm(const TlsFiles& tls);
void SetMSCommFactory(MSCommFactory factory);
