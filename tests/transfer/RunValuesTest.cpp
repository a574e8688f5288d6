#include "transfer/RunValues.h"
#include "transfer/frmTx.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

TEST(SendEnd, RoundsUpToWhole128ByteUnits)
{
    EXPECT_EQ(SendEndOf(0), 127);         // an empty image still sends four blocks
    EXPECT_EQ(SendEndOf(126), 127);
    EXPECT_EQ(SendEndOf(127), 127);
    EXPECT_EQ(SendEndOf(128), 255);
    EXPECT_EQ(SendEndOf(0x1FFFF), 0x1FFFF);
    EXPECT_EQ(SendEndOf(0x20000), 0x2007F);
    EXPECT_EQ(SendEndOf(0x7FFFF), 0x7FFFF);
    EXPECT_EQ(SendEndOf(-1), -1); // nothing at all to send
}

TEST(ClockHz, RoundsTheWidenedSingleToNearestWithTiesToEven)
{
    EXPECT_EQ(ClockHzOf(20.0f), 20'000'000);
    EXPECT_EQ(ClockHzOf(9.8304f), 9'830'400);
    // 12.345678f is 12.34567832946777... as a double: scaling the single itself would give
    // a different whole number.
    EXPECT_EQ(ClockHzOf(12.345678f), 12'345'678);
    EXPECT_EQ(ClockHzOf(99.9999f), 99'999'901); // 99999900.82
    EXPECT_EQ(ClockHzOf(0.0f), 0);
    // Exact ties: 1/128 MHz is 7812.5 Hz, 3/128 MHz 23437.5 Hz.
    EXPECT_EQ(ClockHzOf(0.0078125f), 7812);
    EXPECT_EQ(ClockHzOf(0.0234375f), 23438);
}

TEST(ClockHz, ClockOutsideTheHeaderFieldGivesZero)
{
    EXPECT_EQ(ClockHzOf(5000.0f), 0);
    EXPECT_EQ(ClockHzOf(std::numeric_limits<float>::quiet_NaN()), 0);
    EXPECT_EQ(ClockHzOf(std::numeric_limits<float>::infinity()), 0);
}

struct NameCase {
    const char* name;
    QString title;
    QString field;
    const char* hex;
};

class NameFieldAndHex : public ::testing::TestWithParam<NameCase> {};

TEST_P(NameFieldAndHex, DotsGoBlanksPadFieldIsCutAtElevenBytes)
{
    const NameCase& c = GetParam();
    const QString field = NameFieldOf(c.title);
    EXPECT_EQ(field, c.field);
    EXPECT_EQ(field.size(), 11);
    EXPECT_EQ(NameHexOf(field).toStdString(), c.hex);
}

INSTANTIATE_TEST_SUITE_P(
    Titles, NameFieldAndHex,
    ::testing::Values(
        NameCase{"ShortIsPadded", QStringLiteral("ABC.MOT"), QStringLiteral("ABCMOT     "), "4142434D4F542020202020"},
        NameCase{"EveryDotGoes", QStringLiteral("A.B.C.D.MOT"), QStringLiteral("ABCDMOT    "), "414243444D4F5420202020"},
        NameCase{"LongIsCut", QStringLiteral("PROGRAM_RELEASE_7.MOT"), QStringLiteral("PROGRAM_REL"),
                 "50524F4752414D5F52454C"},
        NameCase{"EmptyIsAllBlanks", QString(), QStringLiteral("           "), "2020202020202020202020"},
        NameCase{"HalfWidthKanaIsOneByte", QStringLiteral("ﾃｽﾄ.S"), QStringLiteral("ﾃｽﾄS       "),
                 "C3BDC45320202020202020"},
        // Eleven characters of two bytes each: only the first eleven bytes go to the unit,
        // which splits the sixth character.
        NameCase{"DoubleByteGivesItsFirstElevenBytes", QStringLiteral("試験用ファイル.MOT"),
                 QStringLiteral("試験用ファイルMOT "), "8E8E8CB197708374834083"},
        NameCase{"LowerCaseKeepsItsCodes", QStringLiteral("abc.mot"), QStringLiteral("abcmot     "),
                 "6162636D6F742020202020"}),
    [](const auto& info) { return info.param.name; });

TEST(NumberText, OneBlankBeforeZeroOrMoreMinusBeforeNegative)
{
    EXPECT_EQ(NumberText(12), QStringLiteral(" 12"));
    EXPECT_EQ(NumberText(0), QStringLiteral(" 0"));
    EXPECT_EQ(NumberText(-3), QStringLiteral("-3"));
    EXPECT_EQ(NumberText(std::numeric_limits<int32_t>::min()), QStringLiteral("-2147483648"));
}

TEST(Percent, WholePercentWithHalvesRoundedUp)
{
    EXPECT_EQ(PercentOf(32, 6400), 1);    // exactly 0.5 %
    EXPECT_EQ(PercentOf(32, 6401), 0);    // just under
    EXPECT_EQ(PercentOf(64, 128), 50);
    EXPECT_EQ(PercentOf(6336, 6400), 99);
    EXPECT_EQ(PercentOf(6368, 6400), 100); // 99.5 % already reads 100
    EXPECT_EQ(PercentOf(0x7FFE0, 0x7FFFF), 100);
    EXPECT_EQ(PercentOf(0x40000, 0x7FFFF), 50);
}

} // namespace
