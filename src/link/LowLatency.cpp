#include "link/LowLatency.h"

#include <cerrno>
#include <cstring>
#include <sys/ioctl.h>

namespace {

class SystemSerialFlags final : public SerialFlagsAccess {
public:
    int Get(int fd, serial_struct* flags) override { return ::ioctl(fd, TIOCGSERIAL, flags) == 0 ? 0 : errno; }
    int Set(int fd, const serial_struct& flags) override
    {
        return ::ioctl(fd, TIOCSSERIAL, &flags) == 0 ? 0 : errno;
    }
};

SerialFlagsAccess* installed = nullptr;

QString notSupported(int error)
{
    return QStringLiteral("low latency: not supported: %1").arg(QString::fromLocal8Bit(std::strerror(error)));
}

} // namespace

SerialFlagsAccess& SerialFlags()
{
    static SystemSerialFlags system;
    return installed != nullptr ? *installed : system;
}

void SetSerialFlagsAccess(SerialFlagsAccess* access)
{
    installed = access;
}

QString LowLatency::Enable(int fd)
{
    setHere_ = false;
    serial_struct flags{};
    if (const int error = SerialFlags().Get(fd, &flags); error != 0)
        return notSupported(error);
    if ((flags.flags & ASYNC_LOW_LATENCY) != 0)
        return QStringLiteral("low latency: already on");
    flags.flags |= ASYNC_LOW_LATENCY;
    if (const int error = SerialFlags().Set(fd, flags); error != 0)
        return notSupported(error);
    setHere_ = true;
    return QStringLiteral("low latency: set");
}

void LowLatency::Restore(int fd)
{
    if (!setHere_)
        return;
    setHere_ = false;
    // Read again rather than write back the old copy: the port layer may have changed other
    // settings since, and only our own bit is ours to put back.
    serial_struct flags{};
    if (SerialFlags().Get(fd, &flags) != 0)
        return;
    flags.flags &= ~ASYNC_LOW_LATENCY;
    SerialFlags().Set(fd, flags);
}
