#pragma once

#include "link/MSComm.h"
#include "link/PortTarget.h"
#include "link/Protocol.h"
#include "link/RemoteTls.h"
#include "link/TelnetOptions.h"

#include <QDeadlineTimer>
#include <QSslSocket>

#include <functional>
#include <optional>

struct telnet_t;
union telnet_event_t;

// The port control on a remote port: a serial device server (ser2net, sredird, a device server
// box) offers a serial line over TCP, inside TLS for rfc2217+tls://, with the Telnet COM-PORT
// option. Speed, data size, parity and stop bits go to the server's line once it agreed to the
// option; purges reach its buffers and hold back what it sent before them; its line-state
// notifications are raised as the same line-error events a local port raises, and its flow
// control holds our output. The Telnet layer (0xFF doubling, subnegotiations) is libtelnet's:
// a parser that leaves the socket to us, so the socket stays in Qt's event loop like a local
// port's notifier.
class Rfc2217MSComm final : public MSComm {
    Q_OBJECT

public:
    // How long an opening may take from the first try to connect to the server's confirmation
    // that the line is ours.
    static constexpr int kOpenTimeoutMs = 5000;
    // How long a server's busy refusal is tried again before it is believed, and how often.
    static constexpr int kBusyGraceMs = 1000;
    static constexpr int kBusyRetryMs = 50;
    // How long a speed change waits for the server's answer, and the most a purge holds back
    // what arrives before the server's answer: the link's short wait.
    static constexpr int kAnswerTimeoutMs = Proto::kShortWaitSeconds * 1000;
    // How long a closing waits for the server to take the end of the connection.
    static constexpr int kCloseWaitMs = 1000;

    explicit Rfc2217MSComm(TlsFiles tls = {});
    ~Rfc2217MSComm() override;

    void SetCommPort(int16_t n) override { commPort_ = n; }
    int16_t CommPort() const override { return commPort_; }
    void SetDevice(const QString& target) override { fixedTarget_ = target; }
    bool Open(QString* error) override;
    void Close() override;
    bool PortOpen() const override { return open_; }
    bool SetSettings(const QString& settings, QString* error) override;
    QString Settings() const override { return settings_; }
    bool Output(const QByteArray& bytes, QString* error) override;
    int OutBufferCount() override;
    void ClearOutBuffer() override;
    void ClearInBuffer() override;
    QByteArray Input() override;
    int CommEvent() const override { return commEvent_; }
    bool DeviceLost() const override { return !lostReason_.isEmpty() && !open_; }

private:
    // How one try at a connection ended.
    enum class Outcome {
        Open,        // the server agreed to everything and set the line: it is ours
        Unreachable, // no connection came about
        Silent,      // the server did not finish its part within the opening's time
        HungUp,      // the server closed the connection, perhaps in a moment of being busy
        Refused,     // the server or its certificate said no, for the reason in refusal_
    };

    Outcome connectOnce(const RemoteAddress& address, const QDeadlineTimer& deadline);
    bool connectSocket(const RemoteAddress& address, const QDeadlineTimer& deadline);
    Outcome whyNotAgreed();
    QString presentedCertificate() const;
    void refuse(const QString& reason);
    QString openFailure(Outcome outcome, const QByteArray& words) const;
    void startConnection();
    // Waits on the socket, reading as it goes, until `done` holds; false when the connection
    // ended or the deadline passed first.
    bool waitFor(const std::function<bool()>& done, const QDeadlineTimer& deadline);
    static void telnetEvent(telnet_t* telnet, telnet_event_t* event, void* self);
    void handle(const telnet_event_t& event);
    void takeData(const char* bytes, size_t size);
    void handleComPort(const unsigned char* bytes, size_t size);
    void takeIncoming();
    void onReadyRead();
    void onConnectionLost();
    void sendComPort(uint8_t command, const QByteArray& value);
    void sendLineSetup();
    void sendLineSettings();
    void releaseHeld();
    bool flushOutgoing();
    void raise(int event);
    void dropConnection();

    QSslSocket socket_;
    TlsFiles tls_;
    telnet_t* telnet_ = nullptr;
    TelnetOptions options_;
    int16_t commPort_ = 1;
    QString fixedTarget_;
    QString target_;      // the address this opening used
    QString settings_;
    QString lostReason_;  // why the connection went away while open, for the next refused write
    QString refusal_;     // why this opening cannot succeed, however often it is tried
    QByteArray outgoing_; // what the Telnet layer made of one call, written to the socket in one piece
    QByteArray received_; // data bytes not yet handed over by Input
    QByteArray serverWords_; // data while opening: a server that refuses the port says why in it
    QByteArray held_;     // data the server's flow control holds back, not yet Telnet-encoded
    std::optional<quint32> speedAnswer_; // the speed the server named last
    QDeadlineTimer purgeBarrier_; // what arrives before it passes may still be from before a purge
    int purgesDue_ = 0;   // receive purges the server has not answered yet
    uint8_t lineErrors_ = 0; // line-state bits told since the last delivery
    int commEvent_ = 0;
    bool open_ = false;
    bool opening_ = false;
    bool suspended_ = false;  // the server told us to stop sending data
    bool usingTls_ = false;
    bool tcpConnected_ = false;
    bool heardServer_ = false; // the server sent anything at all in this connection
};
