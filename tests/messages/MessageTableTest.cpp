// The message table against the two lists people read: the README's table is generated from
// it, and the list of tests names each of its rows once.
#include "shared/MessageTable.h"
#include "support/MessageRecorder.h"

#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QStringList>

#include <gtest/gtest.h>

namespace {

QStringList tableLinesAfter(const QString& path, const QString& header)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    QStringList table;
    const qsizetype start = lines.indexOf(header);
    if (start < 0)
        return {};
    for (qsizetype i = start; i < lines.size() && lines[i].startsWith(QLatin1Char('|')); ++i)
        table << lines[i];
    return table;
}

QString source(const char* relative)
{
    return QStringLiteral(CORVANE_SOURCE_DIR "/") + QLatin1String(relative);
}

} // namespace

TEST(MessageTable, ReadmeTableIsTheGeneratedOneElseItPrintsTheTableToPaste)
{
    const QStringList readme = tableLinesAfter(source("README.md"), QStringLiteral("| Code | Meaning | What to do |"));
    ASSERT_FALSE(readme.isEmpty()) << "README.md has no message table";
    const QString generated = MessageTableMarkdown();
    EXPECT_EQ(readme.join(QLatin1Char('\n')) + QLatin1Char('\n'), generated)
        << "README.md's message table differs from the message table; put this in its place:\n"
        << generated.toStdString();
}

TEST(MessageTable, TestListNamesEveryRowOnceAndNothingElse)
{
    const QStringList lines =
        tableLinesAfter(source("tests/MESSAGE_CODES.md"), QStringLiteral("| Code | Test (program: suite.case) | Partner |"));
    ASSERT_GT(lines.size(), 2) << "tests/MESSAGE_CODES.md has no table";
    QStringList listed;
    for (qsizetype i = 2; i < lines.size(); ++i)
        listed << lines[i].section(QLatin1Char('|'), 1, 1).trimmed();
    QStringList names;
    for (const MessageRow* row : Messages::kTable)
        names << QString::fromUtf8(row->name);
    EXPECT_EQ(listed.size(), QSet<QString>(listed.begin(), listed.end()).size()) << "a row is listed twice";
    EXPECT_EQ(QSet<QString>(listed.begin(), listed.end()), QSet<QString>(names.begin(), names.end()));
}

TEST(MessageTable, EveryErrCodeHasOneRow)
{
    QSet<QString> codes;
    for (const MessageRow* row : Messages::kTable) {
        const QString code = QString::fromUtf8(row->code);
        EXPECT_TRUE(code.contains(QRegularExpression(QStringLiteral("^ERR \\d{3}$"))) ||
                    code == QLatin1String("OPEN ERROR") || code == QLatin1String(kAppTitle))
            << code.toStdString();
        if (code.startsWith(QLatin1String("ERR "))) {
            EXPECT_FALSE(codes.contains(code)) << code.toStdString();
            codes << code;
        }
    }
    EXPECT_EQ(codes.size(), 23);
}

struct ExitCase {
    const MessageRow* row;
    int status;
};

class ExitStatuses : public ::testing::TestWithParam<ExitCase> {};

// The command line's statuses, by what ended the run.
TEST_P(ExitStatuses, RowCarriesTheCommandLinesStatus)
{
    EXPECT_EQ(GetParam().row->exitStatus, GetParam().status) << GetParam().row->name;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ExitStatuses,
    ::testing::Values(ExitCase{&Messages::kOpenPort, 3}, ExitCase{&Messages::kOpenTransferPort, 3},
                      ExitCase{&Messages::kOpenFile, 4}, ExitCase{&Messages::kErr001, 4},
                      ExitCase{&Messages::kErr002, 4}, ExitCase{&Messages::kErr400, 5},
                      ExitCase{&Messages::kErr401, 5}, ExitCase{&Messages::kErr402, 5},
                      ExitCase{&Messages::kErr020, 7}, ExitCase{&Messages::kErr021, 7},
                      ExitCase{&Messages::kErr030, 7}, ExitCase{&Messages::kErr040, 7},
                      ExitCase{&Messages::kErr201, 7}, ExitCase{&Messages::kErr220, 7},
                      ExitCase{&Messages::kErr010, 8}, ExitCase{&Messages::kErr011, 8},
                      ExitCase{&Messages::kErr012, 8}, ExitCase{&Messages::kErr013, 8},
                      ExitCase{&Messages::kErr031, 8}, ExitCase{&Messages::kErr041, 8},
                      ExitCase{&Messages::kErr200, 8}, ExitCase{&Messages::kErr202, 8},
                      ExitCase{&Messages::kErr100, 9}, ExitCase{&Messages::kErr101, 9},
                      ExitCase{&Messages::kErr102, 9}, ExitCase{&Messages::kErr110, 9},
                      ExitCase{&Messages::kAlreadyRunning, 0}));

TEST(ShowMessageRow, PresenterGetsTitlePrefixedTextButtonsAndIcon)
{
    MessageRecorder recorder;
    recorder.Expect(QStringLiteral("ERR 001"), QStringLiteral(" 7行にﾁｪｯｸｻﾑｴﾗｰを検出しました"));
    recorder.Expect(QStringLiteral("OPEN ERROR"), QStringLiteral("ﾌｧｲﾙが開けません"));
    recorder.Expect(QStringLiteral("OPEN ERROR"), QStringLiteral("/dev/ttyS3: Permission denied"));
    ShowMessage(Messages::kErr001, QStringLiteral(" 7"));
    ShowMessage(Messages::kOpenFile);
    ShowMessage(Messages::kOpenPort, QStringLiteral("/dev/ttyS3: Permission denied"));
    ASSERT_EQ(recorder.shown().size(), 3u);
    EXPECT_EQ(recorder.shown()[0].buttons, MsgButtons::Ok);
    EXPECT_EQ(recorder.shown()[0].icon, MsgIcon::None);
    EXPECT_EQ(recorder.shown()[1].icon, MsgIcon::Exclamation);
    EXPECT_EQ(recorder.shown()[2].icon, MsgIcon::Exclamation);
}
