// Transfer start from the main window, end to end: the memory check, the file test, the
// modal transfer run and the second memory check, through the real port layer against the
// simulated unit.
#include "main/frmMain.h"
#include "shared/Module1.h"
#include "support/FakeClock.h"
#include "support/FakeMSComm.h"
#include "support/MessageRecorder.h"
#include "support/SimulatedUnit.h"
#include "support/RampImage.h"

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

class TransferStart : public ::testing::Test {
protected:
    TransferStart()
    {
        ResetModule1();
        Module1.PortNo = 1;
        Module1.PageNo = 1;
        Module1.ClockMHz = 16;
        window_.Option2(0)->setChecked(true);
    }
    int queriesSeen()
    {
        const auto lines = unit_->CommandLines();
        return static_cast<int>(std::count_if(lines.begin(), lines.end(), [](const std::string& l) { return l.rfind("C902", 0) == 0; }));
    }
    void expectIdleWindow()
    {
        EXPECT_TRUE(window_.isEnabled());
        EXPECT_TRUE(window_.Tx_start()->isEnabled());
        EXPECT_TRUE(window_.Command2()->isEnabled());
        EXPECT_FALSE(window_.MSComm1->PortOpen());
    }

    QTemporaryDir dir_;
    SimulatedUnit unit_;
    frmMain window_;
};

TEST_F(TransferStart, CompleteRunWritesThePageAndReadsTheMemoryViewAgain)
{
    Module1.FilePath = WriteRampImageFile(dir_.filePath(QStringLiteral("PROG.MOT")), 1000, 3);
    MessageRecorder messages;

    window_.Tx_start_Click();

    EXPECT_EQ(Module1.TxFailed, 0);
    EXPECT_EQ(queriesSeen(), 8) << "one memory check before the run and one after";
    EXPECT_EQ(window_.Label3(2)->text(), "3048F");
    EXPECT_EQ(window_.Label5(2)->text(), "PROGMOT     ");
    EXPECT_EQ(window_.Label7(2)->text(), "1"); // 1024 bytes sent: whole 128-byte units
    const std::vector<uint8_t> page = unit_->PageData(1);
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(page[i], static_cast<uint8_t>(i * 7 + 3)) << "byte " << i;
    EXPECT_EQ(Module1.FileTitle.toStdString(), "PROGMOT    ");
    expectIdleWindow();
}

TEST_F(TransferStart, FileTitleIsThePartAfterTheLastBackslash)
{
    // A name with a backslash in it, as the unit's own tools write paths.
    Module1.FilePath = WriteRampImageFile(dir_.filePath(QStringLiteral("DATA\\AB.MOT")), 64, 1);
    MessageRecorder messages;
    window_.Tx_start_Click();
    EXPECT_EQ(window_.Label5(2)->text(), "ABMOT       ");
    expectIdleWindow();
}

TEST_F(TransferStart, EmptyFilePathIsRefusedAfterTheMemoryCheck)
{
    Module1.FilePath.clear();
    Module1.FileTitle = QStringLiteral("kept");
    MessageRecorder messages;
    messages.Expect("OPEN ERROR", QStringLiteral("ﾌｧｲﾙが開けません"));

    window_.Tx_start_Click();

    EXPECT_EQ(messages.shown().front().icon, MsgIcon::Exclamation);
    EXPECT_EQ(queriesSeen(), 4) << "the memory check ran first";
    EXPECT_EQ(unit_->LastTransfer().target, unitsim::Transfer::Target::None) << "no transfer window";
    EXPECT_EQ(Module1.FileTitle, "kept");
    expectIdleWindow();
}

TEST_F(TransferStart, DirectoryIsNoFileToSend)
{
    Module1.FilePath = dir_.path();
    MessageRecorder messages;
    messages.Expect("OPEN ERROR", QStringLiteral("ﾌｧｲﾙが開けません"));
    window_.Tx_start_Click();
    expectIdleWindow();
}

TEST_F(TransferStart, FailedRunSkipsTheSecondMemoryCheck)
{
    QFile bad(dir_.filePath(QStringLiteral("BAD.MOT")));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("S00600004844521B\r\nX1130000\r\n");
    bad.close();
    Module1.FilePath = bad.fileName();
    MessageRecorder messages;
    messages.Expect("ERR 002", QStringLiteral(" 2行にﾃﾞｰﾀ異常を検出しました"));

    window_.Tx_start_Click();

    EXPECT_EQ(Module1.TxFailed, 1);
    EXPECT_EQ(queriesSeen(), 4) << "no memory check after a failed run";
    expectIdleWindow();
}

TEST_F(TransferStart, CancelledRunIsFollowedByTheSecondMemoryCheck)
{
    Module1.FilePath = WriteRampImageFile(dir_.filePath(QStringLiteral("BIG.MOT")), 32 * 1024, 9);
    unitsim::Faults slow;
    slow.replyDelayMs = 2;
    unit_->SetFaults(slow);
    MessageRecorder messages;
    // Press the stop button as soon as the unit is taking blocks.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (unit_->LastTransfer().dataBlocks > 5)
            Module1.CancelRequest = 1;
    });
    poll.start(1);

    window_.Tx_start_Click();

    EXPECT_EQ(Module1.TxFailed, 0);
    EXPECT_EQ(unit_->LastTransfer().ending, unitsim::Transfer::Ending::Aborted);
    EXPECT_EQ(queriesSeen(), 8);
    expectIdleWindow();
}

TEST_F(TransferStart, SpeedChoiceIsCommittedByTheButtonAndTheRunUsesIt)
{
    Module1.FilePath = WriteRampImageFile(dir_.filePath(QStringLiteral("FAST.MOT")), 256, 5);
    window_.Option2(1)->setChecked(true); // clicked, not yet committed
    MessageRecorder messages;
    window_.Tx_start_Click();
    EXPECT_EQ(Module1.SpeedIndex, 1);
    const auto lines = unit_->CommandLines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "CC02807D"), lines.end()) << "the run asked for 38400";
    EXPECT_EQ(unit_->UnitBaud(), 9600) << "and brought the unit back to 9600";
    expectIdleWindow();
}

TEST(TransferStartNoUnit, TransferWindowStillOpensAfterTheCheckTimesOut)
{
    ResetModule1();
    Module1.PortNo = 1;
    Module1.PageNo = 0;
    Module1.ClockMHz = 16;
    QTemporaryDir dir;
    Module1.FilePath = WriteRampImageFile(dir.filePath(QStringLiteral("A.MOT")), 64, 1);
    // Nothing on the line answers: every port the windows create is a silent in-memory one.
    FakeClock clock;
    // What each port was given, kept here since the transfer window's port goes with it.
    std::vector<QByteArray> sent;
    SetMSCommFactory([&] {
        auto port = std::make_unique<FakeMSComm>(&clock);
        const size_t index = sent.size();
        sent.emplace_back();
        port->onUnscriptedOutput = [&sent, index](const QByteArray& bytes) { sent[index] += bytes; };
        return port;
    });
    frmMain window;
    window.Option2(0)->setChecked(true);
    MessageRecorder messages;
    // The check: speed exchange and page 1 time out. The run: its speed exchange times out,
    // then the page 1 header gets no reply, the abort block none, and the closing speed
    // exchange none either. TxFailed stays 0, so the second check times out as well.
    messages.Expect("ERR 201").Expect("ERR 201").Expect("ERR 030").Expect("ERR 040").Expect("ERR 030").Expect("ERR 030");
    messages.Expect("ERR 201").Expect("ERR 201");

    window.Tx_start_Click();
    SetMSCommFactory(nullptr);

    ASSERT_EQ(sent.size(), 2u) << "the main window's port and the transfer window's";
    EXPECT_TRUE(sent[1].contains("C012000000F42400")) << "the transfer window ran and sent its header";
    EXPECT_EQ(Module1.TxFailed, 0);
    EXPECT_TRUE(window.isEnabled());
}

} // namespace
