// Whose reservation is still held: the process's identity, and a holder killed with SIGKILL.
#include "RecordTestBase.h"

#include "record/ProcessIdentity.h"

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

RECORD_ON_BOTH_BACKENDS(RecordAbandoned);

} // namespace
