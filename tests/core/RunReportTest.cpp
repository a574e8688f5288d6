// The transfer run without a window: what it reports for every way it ends, what it shows
// through its front, and that the report holds the stopping message, not the ones after it.
#include "shared/Module1.h"
#include "shared/Version.h"
#include "support/FakeClock.h"
#include "support/FakeMSComm.h"
#include "support/MessageRecorder.h"
#include "transfer/FakeBlockUnit.h"
#include "transfer/FakeMemoryView.h"
#include "transfer/SRecordImage.h"
#include "transfer/TransferRun.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

namespace {

const QString kUpperTitle = QStringLiteral("ページを跨ぐデータ");

// What the run showed through its front.
class RecordingFront final : public RunFront {
public:
    void ShowSpeed(bool highSpeed) override { speeds.push_back(highSpeed); }
    void StartProgress(int32_t maximum) override { maxima.push_back(maximum); }
    void ShowProgress(int32_t position, int percent) override { progress.push_back({position, percent}); }

    std::vector<bool> speeds;
    std::vector<int32_t> maxima;
    std::vector<std::pair<int32_t, int>> progress;
};

// A run on an in-memory port and a fake clock, with the fake unit answering the blocks. The
// shared state as transfer start leaves it: Com1, CPU 5, 20 MHz, page 1, 9.6 kbps, one
// 32-byte block of data.
class CoreRun : public ::testing::Test {
public:
    CoreRun()
    {
        ResetModule1();
        Module1.PortNo = 1;
        Module1.CpuIndex = 5;
        Module1.ClockMHz = 20;
        file_ = dir_.path() + QStringLiteral("/ABC.MOT");
        Module1.FilePath = file_;
        Module1.FileTitle = QStringLiteral("ABC.MOT");
        UseDataEnd(31);
        unit_.Attach(port_);
    }

    void UseDataEnd(uint32_t dataEnd)
    {
        std::vector<ImageChunk> chunks{PatternChunk(0, std::min<uint32_t>(dataEnd + 1, 32))};
        if (dataEnd >= 32)
            chunks.push_back(PatternChunk(dataEnd, 1, 1));
        ASSERT_TRUE(WriteSRecordFile(file_, chunks));
    }
    void UseFileText(const QByteArray& text)
    {
        QFile file(file_);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
    }
    void ExpectSpeed(int baud)
    {
        port_.Expect(baud == 9600 ? "CC0200FD\r\n" : "CC02807D\r\n", "OK\r\n").AfterSettings("GO\r\n");
    }
    void ExpectErase(int unitPage, const QByteArray& reply = "OK\r\n")
    {
        port_.Expect(QStringLiteral("C303%1").arg(unitPage, 2, 10, QLatin1Char('0')).toLatin1(), reply);
    }
    void ExpectHeader(const QByteArray& reply = "OK\r\n") { port_.Expect("C012", reply); }
    void AnswerDirectHeader(const QByteArray& first, const QByteArray& second)
    {
        Module1.PageNo = kPageThru;
        unit_.onLine = [this, first, second](const QByteArray& line) {
            ASSERT_TRUE(line.startsWith("CF0740")) << line.toStdString();
            if (!first.isEmpty())
                clock_.After(5, [this, first] { port_.Deliver(first); });
            if (!second.isEmpty())
                clock_.After(200, [this, second] { port_.Deliver(second); });
        };
    }
    // Every further write stalls in the transmitter: the next send primitive times out.
    void StallFromNextWrite() { port_.stalledOutBytes = 33; }

    RunReport Run()
    {
        ExpectSpeed(9600); // the ending
        return run_.Run();
    }

    FakeClock clock_{10'100};
    MessageRecorder messages_;
    QTemporaryDir dir_;
    QString file_;
    FakeMSComm port_{&clock_};
    Link link_{port_, kTransferWindowLink};
    FakeMemoryView view_;
    RecordingFront front_;
    FakeBlockUnit unit_{clock_};
    TransferRun run_{port_, link_, view_, front_};
};

using Result = RunReport::Result;

struct EndCase {
    const char* name;
    std::function<void(CoreRun&)> arrange;
    QStringList titles; // every box, the ones after the stop included
    Result result;
    const char* stoppedBy;
    bool questionRefused;
    QList<int> erased;
    int32_t blocks;
    int txFailed;
    // What the unit is told first; the 9600 bit/s exchange unless a case says otherwise.
    std::function<void(CoreRun&)> opening = nullptr;
};

void PrintTo(const EndCase& c, std::ostream* os)
{
    *os << c.name;
}

class RunReports : public CoreRun, public ::testing::WithParamInterface<EndCase> {};

TEST_P(RunReports, RecordTheEndingAndTheFirstStoppingMessage)
{
    const EndCase& c = GetParam();
    for (const QString& title : c.titles)
        messages_.Allow(title);
    if (c.opening)
        c.opening(*this);
    else
        ExpectSpeed(9600);
    c.arrange(*this);
    const RunReport report = Run();

    EXPECT_EQ(messages_.titles(), c.titles);
    EXPECT_EQ(report.result, c.result);
    EXPECT_EQ(report.stoppedRow == nullptr, c.stoppedBy == nullptr);
    if (report.stoppedRow != nullptr && c.stoppedBy != nullptr) {
        // The stopping message's row, and the command line ends non-zero on it.
        EXPECT_STREQ(report.stoppedRow->code, c.stoppedBy);
        EXPECT_NE(report.stoppedRow->exitStatus, 0);
    }
    EXPECT_EQ(report.questionRefused, c.questionRefused);
    EXPECT_EQ(report.erasedPages, c.erased);
    EXPECT_EQ(report.blocksAccepted, c.blocks);
    EXPECT_EQ(Module1.TxFailed, c.txFailed);
    EXPECT_EQ(report.txFailed, c.txFailed != 0);
    // Every run ends the same way.
    EXPECT_FALSE(port_.PortOpen());
    EXPECT_EQ(Module1.BinaryRx, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Endings, RunReports,
    ::testing::Values(
        EndCase{"Done", [](CoreRun& t) { t.ExpectHeader(); }, {}, Result::Done, nullptr, false, {}, 4, 0},
        EndCase{"DoneAfterErasing",
                [](CoreRun& t) {
                    t.UseDataEnd(0x60000);
                    t.view_.Occupy(3, 1);
                    t.messages_.Expect(kUpperTitle, QStringLiteral("全ページ消去します"));
                    t.ExpectErase(1);
                    t.ExpectErase(2);
                    t.ExpectErase(3);
                    t.ExpectHeader();
                },
                {kUpperTitle}, Result::Done, nullptr, false, {2, 3, 4}, 0x60080 / 32, 0},
        EndCase{"DoneThru", [](CoreRun& t) { t.AnswerDirectHeader("OK\r\n", "GO\r\n"); }, {}, Result::Done, nullptr,
                false, {}, 4, 0},
        // The ending's speed command then fails on the closed port with the port layer's text.
        EndCase{"PortCannotBeOpened", [](CoreRun& t) { t.port_.failOpen = true; }, {"OPEN ERROR", kAppTitle},
                Result::Stopped, "OPEN ERROR", false, {}, 0, 1},
        EndCase{"FileCannotBeOpened", [](CoreRun&) { Module1.FilePath = QStringLiteral("/nonexistent/X.MOT"); },
                {"OPEN ERROR"}, Result::Stopped, "OPEN ERROR", false, {}, 0, 1},
        EndCase{"ChecksumError",
                [](CoreRun& t) {
                    QByteArray line = SRecordLine('1', 0, {0x11});
                    line[line.size() - 3] = line[line.size() - 3] == '0' ? '1' : '0';
                    t.UseFileText(line);
                },
                {"ERR 001"}, Result::Stopped, "ERR 001", false, {}, 0, 1},
        EndCase{"PageRuleRefusal",
                [](CoreRun& t) {
                    Module1.PageNo = 3;
                    t.UseDataEnd(0x20000);
                },
                {"ERR 402"}, Result::Stopped, "ERR 402", false, {}, 0, 0},
        EndCase{"LowerEraseThenRefusal",
                [](CoreRun& t) {
                    Module1.PageNo = 3;
                    t.UseDataEnd(0x20000);
                    t.view_.Occupy(3, 200);
                    t.messages_.Expect(QStringLiteral("ページを跨いだデータの書換え"));
                    t.ExpectErase(2);
                },
                {QStringLiteral("ページを跨いだデータの書換え"), "ERR 402"}, Result::Stopped, "ERR 402", false, {3}, 0,
                0},
        EndCase{"QuestionRefused",
                [](CoreRun& t) {
                    t.UseDataEnd(0x20000);
                    t.view_.Occupy(2, 1);
                    t.messages_.Expect(kUpperTitle, QString(), MsgResult::Cancel);
                },
                {kUpperTitle}, Result::Stopped, nullptr, true, {}, 0, 0},
        EndCase{"EraseRefused",
                [](CoreRun& t) {
                    t.UseDataEnd(0x40000);
                    t.ExpectErase(1);
                    t.ExpectErase(2, "FL\r\n");
                },
                {"ERR 110"}, Result::Stopped, "ERR 110", false, {2}, 0, 0},
        EndCase{"EraseUnanswered",
                [](CoreRun& t) {
                    t.UseDataEnd(0x20000);
                    t.ExpectErase(1, "");
                },
                {"ERR 040"}, Result::Stopped, "ERR 040", false, {}, 0, 1},
        // The ending's speed command times out as well; the erase's time-out stopped the run.
        EndCase{"EraseNotSent",
                [](CoreRun& t) {
                    t.UseDataEnd(0x20000);
                    t.unit_.onLine = [&t](const QByteArray&) { t.StallFromNextWrite(); };
                },
                {"ERR 020", "ERR 020"}, Result::Stopped, "ERR 020", false, {}, 0, 1},
        // The abort block's own time-out comes after the stop and does not count.
        EndCase{"HeaderUnanswered", [](CoreRun& t) { t.ExpectHeader(""); }, {"ERR 040", "ERR 030"}, Result::Stopped,
                "ERR 040", false, {}, 0, 0},
        EndCase{"HeaderMemoryFault", [](CoreRun& t) { t.ExpectHeader("FL\r\n"); }, {"ERR 100"}, Result::Stopped,
                "ERR 100", false, {}, 0, 0},
        EndCase{"HeaderNeitherOkNorFl", [](CoreRun& t) { t.ExpectHeader("NG\r\n"); }, {"ERR 010"},
                Result::Stopped, "ERR 010", false, {}, 0, 0},
        EndCase{"DirectHeaderMemoryFault", [](CoreRun& t) { t.AnswerDirectHeader("FL\r\n", ""); }, {"ERR 101"},
                Result::Stopped, "ERR 101", false, {}, 0, 0},
        EndCase{"DirectHeaderNeitherOkNorFl", [](CoreRun& t) { t.AnswerDirectHeader("NG\r\n", ""); }, {"ERR 011"},
                Result::Stopped, "ERR 011", false, {}, 0, 0},
        EndCase{"DirectHeaderWithoutGo", [](CoreRun& t) { t.AnswerDirectHeader("OK\r\n", "NG\r\n"); }, {"ERR 012"},
                Result::Stopped, "ERR 012", false, {}, 0, 0},
        EndCase{"BlockNotSent",
                [](CoreRun& t) {
                    t.ExpectHeader();
                    t.unit_.onDataBlock = [&t](int) { t.StallFromNextWrite(); };
                },
                {"ERR 021", "ERR 021", "ERR 020"}, Result::Stopped, "ERR 021", false, {}, 0, 1},
        EndCase{"BlockUnanswered",
                [](CoreRun& t) {
                    t.ExpectHeader();
                    t.unit_.answers[1] = "";
                },
                {"ERR 030"}, Result::Stopped, "ERR 030", false, {}, 1, 0},
        EndCase{"FlashFault",
                [](CoreRun& t) {
                    t.ExpectHeader();
                    t.unit_.answers[2] = "F";
                },
                {"ERR 102"}, Result::Stopped, "ERR 102", false, {}, 2, 0},
        EndCase{"BlockUnclearTwice",
                [](CoreRun& t) {
                    t.ExpectHeader();
                    t.unit_.answers[0] = "X";
                    t.unit_.answers[1] = "X";
                },
                {"ERR 013"}, Result::Stopped, "ERR 013", false, {}, 0, 0},
        // The speed exchange's messages are warnings: the run went on after them.
        EndCase{"FailedSpeedExchangeIsNoStop", [](CoreRun& t) { t.ExpectHeader(); }, {"ERR 030"}, Result::Done,
                nullptr, false, {}, 4, 0,
                [](CoreRun& t) {
                    Module1.SpeedIndex = 1;
                    t.port_.Expect("CC02807D\r\n", "");
                }},
        EndCase{"StopBeforeHeader", [](CoreRun& t) { t.clock_.After(0, [&t] { t.run_.RequestStop(); }); }, {},
                Result::Cancelled, nullptr, false, {}, 0, 0},
        EndCase{"StopDuringBlocks",
                [](CoreRun& t) {
                    t.ExpectHeader();
                    t.unit_.onDataBlock = [&t](int n) {
                        if (n == 2)
                            t.run_.RequestStop();
                    };
                },
                {}, Result::Cancelled, nullptr, false, {}, 3, 0},
        // A fault before the run's next look at the stop request decides.
        EndCase{"FaultBeforeTheStopIsSeen",
                [](CoreRun& t) {
                    t.unit_.onLine = [&t](const QByteArray& line) {
                        ASSERT_TRUE(line.startsWith("C012"));
                        t.run_.RequestStop();
                        t.clock_.After(5, [&t] { t.port_.Deliver("FL\r\n"); });
                    };
                },
                {"ERR 100"}, Result::Stopped, "ERR 100", false, {}, 0, 0}),
    [](const auto& info) { return info.param.name; });

TEST_F(CoreRun, FrontShowsSpeedBarAndEveryAcceptedBlock)
{
    Module1.SpeedIndex = 1;
    UseDataEnd(6400); // SendEnd 6527: 204 blocks
    ExpectSpeed(38400);
    ExpectHeader();
    const RunReport report = Run();

    EXPECT_EQ(report.result, Result::Done);
    EXPECT_EQ(report.blockBaud, 38400);
    EXPECT_EQ(report.dataEnd, 6400);
    EXPECT_EQ(report.sendEnd, 6527);
    EXPECT_EQ(report.blocksAccepted, 204);
    EXPECT_EQ(front_.speeds, std::vector<bool>{true});
    EXPECT_EQ(front_.maxima, std::vector<int32_t>{6400});
    ASSERT_EQ(front_.progress.size(), 204u);
    EXPECT_EQ(front_.progress[0], (std::pair<int32_t, int>{32, 1})); // exactly half a percent
    EXPECT_EQ(front_.progress[198], (std::pair<int32_t, int>{6368, 100}));
    EXPECT_EQ(front_.progress[199], (std::pair<int32_t, int>{6400, 100}));
    // The blocks beyond the data hold the bar at its maximum.
    EXPECT_EQ(front_.progress[203], (std::pair<int32_t, int>{6400, 100}));
    EXPECT_EQ(run_.Values().NameHex, QStringLiteral("4142434D4F542020202020"));
}

TEST_F(CoreRun, ImageEndingAtZeroGetsABarOfOne)
{
    UseDataEnd(0);
    ExpectSpeed(9600);
    ExpectHeader();
    const RunReport report = Run();
    EXPECT_EQ(report.result, Result::Done);
    EXPECT_EQ(front_.maxima, std::vector<int32_t>{1});
    EXPECT_EQ(front_.progress.back(), (std::pair<int32_t, int>{1, 100}));
    EXPECT_EQ(report.blockBaud, 9600);
}

TEST_F(CoreRun, PortThatCannotOpenKeepsTheLayersReasonInTheReport)
{
    port_.failOpen = true;
    port_.openError = QStringLiteral("/dev/ttyUSB0: Permission denied.");
    messages_.Expect("OPEN ERROR", QStringLiteral("Comﾎﾟｰﾄが使用できません")).Allow(kAppTitle);
    const RunReport report = run_.Run();
    EXPECT_EQ(report.portError, QStringLiteral("/dev/ttyUSB0: Permission denied."));
    EXPECT_TRUE(front_.speeds.empty());
}

// A port that refuses every write reports it once; the header's refusal that follows shows
// nothing new and is still the port layer's.
TEST_F(CoreRun, RepeatedRefusalIsStillThePortLayersStop)
{
    port_.refuseWrites = true;
    messages_.Expect(kAppTitle);
    const RunReport report = run_.Run();
    EXPECT_EQ(messages_.titles(), QStringList{kAppTitle});
    EXPECT_EQ(report.result, Result::Stopped);
    EXPECT_EQ(report.stoppedRow, &Messages::kPortRefusal);
    EXPECT_EQ(Module1.TxFailed, 1);
}

TEST_F(CoreRun, EveryRunStartsAFreshReport)
{
    Module1.PageNo = 3;
    UseDataEnd(0x20000);
    ExpectSpeed(9600);
    messages_.Expect("ERR 402");
    EXPECT_EQ(Run().stoppedRow, &Messages::kErr402);

    Module1.PageNo = 0;
    UseDataEnd(31);
    ExpectSpeed(9600);
    ExpectHeader();
    const RunReport second = Run();
    EXPECT_EQ(second.result, Result::Done);
    EXPECT_EQ(second.stoppedRow, nullptr);
    EXPECT_EQ(second.blocksAccepted, 4);
}

} // namespace
