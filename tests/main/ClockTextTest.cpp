#include "main/ClockText.h"
#include "shared/Settings.h"

#include <gtest/gtest.h>

namespace {

struct ClockCase {
    const char* typed;
    const char* shown;
};

class ClockCommit : public ::testing::TestWithParam<ClockCase> {};

} // namespace

TEST_P(ClockCommit, ShowsTheLenientlyReadClock)
{
    EXPECT_EQ(FormatClock(ClockFromText(QString::fromUtf8(GetParam().typed))).toStdString(), GetParam().shown)
        << "typed: " << GetParam().typed;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ClockCommit,
    ::testing::Values(
        ClockCase{"12.5", "12.5000"}, ClockCase{"-5", "5.0000"}, ClockCase{"MHz", "0.0000"},
        ClockCase{"", "0.0000"}, ClockCase{"150", "99.9999"}, ClockCase{"12,5", "12.0000"},
        ClockCase{"1e1", "10.0000"}, ClockCase{"1 2.5", "12.5000"}, ClockCase{"12.345678", "12.3457"},
        // Blanks, tabs and line feeds vanish wherever they stand, signs and exponents included.
        ClockCase{" \t1\n6 ", "16.0000"}, ClockCase{"- 5", "5.0000"}, ClockCase{"1 e 1", "10.0000"},
        // A carriage return is no blank: it ends the number.
        ClockCase{"1\r6", "1.0000"},
        ClockCase{"+3", "3.0000"}, ClockCase{".5", "0.5000"}, ClockCase{"-.25", "0.2500"},
        ClockCase{"5.", "5.0000"}, ClockCase{".", "0.0000"}, ClockCase{"--5", "0.0000"},
        ClockCase{"1.2.3", "1.2000"}, ClockCase{"9.8304MHz", "9.8304"}, ClockCase{"2E-1", "0.2000"},
        ClockCase{"1D1", "10.0000"}, ClockCase{"1d+1", "10.0000"}, ClockCase{"1e", "1.0000"},
        ClockCase{"1e+", "1.0000"}, ClockCase{"1ex", "1.0000"}, ClockCase{"1e400", "99.9999"},
        ClockCase{"-1e400", "99.9999"}, ClockCase{"1e-400", "0.0000"}, ClockCase{"3.5e38", "99.9999"},
        ClockCase{"99.9999", "99.9999"}, ClockCase{"99.99995", "99.9999"}, ClockCase{"-0", "0.0000"},
        ClockCase{"0.00004", "0.0000"}, ClockCase{"0.00006", "0.0001"},
        ClockCase{"&H10", "16.0000"}, ClockCase{"&h1a", "26.0000"}, ClockCase{"&O17", "15.0000"},
        ClockCase{"&o19", "1.0000"}, ClockCase{"& H 1 0", "16.0000"}, ClockCase{"&HFFFF", "1.0000"},
        ClockCase{"&H8000", "99.9999"}, ClockCase{"&H", "0.0000"}, ClockCase{"&X1", "0.0000"},
        ClockCase{"&HFFFFFFFFF", "99.9999"}, ClockCase{"１６", "0.0000"}, ClockCase{"1６", "1.0000"}));

TEST(ClockText, KeepsTheSinglePrecisionValueNotTheShownText)
{
    const float mhz = ClockFromText("12.345678");
    EXPECT_EQ(mhz, 12.345678f);
    EXPECT_EQ(FormatClock(mhz), "12.3457");
    EXPECT_EQ(FormatSingle(mhz), "12.34568");
    EXPECT_EQ(ClockFromText("150"), 99.9999f);
}

TEST(ClockText, ReadsHexAndOctalAsSixteenThenThirtyTwoBitIntegers)
{
    EXPECT_EQ(ReadLeadingNumber("&HFFFF"), -1);
    EXPECT_EQ(ReadLeadingNumber("&H8000"), -32768);
    EXPECT_EQ(ReadLeadingNumber("&H10000"), 65536);
    EXPECT_EQ(ReadLeadingNumber("&HFFFFFFFF"), -1);
    EXPECT_EQ(ReadLeadingNumber("&O177777"), -1);
    EXPECT_EQ(ReadLeadingNumber("-12.5e1x"), -125);
}
