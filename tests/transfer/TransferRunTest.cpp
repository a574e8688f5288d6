#include "TransferFixture.h"

#include "shared/Module1.h"
#include "transfer/HiddenTextProgressBar.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include <functional>
#include <map>
#include <utility>

namespace {

const QByteArray kEndingLine = "CC0200FD\r\n";
// Page 1, CPU 5, 20 MHz, ABC.MOT: the header's fields, then its checksum.
const QByteArray kStoreHeaderLine = "C012000501312D004142434D4F54202020202033\r\n";
const QByteArray kDirectHeaderLine = "CF07400501312D0054\r\n";

bool SentHeader(TransferTest& t)
{
    for (const QByteArray& line : t.Lines())
        if (line.startsWith("C012") || line.startsWith("CF0740"))
            return true;
    return false;
}

// Calls `painted` each time `widget` is painted, for as long as the watch lives.
class PaintWatch : public QObject {
public:
    PaintWatch(QWidget* widget, std::function<void()> painted) : painted_(std::move(painted))
    {
        widget->installEventFilter(this);
    }

    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            painted_();
        return false;
    }

private:
    std::function<void()> painted_;
};

// The port's drain never completes from this write on: the next send primitive times out.
void StallFromNextWrite(TransferTest& t)
{
    t.Port().stalledOutBytes = 33;
}

QByteArray FileWithBadLine(int badLine, bool checksumOnly)
{
    QByteArray text = SRecordLine('1', 0, {0x11, 0x22});
    for (int line = 2; line < badLine; ++line)
        text += SRecordLine('1', static_cast<uint32_t>(line * 2), {0x33, 0x44});
    QByteArray bad = SRecordLine('1', 0x100, {0x55});
    if (checksumOnly)
        bad[bad.size() - 3] = bad[bad.size() - 3] == '0' ? '1' : '0';
    else
        bad[4] = 'Z';
    return text + bad;
}

// --- every way the run ends: the messages, TxFailed, and the ending that always follows ---

struct EndCase {
    const char* name;
    std::function<void(TransferTest&)> arrange;
    QStringList titles;
    int txFailed;
    bool headerSent;
    QByteArrayList arrivals; // data blocks (D), end-of-data (E) and abort (A) blocks, in order
    // ClearInBuffer calls on the port over the whole run, not only the run's own discards:
    // each speed exchange clears at its end and, after the unit's "OK", before listening for
    // the greeting at the new speed; each wait that times out or sees a line error clears once.
    int clearInBufferCalls;
};

void PrintTo(const EndCase& c, std::ostream* os)
{
    *os << c.name;
}

class RunEndings : public TransferTest, public ::testing::WithParamInterface<EndCase> {};

// The text each coded box of the table shows.
const std::map<QString, QString> kTextOf{
    {"ERR 001", QStringLiteral(" 12行にﾁｪｯｸｻﾑｴﾗｰを検出しました")},
    {"ERR 002", QStringLiteral(" 3行にﾃﾞｰﾀ異常を検出しました")},
    {"ERR 010", Text::kCommFault},
    {"ERR 011", Text::kCommFault},
    {"ERR 012", Text::kCommFault},
    {"ERR 013", Text::kCommFault},
    {"ERR 100", Text::kMemoryFault},
    {"ERR 101", Text::kMemoryFault},
    {"ERR 102", Text::kFlashFault},
    {"ERR 110", Text::kEraseFault},
    {"ERR 402", QStringLiteral("最終ページに128KBを越えるデータは保存できません")},
};

TEST_P(RunEndings, MessagesTxFailedAndTheEnding)
{
    const EndCase& c = GetParam();
    for (const QString& title : c.titles)
        messages_.Allow(title);
    ExpectSpeed(9600);
    c.arrange(*this);
    const QString filePath = Module1.FilePath;
    Run();

    EXPECT_EQ(messages_.titles(), c.titles);
    for (const auto& shown : messages_.shown()) {
        const auto text = kTextOf.find(shown.title);
        if (text != kTextOf.end()) {
            EXPECT_EQ(shown.text, text->second) << shown.title.toStdString();
        }
        const bool exclamation = shown.title == "OPEN ERROR" || shown.title == "Corvane-Host";
        EXPECT_EQ(shown.icon, exclamation ? MsgIcon::Exclamation : MsgIcon::None) << shown.title.toStdString();
    }
    EXPECT_EQ(Module1.FilePath, filePath); // handed to the loader and taken back unchanged
    EXPECT_EQ(Module1.TxFailed, c.txFailed);
    EXPECT_EQ(SentHeader(*this), c.headerSent);
    EXPECT_EQ(unit_.arrivals, c.arrivals);
    EXPECT_EQ(Port().clearInCount, c.clearInBufferCalls);
    // The ending: back to text replies, 9600 bit/s asked for, port closed, window unloaded.
    EXPECT_EQ(Module1.BinaryRx, 0);
    if (!Lines().isEmpty() && Port().stalledOutBytes == 0) {
        EXPECT_EQ(Lines().last(), kEndingLine);
    }
    EXPECT_FALSE(Port().PortOpen());
    EXPECT_FALSE(Window().isVisible());
    EXPECT_EQ(Window().result(), QDialog::Accepted);
}

const QByteArrayList kOneBlockImage{"D", "D", "D", "D", "E"};

INSTANTIATE_TEST_SUITE_P(
    Paths, RunEndings,
    ::testing::Values(
        EndCase{"Complete", [](TransferTest& t) { t.ExpectStoreHeader(); }, {}, 0, true, kOneBlockImage, 5},
        // The ending's speed command then fails on the closed port with the port layer's text.
        EndCase{"PortCannotBeOpened",
                [](TransferTest& t) {
                    t.Port().failOpen = true;
                    t.messages_.Expect("OPEN ERROR", Text::kPortUnusable);
                },
                {"OPEN ERROR", "Corvane-Host"}, 1, false, {}, 0},
        EndCase{"FileCannotBeOpened",
                [](TransferTest& t) {
                    Module1.FilePath = t.dir_.path() + QStringLiteral("/missing.mot");
                    t.messages_.Expect("OPEN ERROR", Text::kFileUnopenable);
                },
                {"OPEN ERROR"}, 1, false, {}, 5},
        EndCase{"ChecksumError", [](TransferTest& t) { t.UseFileText(FileWithBadLine(12, true)); }, {"ERR 001"}, 1,
                false, {}, 5},
        EndCase{"DataFault", [](TransferTest& t) { t.UseFileText(FileWithBadLine(3, false)); }, {"ERR 002"}, 1,
                false, {}, 6},
        EndCase{"PageRuleRefusal",
                [](TransferTest& t) {
                    Module1.PageNo = 3;
                    t.UseDataEnd(0x20000);
                },
                {"ERR 402"}, 0, false, {}, 6},
        EndCase{"ConfirmationRefused",
                [](TransferTest& t) {
                    t.UseDataEnd(0x20000);
                    t.view_.Occupy(2, 12);
                    t.messages_.Expect(Text::kUpperSpillTitle, QString(), MsgResult::Cancel);
                },
                {Text::kUpperSpillTitle}, 0, false, {}, 6},
        EndCase{"EraseRefused",
                [](TransferTest& t) {
                    t.UseDataEnd(0x20000);
                    t.ExpectErase(1, "FL\r\n");
                },
                {"ERR 110"}, 0, false, {}, 6},
        EndCase{"EraseNotSent",
                [](TransferTest& t) {
                    t.UseDataEnd(0x20000);
                    t.unit_.onLine = [&t](const QByteArray& line) {
                        EXPECT_EQ(line, EraseLine(1));
                        StallFromNextWrite(t);
                    };
                },
                {"ERR 020", "ERR 020"}, 1, false, {}, 3},
        EndCase{"EraseUnanswered",
                [](TransferTest& t) {
                    t.UseDataEnd(0x20000);
                    t.ExpectErase(1, "");
                },
                {"ERR 040"}, 1, false, {}, 6},
        EndCase{"HeaderNotSent",
                [](TransferTest& t) { t.unit_.onLine = [&t](const QByteArray&) { StallFromNextWrite(t); }; },
                {"ERR 020", "ERR 020"}, 1, true, {}, 3},
        // The abort block goes out in text mode, where the unit's one-byte answer is no reply.
        EndCase{"HeaderUnanswered", [](TransferTest& t) { t.ExpectStoreHeader(""); }, {"ERR 040", "ERR 030"}, 0,
                true, {"A"}, 7},
        // A line error recorded with the header's reply is a receive error, not an "OK".
        EndCase{"HeaderLineError",
                [](TransferTest& t) {
                    t.unit_.onLine = [&t](const QByteArray&) {
                        t.clock_.After(5, [&t] {
                            t.Port().RaiseEvent(MSComm::kEventFrame);
                            t.Port().Deliver("OK\r\n");
                        });
                    };
                },
                {"ERR 041", "ERR 030"}, 0, true, {"A"}, 7},
        EndCase{"HeaderMemoryFault", [](TransferTest& t) { t.ExpectStoreHeader("FL\r\n"); }, {"ERR 100"}, 0, true,
                {}, 6},
        EndCase{"HeaderNeitherOkNorFl", [](TransferTest& t) { t.ExpectStoreHeader("NG\r\n"); }, {"ERR 010"}, 0,
                true, {}, 6},
        EndCase{"DirectHeaderMemoryFault",
                [](TransferTest& t) {
                    Module1.PageNo = kPageThru;
                    t.AnswerDirectHeader("FL\r\n", "");
                },
                {"ERR 101"}, 0, true, {}, 6},
        EndCase{"DirectHeaderNeitherOkNorFl",
                [](TransferTest& t) {
                    Module1.PageNo = kPageThru;
                    t.AnswerDirectHeader("NG\r\n", "");
                },
                {"ERR 011"}, 0, true, {}, 6},
        EndCase{"DirectHeaderWithoutGo",
                [](TransferTest& t) {
                    Module1.PageNo = kPageThru;
                    t.AnswerDirectHeader("OK\r\n", "NG\r\n");
                },
                {"ERR 012"}, 0, true, {}, 6},
        EndCase{"DirectHeaderSecondReplyMissing",
                [](TransferTest& t) {
                    Module1.PageNo = kPageThru;
                    t.AnswerDirectHeader("OK\r\n", "");
                },
                {"ERR 040", "ERR 030"}, 0, true, {"A"}, 7},
        EndCase{"DirectHeaderUnanswered",
                [](TransferTest& t) {
                    Module1.PageNo = kPageThru;
                    t.AnswerDirectHeader("", "");
                },
                {"ERR 040", "ERR 030"}, 0, true, {"A"}, 7},
        EndCase{"BlockNotSent",
                [](TransferTest& t) {
                    t.ExpectStoreHeader();
                    t.unit_.onDataBlock = [&t](int) { StallFromNextWrite(t); };
                },
                {"ERR 021", "ERR 021", "ERR 020"}, 1, true, {"D", "A"}, 3},
        EndCase{"BlockUnanswered",
                [](TransferTest& t) {
                    t.ExpectStoreHeader();
                    t.unit_.answers[1] = "";
                },
                {"ERR 030"}, 0, true, {"D", "D", "A"}, 6},
        EndCase{"BlockLineError",
                [](TransferTest& t) {
                    t.ExpectStoreHeader();
                    t.unit_.onDataBlock = [&t](int n) {
                        if (n == 1)
                            t.Port().RaiseEvent(MSComm::kEventOverrun);
                    };
                },
                {"ERR 031"}, 0, true, {"D", "D", "A"}, 6},
        EndCase{"FlashFault",
                [](TransferTest& t) {
                    t.ExpectStoreHeader();
                    t.unit_.answers[2] = "F";
                },
                {"ERR 102"}, 0, true, {"D", "D", "D", "A"}, 6},
        EndCase{"BlockUnclearTwice",
                [](TransferTest& t) {
                    t.ExpectStoreHeader();
                    t.unit_.answers[0] = "X";
                    t.unit_.answers[1] = "X";
                },
                {"ERR 013"}, 0, true, {"D", "D", "A"}, 6},
        EndCase{"CancelBeforeHeader",
                [](TransferTest& t) { t.clock_.After(0, [&t] { t.Window().Command1()->click(); }); }, {}, 0, false,
                {}, 5},
        EndCase{"CancelDuringBlocks",
                [](TransferTest& t) {
                    t.ExpectStoreHeader();
                    t.unit_.onDataBlock = [&t](int n) {
                        if (n == 1)
                            t.Window().Command1()->click();
                    };
                },
                {}, 0, true, {"D", "D", "A"}, 5}),
    [](const auto& info) { return info.param.name; });

// --- the header ---

TEST_F(TransferTest, PageStoreHeaderOnTheWire)
{
    ExpectSpeed(9600);
    ExpectStoreHeader();
    Run();
    EXPECT_EQ(Lines(), (QByteArrayList{"CC0200FD\r\n", kStoreHeaderLine, kEndingLine}));
    EXPECT_TRUE(Port().ScriptDone());
}

TEST_F(TransferTest, PageStoreHeaderCarriesPageCpuClockAndName)
{
    Module1.PageNo = 2;
    Module1.CpuIndex = 75;
    Module1.ClockMHz = 12.345678f;
    Module1.FileTitle = QStringLiteral("FIRMWARE.V2.MOT");
    ExpectSpeed(9600);
    ExpectStoreHeader();
    Run();
    // 0x4B = 75, 0x00BC614E = 12345678, "FIRMWAREV2M".
    EXPECT_EQ(Lines().at(1).left(38).toStdString(), "C012024B00BC614E4649524D5741524556324D");
}

TEST_F(TransferTest, PageThruSendsTheDirectHeaderAndSkipsEveryPageRule)
{
    Module1.PageNo = kPageThru;
    UseDataEnd(0x60000);
    for (int page = 1; page <= 4; ++page)
        view_.Occupy(page, 128);
    ExpectSpeed(9600);
    AnswerDirectHeader("NG\r\n", "");
    messages_.Expect("ERR 011", Text::kCommFault);
    Run();
    EXPECT_EQ(Lines(), (QByteArrayList{"CC0200FD\r\n", kDirectHeaderLine, kEndingLine}));
}

TEST_F(TransferTest, PageThruWritesAfterOkAndGo)
{
    Module1.PageNo = kPageThru;
    ExpectSpeed(9600);
    AnswerDirectHeader("OK\r\n", "GO\r\n");
    Run();
    EXPECT_EQ(unit_.arrivals, kOneBlockImage);
    EXPECT_EQ(Module1.TxFailed, 0);
}

TEST_F(TransferTest, HeaderReplyWithOkAndFlCountsAsOk)
{
    ExpectSpeed(9600);
    ExpectStoreHeader("FL OK\r\n");
    Run();
    EXPECT_EQ(unit_.arrivals, kOneBlockImage);
}

// --- speed, name and the window ---

TEST_F(TransferTest, HighSpeedIsLabelledAndTheEndingReturnsTo9600)
{
    Module1.SpeedIndex = 1;
    ExpectSpeed(38400);
    ExpectStoreHeader();
    Run();
    EXPECT_EQ(Window().Label2()->text(), QStringLiteral("38.4kbps"));
    EXPECT_EQ(Lines().first(), QByteArray("CC02807D\r\n"));
    EXPECT_EQ(Lines().last(), kEndingLine);
    EXPECT_EQ(Port().settingsLog, (QStringList{"38400,N,8,1", "9600,N,8,1"}));
}

TEST_F(TransferTest, RefusedSpeedChangeIsLabelledLowSpeed)
{
    Module1.SpeedIndex = 1;
    Port().Expect("CC02807D\r\n", "NG\r\n");
    ExpectStoreHeader();
    Run();
    EXPECT_EQ(Window().Label2()->text(), QStringLiteral("9.6kbps"));
    EXPECT_EQ(Module1.SpeedIndex, 0);
    EXPECT_EQ(unit_.arrivals, kOneBlockImage);
}

TEST_F(TransferTest, FileTitleBecomesTheNameFieldOnceTheRunBuildsIt)
{
    ExpectSpeed(9600);
    ExpectStoreHeader();
    Run();
    EXPECT_EQ(Module1.FileTitle, QStringLiteral("ABCMOT     "));
    EXPECT_EQ(Window().Run().NameHex, QStringLiteral("4142434D4F542020202020"));
}

TEST_F(TransferTest, FileTitleIsKeptByARunThatStopsBeforeTheName)
{
    Module1.PageNo = 3;
    UseDataEnd(0x20000);
    ExpectSpeed(9600);
    messages_.Expect("ERR 402");
    Run();
    EXPECT_EQ(Module1.FileTitle, QStringLiteral("ABC.MOT"));
}

TEST_F(TransferTest, CloseBoxAsksForAStopAndTheRunStillEndsItself)
{
    ExpectSpeed(9600);
    ExpectErase(1, "OK\r\n", 2000);
    UseDataEnd(0x20000);
    // Pressed while the erase is under way: the erase finishes, the header is never sent.
    clock_.After(1000, [this] { Window().close(); });
    Run();
    EXPECT_EQ(Lines(), (QByteArrayList{"CC0200FD\r\n", EraseLine(1), kEndingLine}));
    EXPECT_EQ(Module1.CancelRequest, 1);
    EXPECT_EQ(Module1.TxFailed, 0);
    EXPECT_FALSE(Window().isVisible());
}

TEST_F(TransferTest, EscapeDuringBlocksSendsTheAbortBlock)
{
    ExpectSpeed(9600);
    ExpectStoreHeader();
    unit_.onDataBlock = [this](int n) {
        if (n == 0)
            Window().reject();
    };
    Run();
    EXPECT_EQ(unit_.arrivals, (QByteArrayList{"D", "A"}));
    EXPECT_EQ(Window().result(), QDialog::Accepted);
}

TEST_F(TransferTest, StopButtonOnlyAsksAndStaysAsItIs)
{
    ExpectSpeed(9600);
    ExpectStoreHeader();
    unit_.onDataBlock = [this](int n) {
        if (n == 0) {
            Window().Command1()->click();
            Window().Command1()->click();
            EXPECT_TRUE(Window().Command1()->isEnabled());
            EXPECT_EQ(Window().Command1()->text(), QStringLiteral("中止"));
        }
    };
    Run();
    EXPECT_EQ(unit_.arrivals, (QByteArrayList{"D", "A"}));
}

TEST_F(TransferTest, WindowAsDesigned)
{
    frmTx& w = Window();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("転送中"));
    EXPECT_EQ(w.size(), QSize(317, 119));
    EXPECT_EQ(w.Frame1()->title(), QStringLiteral("転送ﾒｰﾀｰ"));
    EXPECT_EQ(w.Frame1()->geometry(), QRect(8, 16, 305, 53));
    EXPECT_EQ(w.ProgressBar1()->parentWidget(), w.Frame1());
    EXPECT_FALSE(w.ProgressBar1()->isTextVisible());
    EXPECT_EQ(w.Label1()->text(), QStringLiteral("   "));
    EXPECT_EQ(w.Label1()->parentWidget(), w.Frame1());
    EXPECT_TRUE(w.Label2()->text().isEmpty());
    EXPECT_EQ(w.Command1()->text(), QStringLiteral("中止"));
    for (const char* name : {"Frame1", "ProgressBar1", "Label1", "Label2", "Command1"})
        EXPECT_NE(w.findChild<QWidget*>(QLatin1String(name)), nullptr) << name;
    EXPECT_TRUE(w.isModal());
}

// The bar formats no text while it is hidden, yet draws and reports its value as a plain bar does.
TEST_F(TransferTest, ProgressBarWithHiddenTextDrawsAndReportsLikeAPlainBar)
{
    QProgressBar* bar = Window().ProgressBar1();
    bar->setRange(0, 6400);
    bar->setValue(3200);
    EXPECT_TRUE(bar->text().isEmpty());
    // The same bar class beside a plain one, alike in everything else, draws the same pixels.
    HiddenTextProgressBar quiet;
    QProgressBar plain;
    for (QProgressBar* b : {static_cast<QProgressBar*>(&quiet), &plain}) {
        b->setTextVisible(false);
        b->resize(bar->size());
        b->setRange(0, 6400);
        b->setValue(3200);
    }
    EXPECT_EQ(quiet.grab().toImage(), plain.grab().toImage());

    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(bar);
    ASSERT_NE(accessible, nullptr);
    ASSERT_NE(accessible->valueInterface(), nullptr);
    EXPECT_EQ(accessible->valueInterface()->currentValue().toInt(), 3200);
    EXPECT_EQ(accessible->valueInterface()->maximumValue().toInt(), 6400);

    // Shown again, the text is the usual percentage.
    bar->setTextVisible(true);
    EXPECT_EQ(bar->text(), QStringLiteral("50%"));
}

// The bar's paints: the fill grows on screen during the run and the last paint shows the whole
// image.
TEST_F(TransferTest, BarIsPaintedDuringTheRunAndEndsFull)
{
    ExpectSpeed(9600);
    ExpectStoreHeader();
    UseImage({PatternChunk(0, 64 * 32)});
    std::vector<int> paints;
    QProgressBar* bar = Window().ProgressBar1();
    PaintWatch watch(bar, [&] {
        if (bar->value() > 0)
            paints.push_back(bar->value());
    });
    Run();
    ASSERT_EQ(unit_.dataBlocks.size(), 64u);
    ASSERT_GE(paints.size(), 2u) << "the fill grows on screen during the run";
    EXPECT_EQ(paints.back(), bar->maximum());
}

TEST_F(TransferTest, UnloadClosesAnOpenPortAndLeavesAClosedOneAlone)
{
    QString error;
    ASSERT_TRUE(Port().Open(&error));
    Window().Form_Unload();
    EXPECT_FALSE(Port().PortOpen());
    Window().Form_Unload();
    EXPECT_FALSE(Port().PortOpen());
}

TEST_F(TransferTest, RunModalPerformsOneRunAndReturns)
{
    int ports = 0;
    SetMSCommFactory([this, &ports] {
        auto port = std::make_unique<FakeMSComm>(&clock_);
        port->Expect("CC0200FD\r\n", "OK\r\n").AfterSettings("GO\r\n");
        port->Expect("C012", "OK\r\n");
        port->Expect("CC0200FD\r\n", "OK\r\n").AfterSettings("GO\r\n");
        unit_.Attach(*port);
        ++ports;
        return port;
    });
    frmTx::RunModal(nullptr, view_);
    EXPECT_EQ(ports, 1);
    EXPECT_EQ(unit_.arrivals, kOneBlockImage);
    EXPECT_EQ(Module1.FileTitle, QStringLiteral("ABCMOT     "));
}

} // namespace
