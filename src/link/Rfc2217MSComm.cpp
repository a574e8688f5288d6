#include "link/Rfc2217MSComm.h"

#include "link/ComPortOption.h"
#include "link/PortTarget.h"
#include "link/Protocol.h"

#include <QDeadlineTimer>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QThread>

#include <libtelnet.h>

#include <algorithm>

namespace {

constexpr int kMaxServerWords = 256;

char parityCode(QStringView letter)
{
    switch (letter.isEmpty() ? u'N' : letter.at(0).toUpper().unicode()) {
    case u'O': return ComPort::kParityOdd;
    case u'E': return ComPort::kParityEven;
    case u'M': return ComPort::kParityMark;
    case u'S': return ComPort::kParitySpace;
    default: return ComPort::kParityNone;
    }
}

char stopCode(QStringView stop)
{
    if (stop == u"2")
        return ComPort::kStopTwo;
    if (stop == u"1.5")
        return ComPort::kStopOneAndHalf;
    return ComPort::kStopOne;
}

QByteArray speedBytes(quint32 baud)
{
    QByteArray speed(4, '\0');
    for (int i = 0; i < 4; ++i)
        speed[i] = static_cast<char>((baud >> (24 - 8 * i)) & 0xFF);
    return speed;
}

quint32 speedOf(const unsigned char* bytes)
{
    return (quint32(bytes[0]) << 24) | (quint32(bytes[1]) << 16) | (quint32(bytes[2]) << 8) | quint32(bytes[3]);
}

int remainingMs(const QDeadlineTimer& deadline)
{
    return static_cast<int>(std::max<qint64>(deadline.remainingTime(), 1));
}

} // namespace

std::unique_ptr<MSComm> CreateRfc2217MSComm(const TlsFiles& tls)
{
    return std::make_unique<Rfc2217MSComm>(tls);
}

Rfc2217MSComm::Rfc2217MSComm(TlsFiles tls)
    : tls_(std::move(tls)),
      options_([this](unsigned char command, unsigned char option) { telnet_negotiate(telnet_, command, option); }),
      settings_(QString::fromLatin1(Proto::kSettings9600))
{
    connect(&socket_, &QSslSocket::connected, this, [this] { tcpConnected_ = true; });
    connect(&socket_, &QSslSocket::readyRead, this, &Rfc2217MSComm::onReadyRead);
    connect(&socket_, &QSslSocket::disconnected, this, &Rfc2217MSComm::onConnectionLost);
    connect(&socket_, &QSslSocket::errorOccurred, this, [this](QAbstractSocket::SocketError error) {
        if (error != QAbstractSocket::SocketTimeoutError)
            onConnectionLost();
    });
}

Rfc2217MSComm::~Rfc2217MSComm()
{
    Close();
    socket_.disconnect(this);
    if (telnet_ != nullptr)
        telnet_free(telnet_);
}

bool Rfc2217MSComm::Open(QString* error)
{
    if (open_) {
        *error = QStringLiteral("%1: the port is already open").arg(target_);
        return false;
    }
    target_ = fixedTarget_.isEmpty() ? PortTargetOf(commPort_) : fixedTarget_;
    lostReason_.clear();
    settings_ = QString::fromLatin1(Proto::kSettings9600);
    const std::optional<RemoteAddress> address = ParseRemoteTarget(target_);
    if (!address) {
        *error = QStringLiteral("%1: not a remote port address.\nWrite it rfc2217://HOST:PORT or "
                                "rfc2217+tls://HOST:PORT, an IPv6 address in brackets.")
                     .arg(target_);
        return false;
    }
    // Every step waits on the socket itself, never longer than what is left of the opening's time.
    const QDeadlineTimer deadline(kOpenTimeoutMs);
    const QDeadlineTimer grace(kBusyGraceMs);
    Outcome outcome = Outcome::Unreachable;
    // What the server said when it hung up: a try whose words were lost to the reset of its
    // connection does not take them from the message.
    QByteArray words;
    for (;;) {
        outcome = connectOnce(*address, deadline);
        if (!serverWords_.trimmed().isEmpty())
            words = serverWords_;
        if (outcome != Outcome::HungUp || grace.hasExpired() || deadline.hasExpired())
            break;
        // A server goes on holding its port for some milliseconds after the last client hung up,
        // and refuses the next one meanwhile as it refuses one while another client holds it. A
        // script's next command comes that soon, so a refusal is believed only once it persists.
        QThread::msleep(static_cast<unsigned long>(std::min<qint64>(kBusyRetryMs, grace.remainingTime())));
    }
    opening_ = false;
    if (outcome == Outcome::Open) {
        open_ = true;
        received_.clear();
        lineErrors_ = 0;
        return true;
    }
    *error = openFailure(outcome, words);
    socket_.abort();
    return false;
}

QString Rfc2217MSComm::openFailure(Outcome outcome, const QByteArray& words) const
{
    switch (outcome) {
    case Outcome::Refused:
        return QStringLiteral("%1: %2").arg(target_, refusal_);
    case Outcome::Silent:
        return QStringLiteral("%1: no answer from the server within %2 s.").arg(target_).arg(kOpenTimeoutMs / 1000);
    case Outcome::HungUp:
        if (!words.trimmed().isEmpty())
            return QStringLiteral("%1: the server refused the port: %2")
                .arg(target_, QString::fromUtf8(words).simplified());
        return QStringLiteral("%1: the server closed the connection without opening the port.").arg(target_);
    default:
        return QStringLiteral("%1: %2.\nCheck the address, and that the serial device server runs and offers "
                              "the port.")
            .arg(target_, socket_.errorString());
    }
}

void Rfc2217MSComm::startConnection()
{
    if (telnet_ != nullptr)
        telnet_free(telnet_);
    // Proxy mode: the negotiations reach us as they come, refusals included, and TelnetOptions
    // answers them.
    telnet_ = telnet_init(nullptr, &Rfc2217MSComm::telnetEvent, TELNET_FLAG_PROXY, this);
    options_ = TelnetOptions(
        [this](unsigned char command, unsigned char option) { telnet_negotiate(telnet_, command, option); });
    outgoing_.clear();
    received_.clear();
    serverWords_.clear();
    held_.clear();
    refusal_.clear();
    speedAnswer_.reset();
    purgesDue_ = 0;
    lineErrors_ = 0;
    suspended_ = false;
    tcpConnected_ = false;
    heardServer_ = false;
}

Rfc2217MSComm::Outcome Rfc2217MSComm::connectOnce(const RemoteAddress& address, const QDeadlineTimer& deadline)
{
    startConnection();
    opening_ = true;
    usingTls_ = address.tls;
    socket_.abort();
    if (!connectSocket(address, deadline)) {
        if (!refusal_.isEmpty())
            return Outcome::Refused;
        const bool timedOut = tcpConnected_ || socket_.error() == QAbstractSocket::SocketTimeoutError;
        return timedOut ? Outcome::Silent : Outcome::Unreachable;
    }
    // A block's verdict is one byte and every block waits for it: no Nagle delay.
    socket_.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    options_.Ask();
    flushOutgoing();
    // No COM-PORT command goes before the server agreed to the option.
    const auto agreedOrRefused = [this] { return options_.ComPortAgreed() || !options_.Refusal().isEmpty(); };
    if (!waitFor(agreedOrRefused, deadline) || !options_.Refusal().isEmpty())
        return whyNotAgreed();
    sendLineSetup();
    flushOutgoing();
    // The server's answer to the speed says that the line is ours. A server that cannot give it
    // (another client holds it, its device is missing) says why and hangs up.
    const auto lineSet = [this] {
        return (speedAnswer_ && options_.BinaryAgreed()) || !options_.Refusal().isEmpty();
    };
    if (!waitFor(lineSet, deadline) || !options_.Refusal().isEmpty())
        return whyNotAgreed();
    if (*speedAnswer_ != static_cast<quint32>(Proto::kBaudLow)) {
        refuse(QStringLiteral("the server cannot set its line to %1 bit/s (it set %2).")
                   .arg(Proto::kBaudLow)
                   .arg(*speedAnswer_));
        return Outcome::Refused;
    }
    return Outcome::Open;
}

bool Rfc2217MSComm::connectSocket(const RemoteAddress& address, const QDeadlineTimer& deadline)
{
    if (!address.tls) {
        socket_.connectToHost(address.host, address.port);
        return socket_.waitForConnected(remainingMs(deadline));
    }
    QString unusable;
    if (!ConfigureTls(socket_, tls_, &unusable)) {
        refuse(unusable);
        return false;
    }
    socket_.connectToHostEncrypted(address.host, address.port, address.host);
    if (socket_.waitForEncrypted(remainingMs(deadline)))
        return true;
    const QList<QSslError> errors = socket_.sslHandshakeErrors();
    const QAbstractSocket::SocketError error = socket_.error();
    if (!errors.isEmpty())
        refuse(ServerCertificateRefusal(errors, address.host));
    else if (!tcpConnected_ || error == QAbstractSocket::SocketTimeoutError)
        return false;
    else if (error == QAbstractSocket::RemoteHostClosedError || socket_.errorString().contains(QLatin1String("alert")))
        refuse(ClientRefusal(presentedCertificate(), socket_.errorString()));
    else
        refuse(QStringLiteral("the TLS handshake failed (%1).\nCheck that the server offers this port inside TLS.")
                   .arg(socket_.errorString()));
    return false;
}

// Why the server's agreement did not come: its refusal, its hanging up, or its silence.
Rfc2217MSComm::Outcome Rfc2217MSComm::whyNotAgreed()
{
    const QString refused = options_.Refusal();
    if (!refused.isEmpty()) {
        refuse(refused.endsWith(QLatin1String("COM-PORT"))
                   ? QStringLiteral("the server refused the COM-PORT option (%1): it offers no control of this "
                                    "port's serial line.\nSwitch RFC 2217 on for the port in the server's "
                                    "configuration.")
                         .arg(refused)
                   : QStringLiteral("the server refused binary transmission (%1).").arg(refused));
        return Outcome::Refused;
    }
    if (socket_.state() == QAbstractSocket::ConnectedState)
        return Outcome::Silent;
    // A TLS server that asks for a client certificate it does not get or like ends the
    // connection right after the handshake, before it said anything.
    if (usingTls_ && !heardServer_) {
        refuse(ClientRefusal(presentedCertificate(), socket_.errorString()));
        return Outcome::Refused;
    }
    return Outcome::HungUp;
}

QString Rfc2217MSComm::presentedCertificate() const
{
    return socket_.sslConfiguration().localCertificate().subjectDisplayName();
}

void Rfc2217MSComm::refuse(const QString& reason)
{
    if (refusal_.isEmpty())
        refusal_ = reason;
}

bool Rfc2217MSComm::waitFor(const std::function<bool()>& done, const QDeadlineTimer& deadline)
{
    takeIncoming();
    while (!done()) {
        if (socket_.state() != QAbstractSocket::ConnectedState || deadline.hasExpired())
            return false;
        if (socket_.waitForReadyRead(remainingMs(deadline)))
            takeIncoming();
    }
    return true;
}

void Rfc2217MSComm::sendLineSetup()
{
    // Bytes the server's line received before this opening answer none of its exchanges.
    sendComPort(ComPort::kPurgeData, QByteArray(1, ComPort::kPurgeReceive));
    sendLineSettings();
    sendComPort(ComPort::kSetControl, QByteArray(1, ComPort::kNoFlowControl));
    // The modem lines up, as a local port's opening raises them. A server whose line has
    // none (ser2net on a pseudo-terminal) never confirms these; nothing waits for it.
    sendComPort(ComPort::kSetControl, QByteArray(1, ComPort::kDtrOn));
    sendComPort(ComPort::kSetControl, QByteArray(1, ComPort::kRtsOn));
    sendComPort(ComPort::kSetLineStateMask, QByteArray(1, char(ComPort::kLineErrorBits)));
    // The link uses no modem signal: a server that told every change would only add traffic.
    sendComPort(ComPort::kSetModemStateMask, QByteArray(1, '\0'));
}

void Rfc2217MSComm::Close()
{
    if (!open_)
        return;
    open_ = false;
    // The last bytes written must reach the server before the connection ends.
    if (socket_.bytesToWrite() > 0 || socket_.encryptedBytesToWrite() > 0)
        socket_.waitForBytesWritten(kOpenTimeoutMs);
    // Whatever the server sent is read first: a connection closed with bytes unread ends in a
    // reset rather than an orderly close, and the server then keeps its port busy for a while.
    while (socket_.waitForReadyRead(0))
        socket_.readAll();
    socket_.readAll();
    socket_.disconnectFromHost();
    // Inside TLS the close goes out as a record of its own; cut off before it left, the
    // connection ends in a reset, which leaves ser2net unable to serve the next client for a while.
    if (socket_.state() != QAbstractSocket::UnconnectedState)
        socket_.waitForDisconnected(kCloseWaitMs);
    if (socket_.state() != QAbstractSocket::UnconnectedState)
        socket_.abort();
}

bool Rfc2217MSComm::SetSettings(const QString& settings, QString* error)
{
    const quint32 baud = settings.section(QLatin1Char(','), 0, 0).toUInt();
    if (baud == 0) {
        *error = QStringLiteral("%1: \"%2\" is not a line setting").arg(target_, settings);
        return false;
    }
    settings_ = settings;
    if (!open_)
        return true;
    // The answer names the speed the server's line runs at now; another one is its refusal, as
    // a local driver's refusal of a speed.
    speedAnswer_.reset();
    sendLineSettings();
    if (!flushOutgoing() || !waitFor([this] { return speedAnswer_.has_value(); }, QDeadlineTimer(kAnswerTimeoutMs))) {
        *error = open_ ? QStringLiteral("%1: the server did not confirm the speed %2 bit/s within %3 s.")
                             .arg(target_)
                             .arg(baud)
                             .arg(kAnswerTimeoutMs / 1000)
                       : lostReason_;
        return false;
    }
    if (*speedAnswer_ != baud) {
        *error = QStringLiteral("%1: the server's line cannot run at %2 bit/s (the server set %3).")
                     .arg(target_)
                     .arg(baud)
                     .arg(*speedAnswer_);
        return false;
    }
    return true;
}

void Rfc2217MSComm::sendLineSettings()
{
    const QStringList parts = settings_.split(QLatin1Char(','));
    const int dataBits = parts.value(2, QStringLiteral("8")).toInt();
    sendComPort(ComPort::kSetBaudRate, speedBytes(parts.value(0).toUInt()));
    sendComPort(ComPort::kSetDataSize, QByteArray(1, static_cast<char>(dataBits >= 5 && dataBits <= 8 ? dataBits : 8)));
    sendComPort(ComPort::kSetParity, QByteArray(1, parityCode(parts.value(1))));
    sendComPort(ComPort::kSetStopSize, QByteArray(1, stopCode(parts.value(3))));
}

void Rfc2217MSComm::sendComPort(uint8_t command, const QByteArray& value)
{
    QByteArray body;
    body.append(static_cast<char>(command));
    body.append(value);
    telnet_subnegotiation(telnet_, ComPort::kOption, body.constData(), static_cast<size_t>(body.size()));
}

bool Rfc2217MSComm::Output(const QByteArray& bytes, QString* error)
{
    if (!open_) {
        *error = lostReason_.isEmpty() ? PortNotOpenText(commPort_) : lostReason_;
        return false;
    }
    if (suspended_) {
        // Still queued, as in a local port's buffer while the far end holds it off.
        held_.append(bytes);
        return true;
    }
    telnet_send(telnet_, bytes.constData(), static_cast<size_t>(bytes.size())); // doubles every 0xFF
    if (!flushOutgoing()) {
        *error = QStringLiteral("%1: %2").arg(target_, socket_.errorString());
        return false;
    }
    return true;
}

// Hands what the Telnet layer made to the socket, and the socket what the system takes now, so
// that a block leaves without waiting for a pass of the event loop.
bool Rfc2217MSComm::flushOutgoing()
{
    if (outgoing_.isEmpty())
        return true;
    const QByteArray bytes = std::exchange(outgoing_, QByteArray());
    if (socket_.state() != QAbstractSocket::ConnectedState || socket_.write(bytes) != bytes.size())
        return false;
    socket_.flush();
    return true;
}

void Rfc2217MSComm::releaseHeld()
{
    if (held_.isEmpty())
        return;
    const QByteArray bytes = std::exchange(held_, QByteArray());
    telnet_send(telnet_, bytes.constData(), static_cast<size_t>(bytes.size()));
}

int Rfc2217MSComm::OutBufferCount()
{
    if (!open_)
        return 0;
    return static_cast<int>(socket_.bytesToWrite() + socket_.encryptedBytesToWrite() + held_.size());
}

void Rfc2217MSComm::ClearOutBuffer()
{
    if (!open_)
        return;
    held_.clear();
    sendComPort(ComPort::kPurgeData, QByteArray(1, ComPort::kPurgeTransmit));
    flushOutgoing();
}

void Rfc2217MSComm::ClearInBuffer()
{
    if (!open_)
        return;
    // What already came is parsed, for the server's answers in it, and its data dropped; then the
    // server drops what its line holds. Both before anything that follows, a speed change above all:
    // the unit answers at the new speed at once, and a purge after that would take its answer.
    takeIncoming();
    received_.clear();
    lineErrors_ = 0;
    sendComPort(ComPort::kPurgeData, QByteArray(1, ComPort::kPurgeReceive));
    flushOutgoing();
    // Bytes the server had sent before it purged are still on their way: they are dropped too,
    // until its answer marks the end of them. A server that never answers holds nothing back
    // for longer than a reply wait.
    ++purgesDue_;
    purgeBarrier_ = QDeadlineTimer(kAnswerTimeoutMs);
}

QByteArray Rfc2217MSComm::Input()
{
    return std::exchange(received_, QByteArray());
}

void Rfc2217MSComm::raise(int event)
{
    commEvent_ = event;
    emit OnComm();
    commEvent_ = 0;
}

void Rfc2217MSComm::takeIncoming()
{
    // A connection the server ended is read to its last byte, but not past it: the socket
    // under the TLS layer is gone by then.
    if (!socket_.isOpen() || socket_.bytesAvailable() == 0) {
        flushOutgoing();
        return;
    }
    const QByteArray bytes = socket_.readAll();
    if (!bytes.isEmpty()) {
        heardServer_ = true;
        if (telnet_ != nullptr)
            telnet_recv(telnet_, bytes.constData(), static_cast<size_t>(bytes.size()));
    }
    flushOutgoing(); // the Telnet layer's answers to what the server asked
}

void Rfc2217MSComm::onReadyRead()
{
    if (!open_)
        return; // an opening reads for itself
    takeIncoming();
    // Line errors first, as a local port raises them: the reply they spoil is then never taken
    // for a good one.
    const uint8_t errors = std::exchange(lineErrors_, 0);
    if ((errors & ComPort::kFramingError) != 0)
        raise(kEventFrame);
    if ((errors & ComPort::kOverrunError) != 0)
        raise(kEventOverrun);
    if ((errors & ComPort::kParityError) != 0)
        raise(kEventRxParity);
    if (!received_.isEmpty())
        raise(kEvReceive);
}

void Rfc2217MSComm::onConnectionLost()
{
    if (!open_)
        return;
    // The server hung up or the network failed: a device that went away. The wait that is
    // running wakes on this event and ends on DeviceLost; the next write reports why.
    lostReason_ = QStringLiteral("%1: the connection to the server was lost (%2)").arg(target_, socket_.errorString());
    dropConnection();
}

void Rfc2217MSComm::dropConnection()
{
    open_ = false;
    socket_.abort();
}

void Rfc2217MSComm::telnetEvent(telnet_t*, telnet_event_t* event, void* self)
{
    static_cast<Rfc2217MSComm*>(self)->handle(*event);
}

void Rfc2217MSComm::handle(const telnet_event_t& event)
{
    switch (event.type) {
    case TELNET_EV_DATA:
        takeData(event.data.buffer, event.data.size);
        break;
    case TELNET_EV_SEND:
        outgoing_.append(event.data.buffer, static_cast<qsizetype>(event.data.size));
        break;
    case TELNET_EV_WILL:
        options_.Heard(TELNET_WILL, event.neg.telopt);
        break;
    case TELNET_EV_WONT:
        options_.Heard(TELNET_WONT, event.neg.telopt);
        break;
    case TELNET_EV_DO:
        options_.Heard(TELNET_DO, event.neg.telopt);
        break;
    case TELNET_EV_DONT:
        options_.Heard(TELNET_DONT, event.neg.telopt);
        break;
    case TELNET_EV_SUBNEGOTIATION:
        if (event.sub.telopt == ComPort::kOption)
            handleComPort(reinterpret_cast<const unsigned char*>(event.sub.buffer), event.sub.size);
        break;
    case TELNET_EV_ERROR:
        // The stream can no longer be read as Telnet: nothing after this can be trusted.
        if (open_) {
            lostReason_ = QStringLiteral("%1: the server's stream cannot be read (%2)")
                              .arg(target_, QString::fromUtf8(event.error.msg));
            dropConnection();
        } else {
            socket_.abort();
        }
        break;
    default:
        break;
    }
}

void Rfc2217MSComm::takeData(const char* bytes, size_t size)
{
    if (opening_) {
        const int room = kMaxServerWords - static_cast<int>(serverWords_.size());
        serverWords_.append(bytes, std::clamp<int>(static_cast<int>(size), 0, room));
        return;
    }
    if (purgesDue_ > 0 && !purgeBarrier_.hasExpired())
        return; // from before the purge
    purgesDue_ = 0;
    received_.append(bytes, static_cast<qsizetype>(size));
}

void Rfc2217MSComm::handleComPort(const unsigned char* bytes, size_t size)
{
    if (size < 1)
        return;
    switch (bytes[0]) {
    case ComPort::FromServer(ComPort::kSetBaudRate):
        if (size >= 5)
            speedAnswer_ = speedOf(bytes + 1);
        break;
    case ComPort::FromServer(ComPort::kNotifyLineState):
        if (size >= 2)
            lineErrors_ |= bytes[1] & ComPort::kLineErrorBits;
        break;
    case ComPort::FromServer(ComPort::kPurgeData):
        if (size >= 2 && bytes[1] != ComPort::kPurgeTransmit && purgesDue_ > 0)
            --purgesDue_;
        break;
    case ComPort::FromServer(ComPort::kFlowControlSuspend):
        suspended_ = true;
        break;
    case ComPort::FromServer(ComPort::kFlowControlResume):
        suspended_ = false;
        releaseHeld();
        break;
    default:
        // Modem-state notices among them: the link uses no modem signal. Answers to the other
        // settings confirm what was asked and change nothing here.
        break;
    }
}
