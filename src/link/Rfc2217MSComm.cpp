#include "link/Rfc2217MSComm.h"

#include "link/PortTarget.h"
#include "link/Protocol.h"

#include <QDeadlineTimer>
#include <QThread>

#include <libtelnet.h>

#include <algorithm>

namespace {

// The Telnet COM-PORT option and its client commands; a server answers each with the command
// plus 100.
constexpr unsigned char kComPortOption = 44;
constexpr uint8_t kSetBaudRate = 1;
constexpr uint8_t kSetDataSize = 2;
constexpr uint8_t kSetParity = 3;
constexpr uint8_t kSetStopSize = 4;
constexpr uint8_t kSetControl = 5;
constexpr uint8_t kSetLineStateMask = 10;
constexpr uint8_t kPurgeData = 12;
constexpr uint8_t kServerReply = 100;
constexpr uint8_t kNotifyLineState = 6;

constexpr char kNoFlowControl = 1;
constexpr char kDtrOn = 8;
constexpr char kRtsOn = 11;
constexpr char kPurgeReceive = 1;  // the server's buffer of what its line received
constexpr char kPurgeTransmit = 2; // the server's buffer of what its line has yet to send

// Line-state bits.
constexpr uint8_t kOverrun = 0x02;
constexpr uint8_t kParity = 0x04;
constexpr uint8_t kFraming = 0x08;
constexpr uint8_t kLineErrorBits = kOverrun | kParity | kFraming;

// Binary both ways, so that neither side treats a CR in a data block as a line end; the
// COM-PORT option from our side only. Everything else the server offers is declined.
const telnet_telopt_t kTelnetOptions[] = {
    {TELNET_TELOPT_BINARY, TELNET_WILL, TELNET_DO},
    {TELNET_TELOPT_SGA, TELNET_WILL, TELNET_DO},
    {kComPortOption, TELNET_WILL, TELNET_DONT},
    {-1, 0, 0},
};

constexpr int kMaxServerWords = 256;

char parityCode(QStringView letter)
{
    switch (letter.isEmpty() ? u'N' : letter.at(0).toUpper().unicode()) {
    case u'O': return 2;
    case u'E': return 3;
    case u'M': return 4;
    case u'S': return 5;
    default: return 1; // none
    }
}

char stopCode(QStringView stop)
{
    if (stop == u"2")
        return 2;
    if (stop == u"1.5")
        return 3;
    return 1;
}

} // namespace

std::unique_ptr<MSComm> CreateRfc2217MSComm()
{
    return std::make_unique<Rfc2217MSComm>();
}

Rfc2217MSComm::Rfc2217MSComm() : settings_(QString::fromLatin1(Proto::kSettings9600))
{
    connect(&socket_, &QTcpSocket::readyRead, this, &Rfc2217MSComm::onReadyRead);
    connect(&socket_, &QTcpSocket::disconnected, this, &Rfc2217MSComm::onConnectionLost);
    connect(&socket_, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError error) {
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
    received_.clear();
    serverWords_.clear();
    outgoing_.clear();
    lineErrors_ = 0;
    const std::optional<RemoteAddress> address = ParseRemoteTarget(target_);
    if (!address) {
        *error = QStringLiteral("%1: not a remote port address.\nWrite it rfc2217://HOST:PORT, an IPv6 address "
                                "in brackets.")
                     .arg(target_);
        return false;
    }
    // Every step waits on the socket itself, never longer than what is left of the opening's time.
    const QDeadlineTimer deadline(kOpenTimeoutMs);
    const QDeadlineTimer grace(kBusyGraceMs);
    bool connected = false;
    for (;;) {
        connected = connectOnce(*address, deadline);
        const bool refused = connected && socket_.state() != QAbstractSocket::ConnectedState && !speedConfirmed_;
        if (!refused || grace.hasExpired() || deadline.hasExpired())
            break;
        // A server goes on holding its port for some milliseconds after the last client hung up,
        // and refuses the next one meanwhile as it refuses one while another client holds it. A
        // script's next command comes that soon, so a refusal is believed only once it persists.
        QThread::msleep(static_cast<unsigned long>(std::min<qint64>(kBusyRetryMs, grace.remainingTime())));
    }
    opening_ = false;
    if (speedConfirmed_ && socket_.state() == QAbstractSocket::ConnectedState) {
        open_ = true;
        received_.clear();
        lineErrors_ = 0;
        return true;
    }
    if (!connected && socket_.error() != QAbstractSocket::SocketTimeoutError)
        *error = QStringLiteral("%1: %2.\nCheck the address, and that the serial device server runs and offers "
                                "the port.")
                     .arg(target_, socket_.errorString());
    else if (socket_.state() == QAbstractSocket::ConnectedState || !connected)
        *error = QStringLiteral("%1: no answer from the server within %2 s.")
                     .arg(target_)
                     .arg(kOpenTimeoutMs / 1000);
    else if (!serverWords_.trimmed().isEmpty())
        *error = QStringLiteral("%1: the server refused the port: %2")
                     .arg(target_, QString::fromUtf8(serverWords_).simplified());
    else
        *error = QStringLiteral("%1: the server closed the connection without opening the port.").arg(target_);
    socket_.abort();
    return false;
}

bool Rfc2217MSComm::connectOnce(const RemoteAddress& address, const QDeadlineTimer& deadline)
{
    const auto remaining = [&deadline] { return static_cast<int>(std::max<qint64>(deadline.remainingTime(), 1)); };
    if (telnet_ != nullptr)
        telnet_free(telnet_);
    telnet_ = telnet_init(kTelnetOptions, &Rfc2217MSComm::telnetEvent, 0, this);
    outgoing_.clear();
    serverWords_.clear();
    opening_ = true;
    speedConfirmed_ = false;
    socket_.abort();
    socket_.connectToHost(address.host, address.port);
    if (!socket_.waitForConnected(remaining())) {
        opening_ = false;
        return false;
    }
    // A block's verdict is one byte and every block waits for it: no Nagle delay.
    socket_.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    telnet_negotiate(telnet_, TELNET_WILL, kComPortOption);
    telnet_negotiate(telnet_, TELNET_WILL, TELNET_TELOPT_BINARY);
    telnet_negotiate(telnet_, TELNET_DO, TELNET_TELOPT_BINARY);
    // Bytes the server's line received before this opening answer none of its exchanges.
    sendComPort(kPurgeData, QByteArray(1, kPurgeReceive));
    sendLineSettings();
    sendComPort(kSetControl, QByteArray(1, kNoFlowControl));
    // The modem lines up, as a local port's opening raises them. A server whose line has
    // none (ser2net on a pseudo-terminal) never confirms these; nothing waits for it.
    sendComPort(kSetControl, QByteArray(1, kDtrOn));
    sendComPort(kSetControl, QByteArray(1, kRtsOn));
    sendComPort(kSetLineStateMask, QByteArray(1, char(kLineErrorBits)));
    flushOutgoing();
    // The server's answer to the speed says that the line is ours. A server that cannot
    // give it (another client holds it, its device is missing) says why and hangs up.
    while (!speedConfirmed_ && socket_.state() == QAbstractSocket::ConnectedState && !deadline.hasExpired())
        if (socket_.waitForReadyRead(remaining()))
            takeIncoming();
    takeIncoming();
    opening_ = false;
    return true;
}

void Rfc2217MSComm::Close()
{
    if (!open_)
        return;
    open_ = false;
    // The last bytes written must reach the server before the connection ends.
    if (socket_.bytesToWrite() > 0)
        socket_.waitForBytesWritten(kOpenTimeoutMs);
    // Whatever the server sent is read first: a connection closed with bytes unread ends in a
    // reset rather than an orderly close, and the server then keeps its port busy for a while.
    while (socket_.waitForReadyRead(0))
        socket_.readAll();
    socket_.readAll();
    socket_.disconnectFromHost();
    if (socket_.state() != QAbstractSocket::UnconnectedState)
        socket_.abort();
}

bool Rfc2217MSComm::SetSettings(const QString& settings)
{
    if (settings.section(QLatin1Char(','), 0, 0).toInt() <= 0)
        return false;
    settings_ = settings;
    if (!open_)
        return true;
    sendLineSettings();
    return flushOutgoing();
}

void Rfc2217MSComm::sendLineSettings()
{
    const QStringList parts = settings_.split(QLatin1Char(','));
    const quint32 baud = parts.value(0).toUInt();
    const int dataBits = parts.value(2, QStringLiteral("8")).toInt();
    QByteArray speed(4, '\0');
    for (int i = 0; i < 4; ++i)
        speed[i] = static_cast<char>((baud >> (24 - 8 * i)) & 0xFF);
    sendComPort(kSetBaudRate, speed);
    sendComPort(kSetDataSize, QByteArray(1, static_cast<char>(dataBits >= 5 && dataBits <= 8 ? dataBits : 8)));
    sendComPort(kSetParity, QByteArray(1, parityCode(parts.value(1))));
    sendComPort(kSetStopSize, QByteArray(1, stopCode(parts.value(3))));
}

void Rfc2217MSComm::sendComPort(uint8_t command, const QByteArray& value)
{
    QByteArray body;
    body.append(static_cast<char>(command));
    body.append(value);
    telnet_subnegotiation(telnet_, kComPortOption, body.constData(), static_cast<size_t>(body.size()));
}

bool Rfc2217MSComm::Output(const QByteArray& bytes, QString* error)
{
    if (!open_) {
        *error = lostReason_.isEmpty() ? PortNotOpenText(commPort_) : lostReason_;
        return false;
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

int Rfc2217MSComm::OutBufferCount()
{
    return open_ ? static_cast<int>(socket_.bytesToWrite()) : 0;
}

void Rfc2217MSComm::ClearOutBuffer()
{
    if (!open_)
        return;
    sendComPort(kPurgeData, QByteArray(1, kPurgeTransmit));
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
    sendComPort(kPurgeData, QByteArray(1, kPurgeReceive));
    flushOutgoing();
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
    if (!socket_.isOpen())
        return;
    const QByteArray bytes = socket_.readAll();
    if (!bytes.isEmpty() && telnet_ != nullptr)
        telnet_recv(telnet_, bytes.constData(), static_cast<size_t>(bytes.size()));
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
    if ((errors & kFraming) != 0)
        raise(kEventFrame);
    if ((errors & kOverrun) != 0)
        raise(kEventOverrun);
    if ((errors & kParity) != 0)
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
        if (opening_) {
            const int room = kMaxServerWords - static_cast<int>(serverWords_.size());
            serverWords_.append(event.data.buffer, std::clamp<int>(static_cast<int>(event.data.size), 0, room));
        } else {
            received_.append(event.data.buffer, static_cast<qsizetype>(event.data.size));
        }
        break;
    case TELNET_EV_SEND:
        outgoing_.append(event.data.buffer, static_cast<qsizetype>(event.data.size));
        break;
    case TELNET_EV_SUBNEGOTIATION:
        if (event.sub.telopt == kComPortOption)
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

void Rfc2217MSComm::handleComPort(const unsigned char* bytes, size_t size)
{
    if (size < 1)
        return;
    const uint8_t command = bytes[0];
    if (command == kServerReply + kSetBaudRate)
        speedConfirmed_ = speedConfirmed_ || opening_;
    else if (command == kServerReply + kNotifyLineState && size >= 2)
        lineErrors_ |= bytes[1] & kLineErrorBits;
}
