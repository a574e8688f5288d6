#include "PtyPort.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace unitsim {

namespace {

struct SpeedCode {
    speed_t code;
    int baud;
};
constexpr SpeedCode kSpeeds[] = {
    {B1200, 1200},   {B2400, 2400},   {B4800, 4800},     {B9600, 9600},     {B19200, 19200},
    {B38400, 38400}, {B57600, 57600}, {B115200, 115200}, {B230400, 230400},
};

std::string SystemError(const char* what)
{
    return std::string(what) + ": " + std::strerror(errno);
}

} // namespace

bool PtyPort::Open(std::string* error)
{
    Close();
    const int fd = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        *error = SystemError("cannot create a pseudo-terminal");
        return false;
    }
    master_ = fd;
    char name[128];
    if (grantpt(fd) != 0 || unlockpt(fd) != 0 || ptsname_r(fd, name, sizeof name) != 0) {
        *error = SystemError("cannot prepare the pseudo-terminal");
        Close();
        return false;
    }
    hostPath_ = name;

    // A host that opens the port without configuring it still finds the unit's line.
    termios settings{};
    tcgetattr(fd, &settings);
    cfmakeraw(&settings);
    settings.c_cflag |= CLOCAL | CREAD;
    cfsetispeed(&settings, B9600);
    cfsetospeed(&settings, B9600);
    int packetMode = 1;
    if (tcsetattr(fd, TCSANOW, &settings) != 0 || ioctl(fd, TIOCPKT, &packetMode) != 0) {
        *error = SystemError("cannot set up the pseudo-terminal");
        Close();
        return false;
    }
    return true;
}

void PtyPort::Close()
{
    if (master_ >= 0)
        ::close(master_);
    master_ = -1;
}

int PtyPort::HostBaud() const
{
    termios settings{};
    if (master_ < 0 || tcgetattr(master_, &settings) != 0)
        return 0;
    const speed_t code = cfgetospeed(&settings);
    for (const auto& speed : kSpeeds) {
        if (speed.code == code)
            return speed.baud;
    }
    return 0;
}

PtyPort::Input PtyPort::Read()
{
    Input input;
    uint8_t buffer[4096];
    while (master_ >= 0) {
        const ssize_t n = ::read(master_, buffer, sizeof buffer);
        if (n > 0) {
            // Packet mode: a leading 0 marks data; anything else is a status report alone.
            if (buffer[0] == TIOCPKT_DATA)
                input.bytes.insert(input.bytes.end(), buffer + 1, buffer + n);
            else if (buffer[0] & TIOCPKT_FLUSHREAD)
                input.hostFlushedInput = true;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EIO)
            input.hostClosed = true;
        break;
    }
    return input;
}

bool PtyPort::HostReopened() const
{
    pollfd probe{master_, POLLIN, 0};
    return master_ >= 0 && ::poll(&probe, 1, 0) >= 0 && !(probe.revents & POLLHUP);
}

int PtyPort::Write(std::span<const uint8_t> bytes)
{
    for (;;) {
        const ssize_t n = ::write(master_, bytes.data(), bytes.size());
        if (n >= 0)
            return static_cast<int>(n);
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN)
            return 0;
        return -1;
    }
}

} // namespace unitsim
