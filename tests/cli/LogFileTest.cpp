#include "cli/LogFile.h"

#include <QByteArray>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <thread>
#include <vector>

using namespace cli;

// Writers with a log of their own each, as a gang's workers have: flock excludes one open file
// from another also within one process. Lines far longer than a stream's buffer would tear if
// a line went out in pieces.
TEST(CliLog, WritersAppendingAtOnceNeverTearOrLoseALine)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("units.log"));
    constexpr int kWriters = 6, kLines = 40;
    std::vector<std::thread> writers;
    std::vector<int> failures(kWriters, 0);
    for (int w = 0; w < kWriters; ++w) {
        writers.emplace_back([&, w] {
            QString reason;
            const std::unique_ptr<LogFile> log = LogFile::Open(path, &reason);
            if (!log) {
                ++failures[w];
                return;
            }
            for (int n = 0; n < kLines; ++n) {
                // 1 to 97 KB: most lines need several of a stream's buffers.
                const QByteArray filler((n * 7919 + w * 104729) % (96 * 1024) + 1024, static_cast<char>('a' + w));
                const QJsonObject record{{"writer", w}, {"line", n}, {"filler", QString::fromLatin1(filler)}};
                if (!log->Append(QJsonDocument(record).toJson(QJsonDocument::Compact), &reason))
                    ++failures[w];
            }
        });
    }
    for (std::thread& writer : writers)
        writer.join();
    EXPECT_EQ(failures, std::vector<int>(kWriters, 0));

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    ASSERT_EQ(lines.size(), kWriters * kLines + 1);
    EXPECT_TRUE(lines.last().isEmpty()) << "the log ends in a line feed";
    std::vector<int> next(kWriters, 0);
    for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
        QJsonParseError error;
        const QJsonObject record = QJsonDocument::fromJson(lines[i], &error).object();
        ASSERT_EQ(error.error, QJsonParseError::NoError) << "line " << i << " torn";
        const int w = record["writer"].toInt(-1);
        ASSERT_TRUE(w >= 0 && w < kWriters) << i;
        EXPECT_EQ(record["line"].toInt(), next[w]++) << "each writer's lines in its order";
        EXPECT_EQ(record["filler"].toString().count(QLatin1Char('a' + w)), record["filler"].toString().size());
    }
}
