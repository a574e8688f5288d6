#include "link/SerialMSComm.h"

#include "link/PortLock.h"
#include "link/PortTarget.h"
#include "link/Protocol.h"

#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <linux/serial.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

QString permissionHint(const QString& device)
{
    return QStringLiteral("%1: Permission denied.\nAdd your user to the \"dialout\" group "
                          "(sudo usermod -aG dialout $USER) and log in again.")
        .arg(device);
}

QString busyHint(const QString& device)
{
    return QStringLiteral("%1: Device or resource busy.\nAnother program holds the port "
                          "(a terminal program, ModemManager or brltty); close it and try again.")
        .arg(device);
}

QString missingHint(const QString& device, int16_t n)
{
    if (n < 1) // a device named by its path: there is no COMn link to point
        return QStringLiteral("%1: No such device.\nConnect the programmer's serial adapter.").arg(device);
    return QStringLiteral("%1: No such device.\nConnect the programmer's serial adapter, or point "
                          "%2 at it with a link %3 -> /dev/ttyUSB0.")
        .arg(device, PortLinkName(n), PortLinkPath(n));
}

} // namespace

std::unique_ptr<MSComm> CreateSerialMSComm()
{
    return std::make_unique<SerialMSComm>();
}

SerialMSComm::SerialMSComm() : settings_(QString::fromLatin1(Proto::kSettings9600))
{
    connect(&port_, &QSerialPort::readyRead, this, &SerialMSComm::onReadyRead);
    connect(&port_, &QSerialPort::errorOccurred, this, &SerialMSComm::onError);
}

SerialMSComm::~SerialMSComm()
{
    Close(); // the driver's latency mode goes back as found
}

bool SerialMSComm::Open(QString* error)
{
    if (port_.isOpen()) {
        *error = QStringLiteral("%1: the port is already open").arg(device_);
        return false;
    }
    device_ = fixedDevice_.isEmpty() ? PortTargetOf(commPort_) : fixedDevice_;
    lostReason_.clear();
    settings_ = QString::fromLatin1(Proto::kSettings9600);
    port_.setPortName(LockedPortName(device_));
    port_.setBaudRate(Proto::kBaudLow);
    port_.setDataBits(QSerialPort::Data8);
    port_.setParity(QSerialPort::NoParity);
    port_.setStopBits(QSerialPort::OneStop);
    port_.setFlowControl(QSerialPort::NoFlowControl);
    if (port_.open(QIODevice::ReadWrite)) {
        // Bytes that came while the port was closed answer no exchange of this opening. A real
        // line loses them; a pseudo-terminal (the simulated unit's) keeps them for the next
        // opening, where they would stand in front of the first reply.
        port_.clear(QSerialPort::Input);
        countsKnown_ = false;
        noCounters_ = false;
        reportLineErrors(); // takes the driver's counters as the starting point
        emit Noted(lowLatency_.Enable(static_cast<int>(port_.handle())));
        return true;
    }
    const QSerialPort::SerialPortError reason = port_.error();
    const QByteArray path = QFile::encodeName(device_);
    if (reason == QSerialPort::DeviceNotFoundError || !QFileInfo::exists(device_))
        *error = missingHint(device_, commPort_);
    else if (::access(path.constData(), R_OK | W_OK) != 0 && errno == EACCES)
        *error = permissionHint(device_);
    else if (reason == QSerialPort::PermissionError)
        *error = busyHint(device_);
    else
        *error = QStringLiteral("%1: %2").arg(device_, port_.errorString());
    return false;
}

void SerialMSComm::Close()
{
    if (!port_.isOpen())
        return;
    lowLatency_.Restore(static_cast<int>(port_.handle()));
    port_.close();
}

bool SerialMSComm::SetSettings(const QString& settings, QString* error)
{
    const int baud = settings.section(QLatin1Char(','), 0, 0).toInt();
    if (baud <= 0) {
        *error = QStringLiteral("%1: \"%2\" is not a line setting").arg(device_, settings);
        return false;
    }
    settings_ = settings;
    if (!port_.isOpen() || port_.setBaudRate(baud))
        return true;
    *error = QStringLiteral("%1: the line cannot run at %2 bit/s (%3)").arg(device_).arg(baud).arg(port_.errorString());
    return false;
}

bool SerialMSComm::Output(const QByteArray& bytes, QString* error)
{
    if (!port_.isOpen()) {
        *error = lostReason_.isEmpty() ? PortNotOpenText(commPort_) : lostReason_;
        return false;
    }
    // Straight to the driver when nothing is queued ahead: the port's own buffer would arm its
    // write notifier, and every block would pay an extra event-loop pass and two wake-ups of
    // the loop to disarm it again. What the driver does not take at once goes the port's way,
    // behind anything already queued there, so the bytes stay in order.
    const bool queued = port_.bytesToWrite() > 0;
    int refusal = 0;
    const qsizetype taken = queued ? 0 : writeToDriver(bytes, &refusal);
    if (taken == bytes.size())
        return true;
    const QByteArray rest = taken == 0 ? bytes : bytes.mid(taken);
    if (port_.write(rest) != rest.size()) {
        *error = QStringLiteral("%1: %2").arg(device_, port_.errorString());
        return false;
    }
    // A full driver takes the rest when the port's write notifier finds room: pushing now would
    // only be refused, and the port layer takes that refusal for a device gone. Any other refusal
    // is the port layer's to meet and report, as it always was.
    if (!queued && refusal != EAGAIN && refusal != EWOULDBLOCK)
        port_.flush();
    return true;
}

// Writes what the driver takes without waiting; `refusal` gets the reason it stopped short.
qsizetype SerialMSComm::writeToDriver(const QByteArray& bytes, int* refusal)
{
    qsizetype taken = 0;
    while (taken < bytes.size()) {
        const ssize_t n = ::write(port_.handle(), bytes.constData() + taken, static_cast<size_t>(bytes.size() - taken));
        if (n > 0) {
            taken += n;
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            *refusal = n < 0 ? errno : EAGAIN;
            break;
        }
    }
    return taken;
}

int SerialMSComm::OutBufferCount()
{
    if (!port_.isOpen())
        return 0;
    int driverQueued = 0;
    if (::ioctl(port_.handle(), TIOCOUTQ, &driverQueued) != 0)
        driverQueued = 0;
    return static_cast<int>(port_.bytesToWrite()) + driverQueued;
}

void SerialMSComm::ClearOutBuffer()
{
    if (port_.isOpen())
        port_.clear(QSerialPort::Output);
}

void SerialMSComm::ClearInBuffer()
{
    if (port_.isOpen())
        port_.clear(QSerialPort::Input);
}

QByteArray SerialMSComm::Input()
{
    if (!port_.isOpen())
        return {};
    return port_.readAll();
}

void SerialMSComm::raise(int event)
{
    commEvent_ = event;
    emit OnComm();
    commEvent_ = 0;
}

void SerialMSComm::onReadyRead()
{
    reportLineErrors();
    raise(kEvReceive);
}

// The driver counts framing, overrun, parity and buffer-overrun errors; a rise of a counter
// is raised as its line-error event. Devices without counters (pseudo-terminals) report none.
void SerialMSComm::reportLineErrors()
{
    serial_icounter_struct now{};
    if (!port_.isOpen() || noCounters_)
        return;
    if (::ioctl(port_.handle(), TIOCGICOUNT, &now) != 0) {
        // A driver without counters refuses from the opening on; asking again on every
        // delivery would only cost a system call a block.
        if (errno == ENOTTY || errno == EINVAL)
            noCounters_ = true;
        return;
    }
    const LineErrorCounts current{now.frame, now.overrun, now.parity, now.buf_overrun};
    if (countsKnown_) {
        if (current.frame != counts_.frame)
            raise(kEventFrame);
        if (current.overrun != counts_.overrun)
            raise(kEventOverrun);
        if (current.bufOverrun != counts_.bufOverrun)
            raise(kEventRxOver);
        if (current.parity != counts_.parity)
            raise(kEventRxParity);
    }
    counts_ = current;
    countsKnown_ = true;
}

void SerialMSComm::onError(QSerialPort::SerialPortError error)
{
    if (!port_.isOpen())
        return;
    // A hung-up line (the far end of a pseudo-terminal closed, a modem line dropped) reads as
    // the end of the data, which the port layer reports as a read error on every pass of the
    // event loop; an unplugged adapter reports a resource error.
    if (error != QSerialPort::ResourceError && !(error == QSerialPort::ReadError && lineHungUp()))
        return;
    // The device went away. Closing stops the notifier from firing on a dead descriptor; the
    // next write reports why. The wait that is running wakes on this event and ends on
    // DeviceLost rather than at its time-out.
    lostReason_ = QStringLiteral("%1: the device is no longer available (%2)").arg(device_, port_.errorString());
    lowLatency_.Forget();
    port_.close();
}

bool SerialMSComm::lineHungUp()
{
    pollfd probe{static_cast<int>(port_.handle()), POLLIN, 0};
    return ::poll(&probe, 1, 0) > 0 && (probe.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}
