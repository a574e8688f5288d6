#pragma once

#include "link/MSComm.h"
#include "link/PortTarget.h"

#include <QDeadlineTimer>

#include <QTcpSocket>

struct telnet_t;
union telnet_event_t;

// The port control on a remote port: a serial device server (ser2net, a device server box)
// offers a serial line over TCP with the Telnet COM-PORT option. Speed, data size, parity and
// stop bits go to the server's line; purges reach its buffers; its line-state notifications are
// raised as the same line-error events a local port raises. The Telnet layer (option
// negotiation, 0xFF doubling) is libtelnet's: a parser that leaves the socket to us, so the
// socket stays in Qt's event loop like a local port's notifier.
class Rfc2217MSComm final : public MSComm {
    Q_OBJECT

public:
    // How long an opening may take from the first try to connect to the server's confirmation
    // that the line is ours.
    static constexpr int kOpenTimeoutMs = 5000;
    // How long a server's busy refusal is tried again before it is believed, and how often.
    static constexpr int kBusyGraceMs = 1000;
    static constexpr int kBusyRetryMs = 50;

    Rfc2217MSComm();
    ~Rfc2217MSComm() override;

    void SetCommPort(int16_t n) override { commPort_ = n; }
    int16_t CommPort() const override { return commPort_; }
    void SetDevice(const QString& target) override { fixedTarget_ = target; }
    bool Open(QString* error) override;
    void Close() override;
    bool PortOpen() const override { return open_; }
    bool SetSettings(const QString& settings) override;
    QString Settings() const override { return settings_; }
    bool Output(const QByteArray& bytes, QString* error) override;
    int OutBufferCount() override;
    void ClearOutBuffer() override;
    void ClearInBuffer() override;
    QByteArray Input() override;
    int CommEvent() const override { return commEvent_; }
    bool DeviceLost() const override { return !lostReason_.isEmpty() && !open_; }

private:
    // One connection and option negotiation; false when no connection came about.
    bool connectOnce(const RemoteAddress& address, const QDeadlineTimer& deadline);
    static void telnetEvent(telnet_t* telnet, telnet_event_t* event, void* self);
    void handle(const telnet_event_t& event);
    void handleComPort(const unsigned char* bytes, size_t size);
    void takeIncoming();
    void onReadyRead();
    void onConnectionLost();
    void sendComPort(uint8_t command, const QByteArray& value);
    void sendLineSettings();
    bool flushOutgoing();
    void raise(int event);
    void dropConnection();

    QTcpSocket socket_;
    telnet_t* telnet_ = nullptr;
    int16_t commPort_ = 1;
    QString fixedTarget_;
    QString target_;     // the address this opening used
    QString settings_;
    QString lostReason_; // why the connection went away while open, for the next refused write
    QByteArray outgoing_; // what the Telnet layer made of one call, written to the socket in one piece
    QByteArray received_; // data bytes not yet handed over by Input
    QByteArray serverWords_; // data while opening: a server that refuses the port says why in it
    uint8_t lineErrors_ = 0; // line-state bits told since the last delivery
    int commEvent_ = 0;
    bool open_ = false;
    bool opening_ = false;
    bool speedConfirmed_ = false; // the server answered the opening's speed: the line is ours
};
