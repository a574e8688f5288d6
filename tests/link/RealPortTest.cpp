// The real port layer against the simulated unit over a pseudo-terminal.
#include "link/Link.h"
#include "link/Protocol.h"
#include "link/PortTarget.h"
#include "link/SerialMSComm.h"
#include "shared/Module1.h"
#include "support/FakeClock.h"
#include "support/MessageRecorder.h"
#include "support/SimulatedUnit.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

namespace {

class RealPort : public ::testing::Test {
protected:
    RealPort()
    {
        ResetModule1();
        port_.SetCommPort(1);
    }
    bool open()
    {
        QString error;
        const bool opened = port_.Open(&error);
        EXPECT_TRUE(opened) << error.toStdString();
        return opened;
    }
    SimulatedUnit unit_;
    SerialMSComm port_;
    Link link_{port_, kTransferWindowLink};
};

TEST_F(RealPort, FollowsTheConfiguredLinkToTheDevice)
{
    EXPECT_EQ(PortTargetOf(1).toStdString(), unit_->HostPath());
    EXPECT_EQ(PortTargetOf(3).toStdString(), "/dev/ttyS2");
}

TEST_F(RealPort, SpeedExchangeTo38400AndBack)
{
    ASSERT_TRUE(open());
    MessageRecorder messages;
    Module1.SpeedIndex = 1;
    link_.SetLineSpeed(38400);
    EXPECT_EQ(Module1.HighSpeedLink, 1);
    EXPECT_EQ(Module1.SpeedIndex, 1);
    EXPECT_EQ(port_.Settings().toStdString(), "38400,N,8,1");
    EXPECT_EQ(unit_->UnitBaud(), 38400);
    EXPECT_TRUE(unit_->WaitUntil([&] { return unit_->HostBaud() == 38400; }, 2000));

    Module1.SpeedIndex = 0;
    link_.SetLineSpeed(9600);
    EXPECT_EQ(Module1.HighSpeedLink, 0);
    EXPECT_EQ(unit_->UnitBaud(), 9600);
    EXPECT_TRUE(unit_->WaitUntil([&] { return unit_->HostBaud() == 9600; }, 2000));
    const std::vector<std::string> lines = unit_->CommandLines();
    EXPECT_EQ(lines, (std::vector<std::string>{"CC02807D", "CC0200FD"}));
}

TEST_F(RealPort, PageQueryReplyArrivesWholeAndChecksOut)
{
    unitsim::PageRecord record;
    record.status = 1;
    record.cpu = 75;
    record.clockHz = 20'000'000;
    record.size = 4096;
    unit_->SetPage(2, record, std::vector<uint8_t>(4096, 0x5A));
    ASSERT_TRUE(open());
    MessageRecorder messages;
    QString query = QStringLiteral("C90202");
    setsum(query, 2);
    Module1.RxCount = 0;
    ASSERT_EQ(link_.SendCommand(query), 0);
    ASSERT_EQ(link_.WaitReply(), 0);
    EXPECT_EQ(Module1.RxCount, 48);
    EXPECT_EQ(CheckReplySum(Module1.RxBytes, 22), std::optional<int16_t>(0));
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(Module1.RxBytes.data()), 4), QByteArray("014B"));
}

TEST_F(RealPort, ReplyIsMissedWhileTheSpeedsDiffer)
{
    ASSERT_TRUE(open());
    // The host changes speed without telling the unit: what comes back is garbled.
    QString refusal;
    ASSERT_TRUE(port_.SetSettings(QStringLiteral("38400,N,8,1"), &refusal)) << refusal.toStdString();
    ASSERT_TRUE(unit_->WaitUntil([&] { return unit_->HostBaud() == 38400; }, 2000));
    MessageRecorder messages;
    messages.Expect("ERR 030");
    QString query = QStringLiteral("C90200FD");
    Module1.RxCount = 0;
    ASSERT_EQ(link_.SendCommand(query), 0);
    unit_->WaitUntil([&] { return unit_->Idle(); }, 2000);
    FakeClock clock; // the garbled reply is on the line already; no need to wait real seconds
    EXPECT_EQ(link_.WaitReply(), 1);
    EXPECT_TRUE(unit_->CommandLines().empty()) << "the unit heard garbage, not a command";
}

TEST(RealPortOpen, MissingDeviceNamesThePathAndTheFix)
{
    const QString link = SimulatedUnit::LinkPath(7);
    QDir().mkpath(QFileInfo(link).path());
    QFile::remove(link);
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/corvane-no-such-adapter"), link));
    SerialMSComm port;
    port.SetCommPort(7);
    QString error;
    EXPECT_FALSE(port.Open(&error));
    EXPECT_TRUE(error.startsWith(QStringLiteral("/dev/corvane-no-such-adapter: No such device"))) << error.toStdString();
    EXPECT_TRUE(error.contains(QStringLiteral("ports/COM7"))) << error.toStdString();
    EXPECT_FALSE(port.PortOpen());
}

TEST(RealPortOpen, PortHeldByAnotherOpenerIsReportedBusy)
{
    SimulatedUnit unit(4);
    SerialMSComm first;
    SerialMSComm second;
    first.SetCommPort(4);
    second.SetCommPort(4);
    QString error;
    ASSERT_TRUE(first.Open(&error)) << error.toStdString();
    EXPECT_FALSE(second.Open(&error));
    EXPECT_TRUE(error.contains(QStringLiteral("busy"))) << error.toStdString();
}

TEST(RealPortOpen, WritingToAClosedPortIsRefusedWithADescription)
{
    SerialMSComm port;
    port.SetCommPort(2);
    QString error;
    EXPECT_FALSE(port.Output("x", &error));
    EXPECT_EQ(error.toStdString(), "COM2: the port is not open");
    EXPECT_EQ(port.OutBufferCount(), 0);
}

// A pseudo-terminal whose far end nobody reads until the test does: its driver takes only
// part of a long write, and the port layer has to keep the rest, in order.
TEST(RealPortOpen, BytesTheDriverCannotTakeAtOnceFollowInOrder)
{
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(master, 0);
    ASSERT_EQ(::grantpt(master), 0);
    ASSERT_EQ(::unlockpt(master), 0);
    const QString link = SimulatedUnit::LinkPath(6);
    QDir().mkpath(QFileInfo(link).path());
    QFile::remove(link);
    ASSERT_TRUE(QFile::link(QString::fromLocal8Bit(::ptsname(master)), link));

    SerialMSComm port;
    port.SetCommPort(6);
    QString error;
    ASSERT_TRUE(port.Open(&error)) << error.toStdString();
    QByteArray sent(256 * 1024, '\0');
    for (qsizetype n = 0; n < sent.size(); ++n)
        sent[n] = static_cast<char>((n * 7 + n / 251) & 0x7F);
    const qsizetype half = sent.size() / 2;
    ASSERT_TRUE(port.Output(sent.first(half), &error)) << error.toStdString();
    EXPECT_GT(port.OutBufferCount(), 0) << "the driver took everything; the test proves nothing";
    ASSERT_TRUE(port.Output(sent.sliced(half), &error)) << error.toStdString();

    QByteArray received;
    QElapsedTimer patience;
    patience.start();
    while (received.size() < sent.size() && patience.elapsed() < 30000) {
        char chunk[4096];
        const ssize_t n = ::read(master, chunk, sizeof chunk);
        if (n > 0)
            received.append(chunk, n);
        QCoreApplication::processEvents(); // lets the port layer hand over what it kept
    }
    port.Close();
    ::close(master);
    QFile::remove(link);
    EXPECT_EQ(received.size(), sent.size());
    EXPECT_TRUE(received == sent) << "bytes lost or out of order";
}

} // namespace
