// The page rules as a plan, before anything is sent: every row of the rules, both lower-page
// outcomes, the question texts and the order of the erases.
#include "transfer/FakeMemoryView.h"
#include "shared/Module1.h"
#include "transfer/PagePlan.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>

namespace {

const QString kLowerTitle = QStringLiteral("ページを跨いだデータの書換え");
const QString kLowerText = QStringLiteral("このページに跨る上側ページのデータを消去します");
const QString kUpperTitle = QStringLiteral("ページを跨ぐデータ");

struct PlanRow {
    const char* name;
    int16_t pageNo;
    int32_t dataEnd;
    std::function<void(FakeMemoryView&)> memory;
    bool lowerAsks;
    QList<int16_t> lowerErase;
    const char* refusal;      // code, or null
    const char* refusalText;
    const char* upperText;    // the upper question's text, or null when none is asked
    QList<int16_t> upperErase;
};

void PrintTo(const PlanRow& row, std::ostream* os)
{
    *os << row.name;
}

void Full(FakeMemoryView& view)
{
    for (int page = 1; page <= 4; ++page)
        view.Occupy(page, 100);
}

std::function<void(FakeMemoryView&)> Occupied(std::initializer_list<int> pages)
{
    const std::vector<int> list(pages);
    return [list](FakeMemoryView& view) {
        for (const int page : list)
            view.Occupy(page, 5);
    };
}

std::function<void(FakeMemoryView&)> Sized(int page, const QString& caption)
{
    return [page, caption](FakeMemoryView& view) {
        view.Occupy(page, 1);
        view.SetSizeCaption(page, caption);
    };
}

constexpr const char* k402 = "最終ページに128KBを越えるデータは保存できません";
constexpr const char* k401 = "256KBを越えるデータは１または２ページを指定して下さい";
constexpr const char* k400 = "384KBを越えるデータは１ページを指定して下さい";

class PlanRules : public ::testing::TestWithParam<PlanRow> {};

TEST_P(PlanRules, RefusalQuestionsAndErasesAsTheRulesSay)
{
    const PlanRow& row = GetParam();
    FakeMemoryView view;
    if (row.memory)
        row.memory(view);
    const PagePlan plan = PlanPagesFor(row.pageNo, row.dataEnd, view);

    EXPECT_EQ(plan.lower.question.has_value(), row.lowerAsks);
    if (plan.lower.question) {
        EXPECT_EQ(plan.lower.question->title, kLowerTitle);
        EXPECT_EQ(plan.lower.question->text, kLowerText);
    }
    EXPECT_EQ(plan.lower.erase, row.lowerErase);

    EXPECT_EQ(plan.refusal == nullptr, row.refusal == nullptr);
    if (plan.refusal != nullptr && row.refusal != nullptr) {
        EXPECT_STREQ(plan.refusal->code, row.refusal);
        EXPECT_STREQ(plan.refusal->text, row.refusalText);
    }

    EXPECT_EQ(plan.upper.question.has_value(), row.upperText != nullptr);
    if (plan.upper.question && row.upperText != nullptr) {
        EXPECT_EQ(plan.upper.question->title, kUpperTitle);
        EXPECT_EQ(plan.upper.question->text, QString::fromUtf8(row.upperText));
    }
    EXPECT_EQ(plan.upper.erase, row.upperErase);

    // In the order the run meets them: the lower part's before the upper part's.
    QStringList texts;
    for (const PagePlan::Question& q : plan.questions())
        texts.append(q.text);
    QStringList expectedTexts;
    if (row.lowerAsks)
        expectedTexts.append(kLowerText);
    if (row.upperText != nullptr)
        expectedTexts.append(QString::fromUtf8(row.upperText));
    EXPECT_EQ(texts, expectedTexts);
    EXPECT_EQ(plan.erase(), row.lowerErase + row.upperErase);
    // The chosen page itself is never erased.
    EXPECT_FALSE(plan.erase().contains(row.pageNo));
}

// Upper rules: one row per page count and chosen page, with the pages above empty or not.
INSTANTIATE_TEST_SUITE_P(
    UpperPages, PlanRules,
    ::testing::Values(
        PlanRow{"OnePageOnPage1", 0, 0x1FFFF, Full, false, {}, nullptr, nullptr, nullptr, {}},
        PlanRow{"OnePageOnPage4", 3, 0, Full, false, {}, nullptr, nullptr, nullptr, {}},
        PlanRow{"TwoPagesOnPage1Empty", 0, 0x20000, nullptr, false, {}, nullptr, nullptr, nullptr, {1}},
        PlanRow{"TwoPagesOnPage1Occupied", 0, 0x20000, Occupied({2}), false, {}, nullptr, nullptr,
                " 2ページを消去します", {1}},
        PlanRow{"TwoPagesOnPage2Occupied", 1, 0x3FFFF, Occupied({3}), false, {}, nullptr, nullptr,
                " 3ページを消去します", {2}},
        PlanRow{"TwoPagesOnPage3Occupied", 2, 0x20000, Occupied({4}), false, {}, nullptr, nullptr,
                " 4ページを消去します", {3}},
        PlanRow{"TwoPagesOnPage3LowerPagesDoNotCount", 2, 0x20000, Occupied({1, 2}), false, {}, nullptr, nullptr,
                nullptr, {3}},
        PlanRow{"TwoPagesOnPage4Refused", 3, 0x20000, nullptr, false, {}, "ERR 402", k402, nullptr, {}},
        PlanRow{"ThreePagesOnPage1NearPageOccupied", 0, 0x40000, Occupied({2}), false, {}, nullptr, nullptr,
                " 2、 3ページを消去します", {1, 2}},
        PlanRow{"ThreePagesOnPage1FarPageOccupied", 0, 0x5FFFF, Occupied({3}), false, {}, nullptr, nullptr,
                " 2、 3ページを消去します", {1, 2}},
        PlanRow{"ThreePagesOnPage1Page4DoesNotCount", 0, 0x40000, Occupied({4}), false, {}, nullptr, nullptr,
                nullptr, {1, 2}},
        PlanRow{"ThreePagesOnPage2Empty", 1, 0x40000, nullptr, false, {}, nullptr, nullptr, nullptr, {2, 3}},
        PlanRow{"ThreePagesOnPage2Occupied", 1, 0x40000, Occupied({4}), false, {}, nullptr, nullptr,
                " 3、 4ページを消去します", {2, 3}},
        PlanRow{"ThreePagesOnPage3Refused", 2, 0x40000, nullptr, false, {}, "ERR 401", k401, nullptr, {}},
        PlanRow{"ThreePagesOnPage4Refused", 3, 0x5FFFF, Full, false, {}, "ERR 401", k401, nullptr, {}},
        PlanRow{"FourPagesOnPage1Empty", 0, 0x7FFFF, nullptr, false, {}, nullptr, nullptr, nullptr, {1, 2, 3}},
        PlanRow{"FourPagesOnPage1Occupied", 0, 0x60000, Occupied({3}), false, {}, nullptr, nullptr,
                "全ページ消去します", {1, 2, 3}},
        PlanRow{"FourPagesOnPage2Refused", 1, 0x60000, nullptr, false, {}, "ERR 400", k400, nullptr, {}},
        PlanRow{"FourPagesOnPage3Refused", 2, 0x60000, nullptr, false, {}, "ERR 400", k400, nullptr, {}},
        PlanRow{"FourPagesOnPage4Refused", 3, 0x7FFFF, nullptr, false, {}, "ERR 400", k400, nullptr, {}},
        PlanRow{"BlankCaptionCountsAsOccupied", 0, 0x20000, [](FakeMemoryView& v) { v.Blank(2); }, false, {},
                nullptr, nullptr, " 2ページを消去します", {1}}),
    [](const auto& info) { return info.param.name; });

INSTANTIATE_TEST_SUITE_P(
    LowerPage, PlanRules,
    ::testing::Values(
        PlanRow{"Page1NeverLooksBelow", 0, 0, Full, false, {}, nullptr, nullptr, nullptr, {}},
        PlanRow{"Exactly128StaysInItsPage", 1, 0, Sized(1, "128"), false, {}, nullptr, nullptr, nullptr, {}},
        PlanRow{"SpillsFrom129", 1, 0, Sized(1, "129"), true, {0}, nullptr, nullptr, nullptr, {}},
        PlanRow{"FractionRoundsDown", 1, 0, Sized(1, "128.4"), false, {}, nullptr, nullptr, nullptr, {}},
        PlanRow{"FractionRoundsUp", 1, 0, Sized(1, "128.6"), true, {0}, nullptr, nullptr, nullptr, {}},
        PlanRow{"TwoEmptyPagesBetweenBelowThreshold", 3, 0, Sized(1, "384"), false, {}, nullptr, nullptr, nullptr,
                {}},
        PlanRow{"TwoEmptyPagesBetweenAtThreshold", 3, 0, Sized(1, "385"), true, {0, 1, 2}, nullptr, nullptr,
                nullptr, {}},
        PlanRow{"NearestPageSpillsOverOneEmptyPage", 3, 0, Sized(2, "257"), true, {1, 2}, nullptr, nullptr,
                nullptr, {}},
        PlanRow{"WalkStopsAtTheNearestOccupiedPage", 3, 0,
                [](FakeMemoryView& v) {
                    v.Occupy(1, 500);
                    v.Occupy(2, 200);
                },
                false, {}, nullptr, nullptr, nullptr, {}},
        PlanRow{"BlankCaptionEndsTheWalkAsZero", 2, 0,
                [](FakeMemoryView& v) {
                    v.Occupy(1, 400);
                    v.Blank(2);
                },
                false, {}, nullptr, nullptr, nullptr, {}},
        PlanRow{"TextThatIsNoNumberCountsAsZero", 1, 0, Sized(1, "abc"), false, {}, nullptr, nullptr, nullptr, {}}),
    [](const auto& info) { return info.param.name; });

INSTANTIATE_TEST_SUITE_P(
    BothRules, PlanRules,
    ::testing::Values(
        PlanRow{"LowerThenUpperQuestion", 1, 0x20000,
                [](FakeMemoryView& v) {
                    v.Occupy(1, 256);
                    v.Occupy(3, 10);
                },
                true, {0}, nullptr, nullptr, " 3ページを消去します", {2}},
        PlanRow{"LowerErasesBeforeTheRefusal", 3, 0x20000, Sized(3, "200"), true, {2}, "ERR 402", k402, nullptr,
                {}},
        PlanRow{"LowerQuestionThenUpperWithoutOne", 1, 0x40000, Sized(1, "300"), true, {0}, nullptr, nullptr, nullptr,
                {2, 3}}),
    [](const auto& info) { return info.param.name; });

TEST(PlanPagesFor, ThruPlansNothingWhateverTheImageAndTheView)
{
    FakeMemoryView view;
    Full(view);
    const PagePlan plan = PlanPagesFor(kPageThru, 0x7FFFF, view);
    EXPECT_FALSE(plan.lower.question || plan.upper.question);
    EXPECT_TRUE(plan.erase().isEmpty());
    EXPECT_EQ(plan.refusal, nullptr);
}

// A page number the unit has no page for reads no caption beyond the four rows.
TEST(PlanPagesFor, PageNumberWithoutAPagePlansNothing)
{
    FakeMemoryView view;
    Full(view);
    for (const int16_t pageNo : {int16_t(-1), int16_t(4), int16_t(7), int16_t(9)}) {
        const PagePlan plan = PlanPagesFor(pageNo, 0x7FFFF, view);
        EXPECT_TRUE(plan.erase().isEmpty()) << pageNo;
        EXPECT_EQ(plan.refusal, nullptr) << pageNo;
        EXPECT_TRUE(plan.questions().isEmpty()) << pageNo;
    }
}

} // namespace
