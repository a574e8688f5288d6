#include "link/Link.h"
#include "shared/MessageBox.h"
#include "shared/Module1.h"
#include "support/FakeClock.h"
#include "support/FakeMSComm.h"
#include "support/MessageRecorder.h"

#include <gtest/gtest.h>

namespace {

const QString kReplyTimeout = QStringLiteral("受信ﾀｲﾑｵｰﾊﾞｰが発生しました");
const QString kReceiveError = QStringLiteral("受信ｴﾗｰが発生しました");
const QString kSendTimeout = QStringLiteral("送信ﾀｲﾑｵｰﾊﾞｰが発生しました");

class Primitives : public ::testing::Test {
protected:
    explicit Primitives(int64_t startMs = 10'100) : clock_(startMs), port_(&clock_)
    {
        ResetModule1();
        QString error;
        port_.Open(&error);
    }
    FakeClock clock_;
    FakeMSComm port_;
    Link transfer_{port_, kTransferWindowLink};
};

// --- the whole-second time-out rule ---

struct TimingCase {
    const char* name;
    int64_t startMs;   // where in its second the wait begins
    int64_t replyAfter; // when the reply completes, from the start of the wait
    bool longWait;
    bool accepted;
};

class WholeSecondRule : public ::testing::TestWithParam<TimingCase> {};

TEST_P(WholeSecondRule, AcceptsOrTimesOutByWholeSeconds)
{
    const TimingCase& c = GetParam();
    ResetModule1();
    FakeClock clock(c.startMs);
    FakeMSComm port(&clock);
    QString error;
    port.Open(&error);
    Link link(port, kTransferWindowLink);
    MessageRecorder messages;
    if (!c.accepted)
        messages.Expect(c.longWait ? "ERR 040" : "ERR 030", kReplyTimeout);
    clock.After(c.replyAfter, [&] { port.Deliver("OK\r\n"); });

    const int16_t result = c.longWait ? link.WaitReplyLong() : link.WaitReply();

    EXPECT_EQ(result, c.accepted ? 0 : 1);
    EXPECT_EQ(Module1.CommStatus, 0);
    const int64_t limit = c.longWait ? 55'000 : 3'000;
    if (!c.accepted) {
        EXPECT_GT(clock.NowMs() - c.startMs, limit - 1000);
        EXPECT_LE(clock.NowMs() - c.startMs, limit);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WholeSecondRule,
    ::testing::Values(TimingCase{"At1_9sAccepted", 10'999, 1'900, false, true},
                      TimingCase{"At1_9sAcceptedEarlyInSecond", 10'000, 1'900, false, true},
                      TimingCase{"At3_1sNever", 10'000, 3'100, false, false},
                      TimingCase{"At2_5sAcceptedEarlyInSecond", 10'100, 2'500, false, true},
                      TimingCase{"At2_5sTimedOutLateInSecond", 10'900, 2'500, false, false},
                      TimingCase{"Long53_9sAccepted", 10'999, 53'900, true, true},
                      TimingCase{"Long55_1sNever", 10'000, 55'100, true, false}),
    [](const auto& info) { return info.param.name; });

// --- replies, line errors and the state they leave ---

TEST_F(Primitives, ReplyWithFramingErrorIsAReceiveErrorNotSuccess)
{
    MessageRecorder messages;
    messages.Expect("ERR 031", kReceiveError);
    clock_.After(50, [&] {
        port_.RaiseEvent(MSComm::kEventFrame);
        port_.Deliver("OK\r\n");
    });
    EXPECT_EQ(transfer_.WaitReply(), 1);
    EXPECT_EQ(Module1.CommStatus, 0);
    EXPECT_EQ(port_.clearInCount, 1);
}

TEST_F(Primitives, TimeOutDiscardsInputOnlyAfterTheBoxIsClosed)
{
    int clearsWhenShown = -1;
    SetMessagePresenter([&](const QString&, const QString& title, MsgButtons, MsgIcon, const MessageRow*) {
        EXPECT_EQ(title.toStdString(), "ERR 030");
        clearsWhenShown = port_.clearInCount;
        return MsgResult::Ok;
    });
    EXPECT_EQ(transfer_.WaitReply(), 1);
    SetMessagePresenter(nullptr);
    EXPECT_EQ(clearsWhenShown, 0);
    EXPECT_EQ(port_.clearInCount, 1);
}

TEST_F(Primitives, ReplyStaysInTheReceiveAreaForTheCaller)
{
    clock_.After(20, [&] { port_.Deliver("GO\r\n"); });
    EXPECT_EQ(transfer_.WaitReply(), 0);
    EXPECT_EQ(Module1.RxBytes[0], 'G');
    EXPECT_EQ(Module1.RxBytes[1], 'O');
    EXPECT_EQ(Module1.CommStatus, 0);
}

TEST_F(Primitives, WaitBlocksBetweenChecksInsteadOfSpinning)
{
    MessageRecorder messages;
    messages.Expect("ERR 030");
    transfer_.WaitReply();
    // Every pass but the first waits for an event or the next second; at the fake clock's
    // 10-ms step a 3-second time-out is at most a few hundred passes of real waiting.
    EXPECT_GE(clock_.WaitedMs(), 2'000);
}

// A reply can be complete before its wait begins: the unit answers a block while the drain
// wait's events run. The wait then takes it on its first check, without sleeping for an event
// that has already come; on the real clock such a sleep would last to the next second.
struct HeardEarlyCase {
    const char* name;
    int lineEvent; // raised with the reply, 0 for none
    int16_t result;
    const char* code; // the box the wait shows, nullptr for none
};

class HeardBeforeTheWait : public Primitives, public ::testing::WithParamInterface<HeardEarlyCase> {};

TEST_P(HeardBeforeTheWait, IsTakenWithoutWaiting)
{
    const HeardEarlyCase& c = GetParam();
    MessageRecorder messages;
    if (c.code != nullptr)
        messages.Expect(c.code, kReceiveError);
    Module1.BinaryRx = 1;
    if (c.lineEvent != 0)
        port_.RaiseEvent(c.lineEvent);
    port_.Deliver("O");

    EXPECT_EQ(transfer_.WaitReply(), c.result);
    EXPECT_EQ(clock_.WaitedMs(), 0);
    EXPECT_EQ(Module1.CommStatus, 0);
    EXPECT_EQ(Module1.RxBytes[0], 'O');
}

INSTANTIATE_TEST_SUITE_P(Cases, HeardBeforeTheWait,
                         ::testing::Values(HeardEarlyCase{"Verdict", 0, 0, nullptr},
                                           HeardEarlyCase{"VerdictWithOverrun", MSComm::kEventOverrun, 1, "ERR 031"}),
                         [](const auto& info) { return info.param.name; });

// --- sending ---

TEST_F(Primitives, SendCommandRemovesLineFeedsInPlaceAndAddsCrLf)
{
    QString text = QStringLiteral("AB\nCD\n");
    EXPECT_EQ(transfer_.SendCommand(text), 0);
    EXPECT_EQ(text.toStdString(), "ABCD");
    EXPECT_EQ(port_.written(), QByteArray("ABCD\r\n"));
}

TEST_F(Primitives, CarriageReturnsInTheTextAreLeftAlone)
{
    QString text = QStringLiteral("A\rB");
    transfer_.SendCommand(text);
    EXPECT_EQ(port_.written(), QByteArray("A\rB\r\n"));
}

TEST_F(Primitives, WriteToAClosedPortShowsThePortLayersTextOnceWithoutATimeOut)
{
    port_.Close();
    MessageRecorder messages;
    messages.Expect("Corvane-Host", "COM1: the port is not open");
    QString text = QStringLiteral("CC0200FD");
    EXPECT_EQ(transfer_.SendCommand(text), 1);
    // The same refusal again fails as well, without a second box.
    EXPECT_EQ(transfer_.SendData(QByteArray(33, '\0')), 1);
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown().front().icon, MsgIcon::Exclamation);
    EXPECT_EQ(clock_.WaitedMs(), 0);
}

TEST_F(Primitives, RefusalIsShownAgainOnceAWriteHasSucceededInBetween)
{
    MessageRecorder messages;
    messages.Expect("Corvane-Host").Expect("Corvane-Host");
    port_.refuseWrites = true;
    EXPECT_EQ(transfer_.SendData(QByteArray(33, 'a')), 1);
    port_.refuseWrites = false;
    EXPECT_EQ(transfer_.SendData(QByteArray(33, 'b')), 0);
    port_.refuseWrites = true;
    EXPECT_EQ(transfer_.SendData(QByteArray(33, 'c')), 1);
}

struct SendTimeoutCase {
    const char* name;
    const LinkProfile* profile;
    bool data;
    const char* code;
};

class SendTimeouts : public ::testing::TestWithParam<SendTimeoutCase> {};

TEST_P(SendTimeouts, StalledTransmitterTimesOutWithTheWindowsCodeAndDiscardsOutput)
{
    ResetModule1();
    FakeClock clock(20'500);
    FakeMSComm port(&clock);
    QString error;
    port.Open(&error);
    port.stalledOutBytes = 12;
    Link link(port, *GetParam().profile);
    MessageRecorder messages;
    messages.Expect(GetParam().code, kSendTimeout);
    QString text = QStringLiteral("C90200FD");
    const int16_t result = GetParam().data ? link.SendData(QByteArray(33, 'x')) : link.SendCommand(text);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(port.clearOutCount, 1);
    EXPECT_GT(clock.NowMs() - 20'500, 2'000);
    EXPECT_LE(clock.NowMs() - 20'500, 3'000);
}

INSTANTIATE_TEST_SUITE_P(Windows, SendTimeouts,
                         ::testing::Values(SendTimeoutCase{"TransferCommand", &kTransferWindowLink, false, "ERR 020"},
                                           SendTimeoutCase{"TransferData", &kTransferWindowLink, true, "ERR 021"},
                                           SendTimeoutCase{"MainCommand", &kMainWindowLink, false, "ERR 220"}),
                         [](const auto& info) { return info.param.name; });

TEST_F(Primitives, TransferWindowClearsAnOldLineErrorBeforeWritingButTheMainWindowKeepsIt)
{
    Link mainLink(port_, kMainWindowLink);
    {
        Module1.CommStatus = CommStatusBits::kOverrun;
        port_.Expect("C902", "reply\r\n");
        QString text = QStringLiteral("C90200FD");
        transfer_.SendCommand(text);
        EXPECT_EQ(transfer_.WaitReply(), 0);
    }
    {
        MessageRecorder messages;
        messages.Expect("ERR 202", kReceiveError);
        Module1.CommStatus = CommStatusBits::kOverrun;
        port_.Expect("C902", "reply\r\n");
        QString text = QStringLiteral("C90200FD");
        mainLink.SendCommand(text);
        EXPECT_EQ(mainLink.WaitReply(), 1);
    }
}

TEST_F(Primitives, SendDataSendsTheBytesUnchanged)
{
    QByteArray block(33, '\0');
    for (int i = 0; i < 33; ++i)
        block[i] = static_cast<char>(i * 7 + 10); // includes LF and CR values
    EXPECT_EQ(transfer_.SendData(block), 0);
    EXPECT_EQ(port_.written(), block);
}

// --- the pause ---

TEST_F(Primitives, PauseLastsTwoHundredMillisecondsAcrossCounterWrapAndRunsNoEvents)
{
    clock_.SetMillisecondBase(0xFFFFFFFFu - 50);
    bool eventRan = false;
    clock_.After(10, [&] { eventRan = true; });
    const int64_t before = clock_.NowMs();
    transfer_.Pause();
    EXPECT_GE(clock_.NowMs() - before, 200);
    EXPECT_LT(clock_.NowMs() - before, 400);
    EXPECT_FALSE(eventRan);
}

} // namespace
