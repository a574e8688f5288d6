// The memory check's reading without a window: the decoded records, whether the port opened,
// whether the unit answered at all, and where a failing step ends the reading.
#include "main/PageReading.h"
#include "memorycheck/RecordReply.h"
#include "shared/Module1.h"
#include "support/FakeClock.h"
#include "support/FakeMSComm.h"
#include "support/MessageRecorder.h"

#include <gtest/gtest.h>

namespace {

class Reading : public ::testing::Test {
protected:
    Reading()
    {
        ResetModule1();
        Module1.PortNo = 3;
    }
    void scriptSpeedExchange() { port_.Expect("CC0200FD\r\n", "OK\r\n").AfterSettings("GO\r\n"); }
    void expectQuery(int page, const QByteArray& reply)
    {
        static const char* queries[] = {"C90200FD\r\n", "C90201FC\r\n", "C90202FB\r\n", "C90203FA\r\n"};
        port_.Expect(queries[page - 1], reply);
    }
    PageReading read()
    {
        return ReadPageRecords(port_, link_, [this](int page, const PageInfo&) { heard_.push_back(page); });
    }

    FakeClock clock_;
    MessageRecorder messages_;
    FakeMSComm port_{&clock_};
    Link link_{port_, kMainWindowLink};
    std::vector<int> heard_;
};

TEST_F(Reading, AnsweringUnitGivesEveryDecodedRecord)
{
    scriptSpeedExchange();
    expectQuery(1, RecordReply(1, 29, 24'576'000, "BIG.MOT", 133'120));
    expectQuery(2, RecordReply(0, 0, 0, QByteArray(12, '\0'), 0));
    expectQuery(3, RecordReply(1, 0, 16'000'000, QByteArray("\x83\x65\x83\x58\x83\x67.MOT"), 1));
    expectQuery(4, RecordReply(2, 29, 1, "X", 1));

    const PageReading reading = read();

    EXPECT_TRUE(port_.ScriptDone());
    EXPECT_TRUE(reading.opened);
    EXPECT_TRUE(reading.answered);
    ASSERT_TRUE(reading.pages[0] && reading.pages[1] && reading.pages[2] && reading.pages[3]);
    const PageInfo& first = *reading.pages[0];
    EXPECT_EQ(first.status, 1);
    EXPECT_EQ(first.cpu, 29);
    EXPECT_EQ(first.clockHz, 24'576'000u);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(first.name.data()), 12), QByteArray("BIG.MOT     "));
    EXPECT_EQ(first.sizeBytes, 133'120u);
    EXPECT_EQ(reading.pages[1]->status, 0);
    // A name in the unit's code page comes as its bytes.
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(reading.pages[2]->name.data()), 6),
              QByteArray("\x83\x65\x83\x58\x83\x67"));
    // Only a record of status 1 carries its fields.
    EXPECT_EQ(reading.pages[3]->status, 2);
    EXPECT_EQ(reading.pages[3]->sizeBytes, 0u);
    EXPECT_EQ(heard_, (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(reading.stoppedRow, nullptr);
    EXPECT_EQ(port_.CommPort(), 3);
    EXPECT_FALSE(port_.PortOpen());
}

TEST_F(Reading, SilentUnitHasNotAnswered)
{
    port_.Expect("CC0200FD\r\n", "").Expect("C90200FD\r\n", "");
    messages_.Expect("ERR 201").Expect("ERR 201");
    const PageReading reading = read();
    EXPECT_TRUE(reading.opened);
    EXPECT_FALSE(reading.answered);
    // The query's time-out ended it, not the speed exchange's before it.
    EXPECT_EQ(reading.stoppedRow, &Messages::kErr201);
    for (const auto& page : reading.pages)
        EXPECT_FALSE(page.has_value());
    EXPECT_TRUE(heard_.empty());
    EXPECT_FALSE(port_.PortOpen());
}

TEST_F(Reading, UnitThatAnswersOnlyTheSpeedExchangeHasAnswered)
{
    scriptSpeedExchange();
    expectQuery(1, "");
    messages_.Expect("ERR 201");
    const PageReading reading = read();
    EXPECT_TRUE(reading.answered);
    EXPECT_FALSE(reading.pages[0].has_value());
}

TEST_F(Reading, ChecksumMismatchEndsTheReadingAtThatPage)
{
    QByteArray bad = RecordReply(1, 0, 16'000'000, "C.MOT", 1);
    bad[44] = bad[44] == '0' ? '1' : '0';
    scriptSpeedExchange();
    expectQuery(1, RecordReply(1, 0, 16'000'000, "A.MOT", 1));
    expectQuery(2, RecordReply(1, 0, 16'000'000, "B.MOT", 2048));
    expectQuery(3, bad);
    messages_.Expect("ERR 200", QStringLiteral("通信異常が発生しました"));

    const PageReading reading = read();

    EXPECT_TRUE(reading.answered);
    EXPECT_TRUE(reading.pages[0].has_value());
    EXPECT_EQ(reading.pages[1]->sizeBytes, 2048u);
    EXPECT_EQ(reading.stoppedRow, &Messages::kErr200);
    EXPECT_FALSE(reading.pages[2].has_value());
    EXPECT_FALSE(reading.pages[3].has_value());
    EXPECT_EQ(heard_, (std::vector<int>{1, 2}));
    EXPECT_FALSE(port_.PortOpen());
}

TEST_F(Reading, PortThatCannotOpenSendsNothing)
{
    port_.failOpen = true;
    port_.openError = QStringLiteral("/dev/ttyUSB0: Permission denied.");
    messages_.Expect("OPEN ERROR", QStringLiteral("/dev/ttyUSB0: Permission denied."));
    const PageReading reading = read();
    EXPECT_EQ(messages_.shown().front().icon, MsgIcon::Exclamation);
    EXPECT_FALSE(reading.opened);
    EXPECT_FALSE(reading.answered);
    EXPECT_EQ(reading.stoppedRow, &Messages::kOpenPort);
    EXPECT_TRUE(port_.writes.isEmpty());
    EXPECT_FALSE(port_.PortOpen());
}

// The reading stops listening to the port when it ends: bytes that come later must not reach
// the record it returned (the sanitizer build catches a write into the finished call).
TEST_F(Reading, LateBytesAfterTheReadingTouchNothing)
{
    port_.Expect("CC0200FD\r\n", "").Expect("C90200FD\r\n", "");
    messages_.Expect("ERR 201").Expect("ERR 201");
    const PageReading reading = read();
    QString error;
    ASSERT_TRUE(port_.Open(&error));
    port_.Deliver("OK\r\n");
    EXPECT_FALSE(reading.answered);
}

} // namespace
