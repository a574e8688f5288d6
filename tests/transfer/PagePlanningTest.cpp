#include "TransferFixture.h"

#include "shared/Module1.h"

#include <QPushButton>

namespace {

const QString kNameField = QStringLiteral("ABCMOT     ");

struct Box {
    QString title;
    QString text;
    MsgResult answer = MsgResult::Ok;
};

Box Lower(MsgResult answer = MsgResult::Ok)
{
    return {Text::kLowerSpillTitle, Text::kLowerSpill, answer};
}

Box Upper(const char* text, MsgResult answer = MsgResult::Ok)
{
    return {Text::kUpperSpillTitle, QString::fromUtf8(text), answer};
}

Box Refusal(const char* code, const char* text)
{
    return {QString::fromLatin1(code), QString::fromUtf8(text)};
}

struct PlanCase {
    const char* name;
    int16_t pageNo;
    uint32_t dataEnd;
    std::function<void(FakeMemoryView&)> memory;
    std::vector<Box> boxes;
    std::vector<int> erased; // unit pages, in order
    bool goesOn;             // the run gets past the plan (and then stops before the header)
};

void PrintTo(const PlanCase& c, std::ostream* os)
{
    *os << c.name;
}

class PagePlan : public TransferTest, public ::testing::WithParamInterface<PlanCase> {};

TEST_P(PagePlan, AsksRefusesAndErases)
{
    const PlanCase& c = GetParam();
    Module1.PageNo = c.pageNo;
    UseDataEnd(c.dataEnd);
    if (c.memory)
        c.memory(view_);
    for (const Box& box : c.boxes)
        messages_.Expect(box.title, box.text, box.answer);
    ExpectSpeed(9600);
    for (const int page : c.erased)
        ExpectErase(page);
    StopBeforeHeader();
    Run();

    QByteArrayList expected{"CC0200FD\r\n"};
    for (const int page : c.erased)
        expected.append(EraseLine(page));
    expected.append("CC0200FD\r\n");
    EXPECT_EQ(Lines(), expected);
    EXPECT_EQ(Module1.FileTitle == kNameField, c.goesOn);
    EXPECT_EQ(Module1.TxFailed, 0);
    for (const auto& shown : messages_.shown())
        EXPECT_EQ(shown.buttons, shown.title.startsWith("ERR") ? MsgButtons::Ok : MsgButtons::OkCancel);
}

void Full(FakeMemoryView& view)
{
    for (int page = 1; page <= 4; ++page)
        view.Occupy(page, 100);
}

INSTANTIATE_TEST_SUITE_P(
    UpperPages, PagePlan,
    ::testing::Values(
        PlanCase{"OnePageNeverAsksNorErases", 0, 0x1FFFF, Full, {}, {}, true},
        PlanCase{"TwoPagesEmptyAboveErasedWithoutAsking", 0, 0x20000, nullptr, {}, {1}, true},
        PlanCase{"TwoPagesOccupiedAboveAsked", 0, 0x20000, [](FakeMemoryView& v) { v.Occupy(2, 5); },
                 {Upper(" 2ページを消去します")}, {1}, true},
        PlanCase{"TwoPagesOnPage3", 2, 0x3FFFF, [](FakeMemoryView& v) { v.Occupy(4, 5); },
                 {Upper(" 4ページを消去します")}, {3}, true},
        PlanCase{"TwoPagesOnPage4Refused", 3, 0x20000, Full, {Refusal("ERR 402", "最終ページに128KBを越えるデータは保存できません")},
                 {}, false},
        PlanCase{"ThreePagesOccupiedAboveAsked", 0, 0x40000, [](FakeMemoryView& v) { v.Occupy(3, 5); },
                 {Upper(" 2、 3ページを消去します")}, {1, 2}, true},
        PlanCase{"ThreePagesOnPage2EmptyAbove", 1, 0x5FFFF, nullptr, {}, {2, 3}, true},
        PlanCase{"ThreePagesOnPage3Refused", 2, 0x40000, nullptr,
                 {Refusal("ERR 401", "256KBを越えるデータは１または２ページを指定して下さい")}, {}, false},
        PlanCase{"ThreePagesOnPage4Refused", 3, 0x40000, nullptr,
                 {Refusal("ERR 401", "256KBを越えるデータは１または２ページを指定して下さい")}, {}, false},
        PlanCase{"FourPagesOccupiedAsked", 0, 0x60000, [](FakeMemoryView& v) { v.Occupy(4, 5); },
                 {Upper("全ページ消去します")}, {1, 2, 3}, true},
        PlanCase{"FourPagesEmptyUnitErasedWithoutAsking", 0, 0x7FFFF, nullptr, {}, {1, 2, 3}, true},
        PlanCase{"FourPagesOnPage2Refused", 1, 0x60000, nullptr,
                 {Refusal("ERR 400", "384KBを越えるデータは１ページを指定して下さい")}, {}, false},
        PlanCase{"BlankCaptionCountsAsOccupied", 0, 0x20000, [](FakeMemoryView& v) { v.Blank(2); },
                 {Upper(" 2ページを消去します")}, {1}, true},
        PlanCase{"UpperQuestionCancelled", 0, 0x20000, [](FakeMemoryView& v) { v.Occupy(2, 5); },
                 {Upper(" 2ページを消去します", MsgResult::Cancel)}, {}, false}),
    [](const auto& info) { return info.param.name; });

INSTANTIATE_TEST_SUITE_P(
    LowerPage, PagePlan,
    ::testing::Values(
        PlanCase{"SpillsAt256", 1, 0, [](FakeMemoryView& v) { v.Occupy(1, 256); }, {Lower()}, {0}, true},
        PlanCase{"Exactly128StaysInItsPage", 1, 0, [](FakeMemoryView& v) { v.Occupy(1, 128); }, {}, {}, true},
        PlanCase{"SpillsFrom129", 1, 0, [](FakeMemoryView& v) { v.Occupy(1, 129); }, {Lower()}, {0}, true},
        PlanCase{"FractionalSizeIsRounded", 1, 0, [](FakeMemoryView& v) { v.SetSizeCaption(1, "128.6"); },
                 {Lower()}, {0}, true},
        PlanCase{"TwoEmptyPagesBetweenThreshold385", 3, 0, [](FakeMemoryView& v) { v.Occupy(1, 300); }, {}, {},
                 true},
        PlanCase{"TwoEmptyPagesBetweenSpilling", 3, 0, [](FakeMemoryView& v) { v.Occupy(1, 385); }, {Lower()},
                 {0, 1, 2}, true},
        PlanCase{"WalkStopsAtTheNearestOccupiedPage", 3, 0,
                 [](FakeMemoryView& v) {
                     v.Occupy(1, 500);
                     v.Occupy(2, 200);
                 },
                 {}, {}, true},
        PlanCase{"NearestPageSpillsOverOneEmptyPage", 3, 0, [](FakeMemoryView& v) { v.Occupy(2, 300); }, {Lower()},
                 {1, 2}, true},
        PlanCase{"BlankCaptionEndsTheWalkAsZero", 2, 0,
                 [](FakeMemoryView& v) {
                     v.Occupy(1, 400);
                     v.Blank(2);
                 },
                 {}, {}, true},
        PlanCase{"Page1NeverLooksBelow", 0, 0, Full, {}, {}, true},
        PlanCase{"LowerQuestionCancelled", 1, 0, [](FakeMemoryView& v) { v.Occupy(1, 256); },
                 {Lower(MsgResult::Cancel)}, {}, false}),
    [](const auto& info) { return info.param.name; });

INSTANTIATE_TEST_SUITE_P(
    BothRules, PagePlan,
    ::testing::Values(
        PlanCase{"BothQuestionsInOneRun", 1, 0x20000,
                 [](FakeMemoryView& v) {
                     v.Occupy(1, 256);
                     v.Occupy(3, 10);
                 },
                 {Lower(), Upper(" 3ページを消去します")}, {0, 2}, true},
        PlanCase{"SecondQuestionCancelledAfterTheFirstErase", 1, 0x20000,
                 [](FakeMemoryView& v) {
                     v.Occupy(1, 256);
                     v.Occupy(3, 10);
                 },
                 {Lower(), Upper(" 3ページを消去します", MsgResult::Cancel)}, {0}, false},
        PlanCase{"RefusalComesAfterTheLowerErase", 3, 0x20000, [](FakeMemoryView& v) { v.Occupy(3, 200); },
                 {Lower(), Refusal("ERR 402", "最終ページに128KBを越えるデータは保存できません")}, {2}, false}),
    [](const auto& info) { return info.param.name; });

// --- the erase exchange ---

TEST_F(TransferTest, RefusedEraseStopsThePlanAndLaterPagesStay)
{
    UseDataEnd(0x60000);
    ExpectSpeed(9600);
    ExpectErase(1);
    ExpectErase(2, "FL\r\n");
    messages_.Expect("ERR 110", Text::kEraseFault);
    Run();
    EXPECT_EQ(Lines(), (QByteArrayList{"CC0200FD\r\n", EraseLine(1), EraseLine(2), "CC0200FD\r\n"}));
    EXPECT_EQ(Module1.TxFailed, 0);
}

TEST_F(TransferTest, EraseAnswerWithOkAmongOtherCharactersErases)
{
    UseDataEnd(0x20000);
    ExpectSpeed(9600);
    ExpectErase(1, "xxOKyy\r\n");
    StopBeforeHeader();
    Run();
    EXPECT_EQ(Module1.FileTitle, kNameField);
}

TEST_F(TransferTest, StopDuringAnEraseLetsThePlanFinishAndEndsBeforeTheHeader)
{
    UseDataEnd(0x60000);
    ExpectSpeed(9600);
    ExpectErase(1, "OK\r\n", 2000);
    ExpectErase(2);
    ExpectErase(3);
    clock_.After(1000, [this] { Window().Command1()->click(); });
    Run();
    EXPECT_EQ(Lines(), (QByteArrayList{"CC0200FD\r\n", EraseLine(1), EraseLine(2), EraseLine(3), "CC0200FD\r\n"}));
    EXPECT_EQ(Module1.TxFailed, 0);
    EXPECT_TRUE(unit_.arrivals.isEmpty());
}

} // namespace
