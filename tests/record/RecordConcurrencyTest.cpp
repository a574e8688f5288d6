// Several processes reserving at once on one record: every number once, none lost.
#include "RecordTestBase.h"

#include <algorithm>

namespace {

class RecordConcurrency : public RecordBackendTest {};

TEST_P(RecordConcurrency, FourProcessesReservingTenEachGetFortyDistinctNumbers)
{
    constexpr int kProcesses = 4, kEach = 10;
    constexpr quint64 kFirst = 5000;
    // The processes find a fresh record: they also race to make its tables.
    QList<quint64> numbers = ReserveInProcesses(where_, QStringLiteral("board"), kFirst, kProcesses, kEach);
    std::sort(numbers.begin(), numbers.end());
    QList<quint64> expected;
    for (quint64 n = kFirst; n < kFirst + kProcesses * kEach; ++n)
        expected.append(n);
    EXPECT_EQ(numbers, expected);

    const std::unique_ptr<record::Record> rec = OpenRecord();
    ASSERT_TRUE(rec);
    QString reason;
    const std::optional<record::Summary> summary = rec->Summarize(&reason);
    ASSERT_TRUE(summary) << reason.toStdString();
    ASSERT_EQ(summary->serials.size(), 1);
    ASSERT_EQ(summary->serials[0].done.size(), 1);
    EXPECT_EQ(summary->serials[0].done[0].from, kFirst);
    EXPECT_EQ(summary->serials[0].done[0].to, kFirst + kProcesses * kEach - 1);
    EXPECT_TRUE(summary->serials[0].voided.isEmpty());
    EXPECT_TRUE(summary->serials[0].reserved.isEmpty());
}

RECORD_ON_BOTH_BACKENDS(RecordConcurrency);

} // namespace
