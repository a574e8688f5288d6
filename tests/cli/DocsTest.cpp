#include "shared/MessageTable.h"

#include <QFile>
#include <QRegularExpression>
#include <QSet>

#include <gtest/gtest.h>

namespace {

// The status of every table row with this code; a code the table does not know has none.
QList<int> statusesOf(const QString& code)
{
    QList<int> statuses;
    for (const MessageRow* row : Messages::kTable)
        if (QString::fromUtf8(row->code) == code)
            statuses.append(row->exitStatus);
    return statuses;
}

} // namespace

// The exit-status table that scripts are written against says what the program does.
TEST(CliDocs, ExitStatusTableMatchesTheStatusOfEveryCode)
{
    QFile file(QStringLiteral(CLI_README_SECTION));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly | QIODevice::Text));
    const QString text = QString::fromUtf8(file.readAll());
    const qsizetype start = text.indexOf(QLatin1String("### Exit status"));
    ASSERT_GE(start, 0);
    static const QRegularExpression row(QStringLiteral("^\\| (\\d+) \\| [^|]+ \\|\\s*([^|]*?)\\s*\\|$"),
                                        QRegularExpression::MultilineOption);
    static const QRegularExpression number(QStringLiteral("\\b(\\d{3})\\b"));
    QSet<QString> documented;
    int rows = 0;
    for (auto m = row.globalMatch(text, start); m.hasNext();) {
        const QRegularExpressionMatch r = m.next();
        ++rows;
        const int status = r.captured(1).toInt();
        const QString codes = r.captured(2);
        if (codes.contains(QLatin1String("OPEN ERROR"))) {
            const bool file = codes.contains(QString::fromUtf8(Messages::kOpenFile.text));
            EXPECT_EQ(file ? Messages::kOpenFile.exitStatus : Messages::kOpenTransferPort.exitStatus, status);
            if (!file) {
                EXPECT_EQ(Messages::kOpenPort.exitStatus, status);
            }
        }
        for (auto n = number.globalMatch(codes); n.hasNext();) {
            const QString code = QStringLiteral("ERR ") + n.next().captured(1);
            documented.insert(code);
            EXPECT_EQ(statusesOf(code), QList<int>{status}) << code.toStdString();
        }
    }
    EXPECT_EQ(rows, 12);
    const QStringList all = QStringLiteral("001 002 010 011 012 013 020 021 030 031 040 041 100 101 102 110 200 201 "
                                           "202 220 400 401 402")
                                .split(QLatin1Char(' '));
    for (const QString& n : all)
        EXPECT_TRUE(documented.contains(QStringLiteral("ERR ") + n)) << n.toStdString();
}
