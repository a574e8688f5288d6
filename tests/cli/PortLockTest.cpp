#include "link/PortLock.h"
#include "link/SerialMSComm.h"
#include "shared/Settings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

namespace {

// A pseudo-terminal whose host side stands in for a serial adapter.
struct Pty {
    int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    QString device;
    Pty()
    {
        if (master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0)
            device = QString::fromLatin1(::ptsname(master));
    }
    ~Pty()
    {
        if (master >= 0)
            ::close(master);
    }
};

void pointPort(int n, const QString& target)
{
    const QString ports = AppConfigFolder() + "/ports";
    ASSERT_TRUE(QDir().mkpath(ports));
    QFile::remove(ports + QString("/COM%1").arg(n));
    ASSERT_TRUE(QFile::link(target, ports + QString("/COM%1").arg(n)));
}

} // namespace

TEST(CliPortLock, EveryAliasOfADeviceLocksUnderOneName)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    EXPECT_EQ(LockedPortName("/dev/no-such-adapter"), "/dev/no-such-adapter");
    Pty pty;
    ASSERT_FALSE(pty.device.isEmpty());
    ASSERT_TRUE(QFile::link(pty.device, dir.path() + "/by-id"));
    ASSERT_TRUE(QFile::link(dir.path() + "/by-id", dir.path() + "/alias"));
    EXPECT_EQ(LockedPortName(dir.path() + "/alias"), pty.device);
}

TEST(CliPortLock, APortHeldUnderAnotherNameIsRefusedAsBusy)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    Pty pty;
    ASSERT_FALSE(pty.device.isEmpty());
    // Com2 reaches the device through a link of its own (as /dev/serial/by-id does), Com3 directly.
    ASSERT_TRUE(QFile::link(pty.device, dir.path() + "/by-id"));
    pointPort(2, dir.path() + "/by-id");
    pointPort(3, pty.device);

    SerialMSComm holder, second;
    holder.SetCommPort(2);
    second.SetCommPort(3);
    QString error;
    ASSERT_TRUE(holder.Open(&error)) << error.toStdString();
    EXPECT_FALSE(second.Open(&error));
    EXPECT_TRUE(error.contains("Device or resource busy")) << error.toStdString();
    EXPECT_TRUE(error.startsWith(pty.device)) << "the message names the device the port was asked for";
    holder.Close();
    EXPECT_TRUE(second.Open(&error)) << error.toStdString();
    second.Close();
}
