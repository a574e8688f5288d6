#include "cli/LogFile.h"

#include "link/WaitClock.h"

#include <QByteArray>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace cli;

namespace {

// A program clock that moves only when the code under test pauses.
class PausingClock final : public WaitClock {
public:
    PausingClock() { SetProgramClock(this); }
    ~PausingClock() override { SetProgramClock(nullptr); }
    uint32_t NowMs() const { return now_; }

    int64_t WholeSeconds() override { return now_ / 1000; }
    uint32_t Milliseconds() override { return now_; }
    void LetEventsRun() override {}
    void WaitForEvents(uint32_t maxMs) override { Sleep(maxMs); }
    void Sleep(uint32_t ms) override { now_ += ms; }

private:
    uint32_t now_ = 0xFFFFF000; // near the wrap of a 32-bit counter
};

QByteArray Contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

} // namespace

// Another writer's hold on the log (an open file of its own, locked) makes the line wait its
// 10 s and then give up, leaving the log as it was.
TEST(CliLog, LockAnotherWriterKeepsStopsTheLineAfterTheBound)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("units.log"));
    QString reason;
    const std::unique_ptr<LogFile> log = LogFile::Open(path, &reason);
    ASSERT_TRUE(log) << reason.toStdString();
    const int held = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(::flock(held, LOCK_EX | LOCK_NB), 0);
    PausingClock clock;
    const uint32_t start = clock.NowMs();

    EXPECT_FALSE(log->Append("{\"unit\":1}", &reason));
    EXPECT_EQ(reason, QStringLiteral("the log is locked by another writer and was not freed within 10 s"));
    EXPECT_EQ(clock.NowMs() - start, kLockWaitMs) << "waited the bound, and no longer";
    EXPECT_EQ(Contents(path), QByteArray());
    ::close(held);
}

// A file-size limit lets part of a line out, as a disk that fills up does: the part is cut
// back, and the line before it stays whole.
TEST(CliLog, LineCutShortByAFileSizeLimitIsCutBack)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("units.log"));
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        QString reason;
        const std::unique_ptr<LogFile> log = LogFile::Open(path, &reason);
        if (!log || !log->Append("first", &reason))
            _exit(3);
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit room{16, 16};
        if (setrlimit(RLIMIT_FSIZE, &room) != 0)
            _exit(3);
        const bool appended = log->Append(QByteArray(200, 'x'), &reason);
        _exit(!appended && reason == QString::fromLocal8Bit(std::strerror(EFBIG)) ? 0 : 4);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "3: no room for the first line, 4: the line was not refused";
    EXPECT_EQ(Contents(path), QByteArray("first\n"));
}

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
