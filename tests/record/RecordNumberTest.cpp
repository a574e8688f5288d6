// The next number, used up and the count left, on an SQLite record: what plan shows and what a
// reservation takes must agree.
#include "record/NumberRule.h"
#include "record/Record.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using record::NumberRange;

// What the record already holds: `count` numbers reserved with `range`, each finished as told.
struct Prior {
    NumberRange range;
    int count = 0;
    enum { Done, Void, Reserved } ending = Done;
};

struct NumberCase {
    const char* name;
    std::vector<Prior> prior;
    NumberRange range;
    std::optional<quint64> next; // none: used up
    quint64 left;
};

constexpr quint64 kMax = record::kLargestNumber;

// name                          prior                                     range                  next          left
const NumberCase kCases[] = {
    {"empty_record_starts_at_first", {},                                   {1000, 1, 99999},      1000,         99000},
    {"continues_after_done",         {{{1000, 1, 99999}, 3}},              {1000, 1, 99999},      1003,         98997},
    {"void_numbers_are_never_again", {{{1000, 1, 99999}, 2, Prior::Void}}, {1000, 1, 99999},      1002,         98998},
    {"reserved_counts_as_given",     {{{7, 1, 99}, 1, Prior::Reserved}},   {7, 1, 99},            8,            92},
    {"never_below_first",            {{{1000, 1, 99999}, 3}},              {5000, 1, 9999},       5000,         5000},
    {"steps_from_the_highest",       {{{1000, 1, 99999}, 3}},              {10, 5, 2000},         1007,         199},
    {"left_counts_only_steps",       {},                                   {0, 10, 95},           0,            10},
    {"one_number_range",             {},                                   {42, 1, 42},           42,           1},
    {"used_up_at_last",              {{{1, 1, 3}, 3}},                     {1, 1, 3},             std::nullopt, 0},
    {"step_past_last_is_used_up",    {{{1, 1, 100}, 1}},                   {1, 200, 100},         std::nullopt, 0},
    {"largest_numbers_kept_exactly", {{{kMax - 2, 1, kMax}, 1}},           {kMax - 2, 1, kMax},   kMax - 1,     2},
};

class RecordNumberRule : public ::testing::TestWithParam<NumberCase> {};

void apply(record::Record& rec, const Prior& prior)
{
    for (int n = 0; n < prior.count; ++n) {
        const record::Reservation reservation = rec.Reserve(QStringLiteral("board"), prior.range);
        ASSERT_TRUE(reservation.serial) << reservation.reason.toStdString();
        QString reason;
        if (prior.ending == Prior::Reserved)
            continue;
        ASSERT_TRUE(rec.Finish(QStringLiteral("board"), *reservation.serial, prior.ending == Prior::Done, &reason))
            << reason.toStdString();
    }
}

TEST_P(RecordNumberRule, LookAndReserveAgree)
{
    const NumberCase& c = GetParam();
    QTemporaryDir dir;
    QString reason;
    const std::unique_ptr<record::Record> rec = record::Record::Open(dir.filePath(QStringLiteral("r.sqlite")), &reason);
    ASSERT_TRUE(rec) << reason.toStdString();
    for (const Prior& prior : c.prior)
        apply(*rec, prior);

    const std::optional<record::Outlook> outlook = rec->Look(QStringLiteral("board"), c.range, &reason);
    ASSERT_TRUE(outlook) << reason.toStdString();
    EXPECT_EQ(outlook->next, c.next);
    EXPECT_EQ(outlook->left, c.left);

    const record::Reservation reservation = rec->Reserve(QStringLiteral("board"), c.range);
    EXPECT_EQ(reservation.serial, c.next);
    EXPECT_EQ(reservation.usedUp, !c.next);
    // Another product's numbers are its own.
    EXPECT_EQ(rec->Reserve(QStringLiteral("other"), c.range).serial, c.range.first <= c.range.last
                                                                         ? std::optional<quint64>(c.range.first)
                                                                         : std::nullopt);
}

INSTANTIATE_TEST_SUITE_P(Table, RecordNumberRule, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<NumberCase>& info) { return std::string(info.param.name); });

TEST(RecordNumberRuleRefusals, RangesTheRecordCannotHoldAreRefusedWithAReason)
{
    QTemporaryDir dir;
    QString reason;
    const std::unique_ptr<record::Record> rec = record::Record::Open(dir.filePath(QStringLiteral("r.sqlite")), &reason);
    ASSERT_TRUE(rec) << reason.toStdString();
    for (const NumberRange range : {NumberRange{1, 0, 10}, NumberRange{1, 1, kMax + 1}}) {
        const record::Reservation reservation = rec->Reserve(QStringLiteral("board"), range);
        EXPECT_FALSE(reservation.serial);
        EXPECT_FALSE(reservation.usedUp);
        EXPECT_FALSE(reservation.reason.isEmpty());
        EXPECT_FALSE(rec->Look(QStringLiteral("board"), range, &reason));
    }
}

TEST(RecordFinish, OnlyANumberThisProcessHoldsReservedCanBeFinished)
{
    QTemporaryDir dir;
    QString reason;
    const std::unique_ptr<record::Record> rec = record::Record::Open(dir.filePath(QStringLiteral("r.sqlite")), &reason);
    ASSERT_TRUE(rec) << reason.toStdString();
    const std::optional<quint64> serial = rec->Reserve(QStringLiteral("board"), {1, 1, 10}).serial;
    ASSERT_TRUE(serial);
    EXPECT_FALSE(rec->Finish(QStringLiteral("board"), *serial + 1, true, &reason));
    EXPECT_FALSE(rec->Finish(QStringLiteral("other"), *serial, true, &reason));
    EXPECT_TRUE(rec->Finish(QStringLiteral("board"), *serial, false, &reason)) << reason.toStdString();
    // Void stays void: a number given up is never marked done after all.
    EXPECT_FALSE(rec->Finish(QStringLiteral("board"), *serial, true, &reason));
    EXPECT_FALSE(reason.isEmpty());
}

} // namespace
