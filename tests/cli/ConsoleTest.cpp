#include "cli/Console.h"
#include "cli/StopSignal.h"
#include "shared/MessageTable.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>

using namespace cli;

TEST(CliMessages, OneLineWithCodeTextAndHint)
{
    EXPECT_EQ(MessageLine(&Messages::kErr030, "ERR 030", QString::fromUtf8("受信ﾀｲﾑｵｰﾊﾞｰが発生しました")),
              QString::fromUtf8("ERR 030: 受信ﾀｲﾑｵｰﾊﾞｰが発生しました -- Is the unit powered and "
                                "connected with a straight cable?"));
    // The port layer's text comes whole with its fix, on one line, without a hint of ours.
    EXPECT_EQ(MessageLine(&Messages::kOpenPort, "OPEN ERROR",
                          "/dev/ttyS0: Permission denied.\nAdd your user to the \"dialout\" group."),
              "OPEN ERROR: /dev/ttyS0: Permission denied. Add your user to the \"dialout\" group.");
    EXPECT_TRUE(MessageLine(&Messages::kErr001, "ERR 001", QString::fromUtf8(" 12行にﾁｪｯｸｻﾑｴﾗｰを検出しました"))
                    .startsWith(QString::fromUtf8("ERR 001:  12行にﾁｪｯｸｻﾑｴﾗｰを検出しました -- ")));
}

// Every box of the message table prints the table's hint without its markup; the port layer's
// own words come without one, and so does a box the table does not know.
TEST(CliMessages, HintComesFromTheMessageTableRowOfTheBox)
{
    for (const MessageRow* row : Messages::kTable) {
        const QString hint = row->text ? QString::fromUtf8(row->hint).remove(QLatin1Char('`')) : QString();
        EXPECT_EQ(HintOf(row), hint) << row->name;
        EXPECT_FALSE(HintOf(row).contains(QLatin1Char('`'))) << row->name;
    }
    EXPECT_EQ(HintOf(nullptr), QString());
}

TEST(CliQuestions, AnsweredByYesByTheTerminalOrCancelledWithoutOne)
{
    const QString title = QString::fromUtf8("ページを跨ぐデータ"), text = QString::fromUtf8(" 2ページを消去します");
    struct Case {
        const char* name;
        bool yes, terminal;
        std::optional<QString> typed;
        bool ok;
    } cases[] = {
        {"--yes", true, false, std::nullopt, true},
        {"--yes on a terminal asks nothing", true, true, QString("n"), true},
        {"no terminal", false, false, QString("y"), false},
        {"terminal y", false, true, QString("y"), true},
        {"terminal YES", false, true, QString(" YES "), true},
        {"terminal empty", false, true, QString(""), false},
        {"terminal no", false, true, QString("no"), false},
        {"terminal closed", false, true, std::nullopt, false},
    };
    for (const Case& c : cases) {
        QString shown;
        QTextStream err(&shown);
        int asked = 0;
        QuestionPolicy policy{c.yes, c.terminal, [&] {
                                  ++asked;
                                  return c.typed;
                              }};
        EXPECT_EQ(AnswerQuestion(title, text, policy, err), c.ok) << c.name;
        EXPECT_TRUE(shown.startsWith(title + ":  2ページを消去します [y/N] ")) << c.name;
        EXPECT_EQ(asked, !c.yes && c.terminal ? 1 : 0) << c.name;
    }
}

TEST(CliProgress, LiveLineHoldsBarPercentBytesRateAndTimeLeft)
{
    EXPECT_EQ(BlockBytesFor(0x1FFFF), 0x20000);
    EXPECT_EQ(BlockBytesFor(0x20000), 0x20080);
    EXPECT_EQ(BlockBytesFor(1), 128);
    EXPECT_EQ(LiveProgressLine("", {32768, 131072, 25, 8.0}, 8),
              "[##......]  25% 32768/131072 B 4096 B/s 0:24 left");
    EXPECT_EQ(LiveProgressLine("Com2", {0, 128, 0, 0}, 4), "Com2 [....]   0% 0/128 B 0 B/s -:-- left");
    EXPECT_EQ(StepProgressLine("Com2", {13184, 131072, 10, 2.0}), "Com2 10% 13184 of 131072 bytes, 6592 B/s");
}

TEST(CliProgress, WithoutTerminalOneLineAtEveryTenPercent)
{
    QString shown;
    QTextStream err(&shown);
    double now = 0;
    ProgressPrinter printer(err, false, [&] { return now; });
    printer.Start(999);
    for (int percent = 0; percent <= 100; ++percent) {
        now += 0.1;
        printer.Show(percent * 10, percent);
    }
    const QStringList lines = shown.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 10);
    EXPECT_TRUE(lines[0].startsWith("10% 100 of 1024 bytes"));
    EXPECT_TRUE(lines[9].startsWith("100% 1000 of 1024 bytes"));

    // A jump over several steps gives one line.
    shown.clear();
    printer.Start(999);
    printer.Show(500, 50);
    printer.Show(510, 51);
    EXPECT_EQ(shown.count('\n'), 1);
}

TEST(CliProgress, OnATerminalOneLineRedrawnInPlace)
{
    QString shown;
    QTextStream err(&shown);
    ProgressPrinter printer(err, true, [] { return 1.0; });
    printer.Start(255);
    printer.Show(128, 50);
    printer.Finish();
    EXPECT_EQ(shown.count('\n'), 1);
    EXPECT_EQ(shown.count('\r'), 3); // start, block, and the final redraw
    EXPECT_TRUE(shown.endsWith("128/256 B 0 B/s -:-- left\x1b[K\n")) << shown.toStdString();
}

TEST(CliTrace, TimestampElapsedKindDetail)
{
    EXPECT_EQ(TraceLine(QTime(12, 3, 4, 56), 1.5, SessionFront::TraceKind::Sent, "C90200FD"),
              "12:03:04.056 +1.500 sent     C90200FD");
    EXPECT_EQ(TraceLine(QTime(0, 0), 0, SessionFront::TraceKind::Wait, "reply 0.042 s"),
              "00:00:00.000 +0.000 wait     reply 0.042 s");
}

TEST(CliStopSignal, SigtermAndSigintBecomeStopRequestsOnTheQtThread)
{
    StopSignal stop(true);
    QList<int> seen;
    QObject::connect(&stop, &StopSignal::stopRequested, [&](int n) { seen.append(n); });
    ::raise(SIGTERM);
    ::raise(SIGINT);
    EXPECT_TRUE(seen.isEmpty()); // nothing runs inside the handler
    QElapsedTimer waited;
    waited.start();
    while (seen.size() < 2 && waited.elapsed() < 20000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(seen, (QList<int>{SIGTERM, SIGINT}));
    EXPECT_EQ(stop.Received(), 2);
}

TEST(CliStopSignal, ASecondSignalEndsTheProgramAtOnceWithTen)
{
    EXPECT_EXIT(
        {
            StopSignal stop;
            ::raise(SIGINT);
            ::raise(SIGINT);
            std::_Exit(0);
        },
        ::testing::ExitedWithCode(10), "");
}
