// Whose reservation is still held: the process's identity, and a holder killed with SIGKILL.
#include "RecordTestBase.h"

#include "record/ProcessIdentity.h"
#include "record/RecordLocation.h"

#include <QSqlDatabase>
#include <QSqlQuery>

#include <unistd.h>

namespace {

// A reboot (power loss) or a pid used again must not pass for the process that reserved.
TEST(RecordProcessIdentity, TellsTheReservingProcessFromAnyOther)
{
    const record::ProcessIdentity self = record::ThisProcess();
    EXPECT_EQ(self.pid, ::getpid());
    EXPECT_TRUE(record::IsRunning(self));
    record::ProcessIdentity otherBoot = self, reusedPid = self, noSuchPid = self;
    otherBoot.bootId = QStringLiteral("another-boot");
    reusedPid.startTicks += 1;
    noSuchPid.pid = 0x7FFFFFFF;
    EXPECT_FALSE(record::IsRunning(otherBoot));
    EXPECT_FALSE(record::IsRunning(reusedPid));
    EXPECT_FALSE(record::IsRunning(noSuchPid));
}

class RecordAbandoned : public RecordBackendTest {};

TEST_P(RecordAbandoned, AKilledHoldersNumberIsVoidAfterTheNextOpenAndNeverGivenAgain)
{
    const record::NumberRange range{100, 1, 1'000'000'000};
    Holder killed(where_, QStringLiteral("board"), range.first);
    Holder alive(where_, QStringLiteral("board"), range.first);
    ASSERT_TRUE(killed.serial() && alive.serial());
    killed.Kill();

    const std::unique_ptr<record::Record> rec = OpenRecord();
    ASSERT_TRUE(rec);
    QString reason;
    const std::optional<record::Summary> summary = rec->Summarize(&reason);
    ASSERT_TRUE(summary) << reason.toStdString();
    ASSERT_EQ(summary->serials.size(), 1);
    const record::ProductSerials& board = summary->serials[0];
    ASSERT_EQ(board.voided.size(), 1);
    EXPECT_EQ(board.voided[0].from, *killed.serial());
    ASSERT_EQ(board.reserved.size(), 1);
    EXPECT_EQ(board.reserved[0].from, *alive.serial());

    const std::optional<quint64> next = rec->Reserve(QStringLiteral("board"), range).serial;
    ASSERT_TRUE(next);
    EXPECT_GT(*next, std::max(*killed.serial(), *alive.serial()));
}

// Only its own station can tell whether a process there is gone.
TEST_P(RecordAbandoned, AnotherStationsReservationStaysReserved)
{
    ASSERT_TRUE(OpenRecord());
    const QString connection = QStringLiteral("elsewhere");
    {
        QString reason;
        std::optional<QSqlDatabase> db = record::Connect(*record::ParseLocation(where_, &reason), connection, &reason);
        ASSERT_TRUE(db) << reason.toStdString();
        ASSERT_TRUE(QSqlQuery(*db).exec(QStringLiteral(
            "INSERT INTO serials (product, serial, step, state, station, boot_id, pid, start_ticks, reserved_at) "
            "VALUES ('board', 7, 1, 'reserved', 'elsewhere', 'its-boot', 1, 1, '2026-12-10T00:00:00Z')")));
    }
    QSqlDatabase::removeDatabase(connection);
    const std::unique_ptr<record::Record> rec = OpenRecord();
    ASSERT_TRUE(rec);
    QString reason;
    const std::optional<record::Summary> summary = rec->Summarize(&reason);
    ASSERT_TRUE(summary && summary->serials.size() == 1) << reason.toStdString();
    EXPECT_TRUE(summary->serials[0].voided.isEmpty());
    EXPECT_EQ(summary->serials[0].reserved.size(), 1);
}

RECORD_ON_BOTH_BACKENDS(RecordAbandoned);

} // namespace
