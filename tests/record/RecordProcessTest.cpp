// Whose reservation is still held: the process's identity, and a holder killed with SIGKILL.
#include "RecordTestBase.h"

#include "record/ProcessIdentity.h"

#include <unistd.h>

namespace {

using record::ProcessIdentity;

struct IdentityCase {
    const char* name;
    ProcessIdentity (*make)();
    bool running;
};

ProcessIdentity self() { return record::ThisProcess(); }
ProcessIdentity otherBoot() { ProcessIdentity p = self(); p.bootId = QStringLiteral("another-boot"); return p; }
ProcessIdentity reusedPid() { ProcessIdentity p = self(); p.startTicks += 1; return p; }
ProcessIdentity noSuchPid() { ProcessIdentity p = self(); p.pid = 0x7FFFFFFF; return p; }

// name                   identity      running
const IdentityCase kIdentities[] = {
    {"this_process",       self,         true},
    {"after_a_reboot",     otherBoot,    false},
    {"pid_used_again",     reusedPid,    false},
    {"no_such_process",    noSuchPid,    false},
};

class RecordProcessIdentity : public ::testing::TestWithParam<IdentityCase> {};

TEST_P(RecordProcessIdentity, TellsTheReservingProcessFromAnyOther)
{
    EXPECT_EQ(record::IsRunning(GetParam().make()), GetParam().running);
}

INSTANTIATE_TEST_SUITE_P(Table, RecordProcessIdentity, ::testing::ValuesIn(kIdentities),
                         [](const ::testing::TestParamInfo<IdentityCase>& info) { return std::string(info.param.name); });

TEST(RecordProcessIdentityOfThisProcess, NamesPidBootAndStartTime)
{
    const ProcessIdentity p = self();
    EXPECT_EQ(p.pid, ::getpid());
    EXPECT_FALSE(p.bootId.isEmpty());
    EXPECT_GT(p.startTicks, 0);
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
