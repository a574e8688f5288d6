#include "RecordTestBase.h"

#include <QDeadlineTimer>

namespace {

// Only a hung process is this slow, however busy the machine.
constexpr int kProcessTimeoutMs = 90000;

} // namespace

std::string BackendName(const ::testing::TestParamInfo<Backend>& info)
{
    return info.param == Backend::SQLite ? "SQLite" : "PostgreSQL";
}

void RecordBackendTest::SetUp()
{
    ASSERT_TRUE(dir_.isValid());
    if (GetParam() == Backend::SQLite) {
        where_ = dir_.filePath(QStringLiteral("line/record.sqlite"));
        return;
    }
    if (!PostgresServer::BinFolder())
        GTEST_SKIP() << "PostgreSQL is not installed";
    server_ = std::make_unique<PostgresServer>();
    ASSERT_TRUE(server_->started());
    where_ = server_->ConnectionString();
}

std::unique_ptr<record::Record> RecordBackendTest::OpenRecord()
{
    QString reason;
    std::unique_ptr<record::Record> rec = record::Record::Open(where_, &reason);
    EXPECT_TRUE(rec) << reason.toStdString();
    return rec;
}

Holder::Holder(const QString& where, const QString& product, quint64 first)
{
    process_.start(QStringLiteral(RECORD_RESERVER), {where, product, QString::number(first)});
    const QDeadlineTimer deadline(kProcessTimeoutMs);
    while (!process_.canReadLine() && process_.state() != QProcess::NotRunning && !deadline.hasExpired())
        process_.waitForReadyRead(1000);
    if (process_.canReadLine())
        serial_ = process_.readLine().trimmed().toULongLong();
    else
        ADD_FAILURE() << "the holder told no number: " << process_.readAllStandardError().toStdString();
}

Holder::~Holder()
{
    Kill();
}

void Holder::Kill()
{
    if (process_.state() == QProcess::NotRunning)
        return;
    process_.kill();
    process_.waitForFinished(kProcessTimeoutMs);
}
