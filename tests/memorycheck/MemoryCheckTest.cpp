#include "RecordReply.h"
#include "main/frmMain.h"
#include "shared/Module1.h"
#include "support/FakeClock.h"
#include "support/FakeMSComm.h"
#include "support/MessageRecorder.h"

#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

namespace {

const QByteArray kEmptyPage = RecordReply(0, 0, 0, QByteArray(12, '\0'), 0);

// A main window whose port is an in-memory one answering from a script.
class MemoryCheck : public ::testing::Test {
protected:
    MemoryCheck()
    {
        ResetModule1();
        Module1.PortNo = 1;
        SetMSCommFactory([this] {
            auto port = std::make_unique<FakeMSComm>(&clock_);
            port_ = port.get();
            return port;
        });
        window_ = std::make_unique<frmMain>();
        SetMSCommFactory(nullptr);
        for (int row = 1; row <= 4; ++row)
            setRow(row, QStringLiteral("old"));
    }

    void setRow(int row, const QString& text)
    {
        for (QLabel* label : {window_->Label3(row), window_->Label4(row), window_->Label5(row), window_->Label7(row)})
            label->setText(text);
    }
    QStringList row(int page) const
    {
        return {window_->Label3(page)->text(), window_->Label4(page)->text(), window_->Label5(page)->text(),
                window_->Label7(page)->text()};
    }
    void scriptSpeedExchange() { port_->Expect("CC0200FD\r\n", "OK\r\n").AfterSettings("GO\r\n"); }
    void expectQuery(int page, const QByteArray& reply)
    {
        static const char* queries[] = {"C90200FD\r\n", "C90201FC\r\n", "C90202FB\r\n", "C90203FA\r\n"};
        port_->Expect(queries[page - 1], reply);
    }
    void expectClosedAndEnabled() const
    {
        EXPECT_FALSE(port_->PortOpen());
        EXPECT_TRUE(window_->Tx_start()->isEnabled());
        EXPECT_TRUE(window_->Command2()->isEnabled());
    }

    FakeClock clock_;
    FakeMSComm* port_ = nullptr;
    std::unique_ptr<frmMain> window_;
};

TEST_F(MemoryCheck, FillsEveryRowAndShowsDashesForEmptyPages)
{
    scriptSpeedExchange();
    expectQuery(1, RecordReply(1, 0, 16'000'000, "DEMO.MOT", 24'576));
    expectQuery(2, kEmptyPage);
    expectQuery(3, RecordReply(1, 29, 24'576'000, "BIG.MOT", 133'120));
    expectQuery(4, RecordReply(2, 29, 1, "X", 1)); // any status other than 1 is empty
    MessageRecorder messages;

    window_->Command2_Click();

    EXPECT_TRUE(port_->ScriptDone());
    EXPECT_EQ(row(1), (QStringList{"3048F", "16.0000", "DEMO.MOT    ", "24"}));
    EXPECT_EQ(row(2), (QStringList{"------", "-------", "-----------", "----"}));
    EXPECT_EQ(row(3), (QStringList{"SH7045", "24.5760", "BIG.MOT     ", "130"}));
    EXPECT_EQ(row(4), (QStringList{"------", "-------", "-----------", "----"}));
    EXPECT_EQ(port_->CommPort(), 1);
    expectClosedAndEnabled();
}

TEST_F(MemoryCheck, ChecksumMismatchOnPage3KeepsLaterRowsAndDiscardsInput)
{
    QByteArray bad = RecordReply(1, 0, 16'000'000, "C.MOT", 1);
    bad[44] = bad[44] == '0' ? '1' : '0';
    scriptSpeedExchange();
    expectQuery(1, RecordReply(1, 0, 16'000'000, "A.MOT", 1));
    expectQuery(2, RecordReply(1, 0, 16'000'000, "B.MOT", 2048));
    expectQuery(3, bad);
    MessageRecorder messages;
    messages.Expect("ERR 200", QStringLiteral("通信異常が発生しました"));
    const int clearsBefore = port_->clearInCount;

    window_->Command2_Click();

    EXPECT_EQ(row(1)[2], "A.MOT       ");
    EXPECT_EQ(row(2)[3], "2");
    EXPECT_EQ(row(3), (QStringList{"old", "old", "old", "old"}));
    EXPECT_EQ(row(4), (QStringList{"old", "old", "old", "old"}));
    EXPECT_GT(port_->clearInCount, clearsBefore);
    EXPECT_EQ(messages.shown().back().icon, MsgIcon::None);
    expectClosedAndEnabled();
}

TEST_F(MemoryCheck, ReplyWithACharacterBelowZeroCountsAsAMismatch)
{
    QByteArray reply = RecordReply(1, 0, 16'000'000, "A.MOT", 1);
    reply[10] = ' ';
    scriptSpeedExchange();
    expectQuery(1, reply);
    MessageRecorder messages;
    messages.Expect("ERR 200");
    window_->Command2_Click();
    EXPECT_EQ(row(1), (QStringList{"old", "old", "old", "old"}));
    expectClosedAndEnabled();
}

TEST_F(MemoryCheck, FailedOpenShowsThePortLayersTextAndSendsNothing)
{
    port_->failOpen = true;
    port_->openError = QStringLiteral("/dev/ttyUSB0: Permission denied.");
    MessageRecorder messages;
    messages.Expect("OPEN ERROR", QStringLiteral("/dev/ttyUSB0: Permission denied."));
    window_->Command2_Click();
    EXPECT_EQ(messages.shown().front().icon, MsgIcon::Exclamation);
    EXPECT_TRUE(port_->writes.isEmpty());
    EXPECT_EQ(row(1), (QStringList{"old", "old", "old", "old"}));
    expectClosedAndEnabled();
}

TEST_F(MemoryCheck, SilentUnitTimesOutTwiceAndChangesNothing)
{
    port_->Expect("CC0200FD\r\n", "").Expect("C90200FD\r\n", "");
    MessageRecorder messages;
    messages.Expect("ERR 201", QStringLiteral("受信ﾀｲﾑｵｰﾊﾞｰが発生しました")).Expect("ERR 201");
    window_->Command2_Click();
    for (int page = 1; page <= 4; ++page)
        EXPECT_EQ(row(page), (QStringList{"old", "old", "old", "old"}));
    expectClosedAndEnabled();
}

TEST_F(MemoryCheck, LineErrorWithAPageReplyIsAReceiveError)
{
    scriptSpeedExchange();
    expectQuery(1, "");
    clock_.After(300, [&] {
        port_->RaiseEvent(MSComm::kEventRxParity);
        port_->Deliver(RecordReply(1, 0, 16'000'000, "A.MOT", 1));
    });
    MessageRecorder messages;
    messages.Expect("ERR 202", QStringLiteral("受信ｴﾗｰが発生しました"));
    window_->Command2_Click();
    EXPECT_EQ(row(1), (QStringList{"old", "old", "old", "old"}));
    expectClosedAndEnabled();
}

TEST_F(MemoryCheck, StalledTransmitterIsASendTimeOut)
{
    port_->stalledOutBytes = 10; // an adapter whose transmitter never drains
    MessageRecorder messages;
    // The speed command times out (the check goes on regardless), then page 1's query does.
    messages.Expect("ERR 220", QStringLiteral("送信ﾀｲﾑｵｰﾊﾞｰが発生しました")).Expect("ERR 220");
    window_->Command2_Click();
    EXPECT_EQ(port_->writes.size(), 2);
    EXPECT_EQ(row(1), (QStringList{"old", "old", "old", "old"}));
    expectClosedAndEnabled();
}

TEST_F(MemoryCheck, ButtonsAreDisabledWhileTheCheckWaits)
{
    scriptSpeedExchange();
    bool disabledDuringWait = false;
    clock_.After(50, [&] {
        disabledDuringWait = !window_->Tx_start()->isEnabled() && !window_->Command2()->isEnabled();
    });
    expectQuery(1, "");
    MessageRecorder messages;
    messages.Expect("ERR 201");
    window_->Command2_Click();
    EXPECT_TRUE(disabledDuringWait);
    expectClosedAndEnabled();
}

} // namespace
