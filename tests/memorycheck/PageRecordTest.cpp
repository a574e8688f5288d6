#include "RecordReply.h"
#include "main/PageRecord.h"
#include "shared/Module1.h"

#include <QStringEncoder>

#include <gtest/gtest.h>

#include <cstring>

namespace {

// Puts a page-query reply for the record into RxBytes.
void putRecord(uint8_t status, uint8_t cpu, uint32_t clock, const QByteArray& name, uint32_t size)
{
    const QByteArray line = RecordReply(status, cpu, clock, name, size);
    Module1.RxBytes.fill(0);
    std::memcpy(Module1.RxBytes.data(), line.constData(), static_cast<size_t>(line.size()));
}

struct SizeCase {
    uint32_t bytes;
    const char* shown;
};

class SizeCaptions : public ::testing::TestWithParam<SizeCase> {};

TEST_P(SizeCaptions, RoundUpToWholeKibibytes)
{
    putRecord(1, 0, 16'000'000, "A.MOT", GetParam().bytes);
    EXPECT_EQ(CaptionsOf(DecodePageRecord(Module1.RxBytes)).size.toStdString(), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(Sizes, SizeCaptions,
                         ::testing::Values(SizeCase{0, "0"}, SizeCase{1, "1"}, SizeCase{1024, "1"}, SizeCase{1025, "2"},
                                           SizeCase{131072, "128"}, SizeCase{0xFFFFFFFFu, "4194304"}));

struct ClockCase {
    uint32_t hz;
    const char* shown;
};

class ClockCaptions : public ::testing::TestWithParam<ClockCase> {};

TEST_P(ClockCaptions, ShowMegahertzWithFourDecimals)
{
    putRecord(1, 0, GetParam().hz, "A.MOT", 10);
    EXPECT_EQ(CaptionsOf(DecodePageRecord(Module1.RxBytes)).clock.toStdString(), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(Clocks, ClockCaptions,
                         ::testing::Values(ClockCase{16'000'000, "16.0000"}, ClockCase{2'457'600, "2.4576"},
                                           ClockCase{9'830'400, "9.8304"}, ClockCase{0, "0.0000"},
                                           ClockCase{12'345'650, "12.3457"}, ClockCase{99'999'949, "99.9999"},
                                           // 2^31 and above read as unsigned, not negative
                                           ClockCase{0x80000000u, "2147.4836"}, ClockCase{0xFFFFFFFFu, "4294.9673"}));

TEST(PageRecord, OccupiedPageShowsCatalogueNameAndUntrimmedName)
{
    putRecord(1, 57, 16'000'000, "PROG.MOT", 2048);
    const PageCaptions c = CaptionsOf(DecodePageRecord(Module1.RxBytes));
    EXPECT_EQ(c.cpu.toStdString(), "2169YF"); // known to the catalogue though the list hides it
    EXPECT_EQ(c.name.toStdString(), "PROG.MOT    ");
    EXPECT_EQ(c.size.toStdString(), "2");
}

TEST(PageRecord, CodeWithoutANameShowsAnEmptyCpu)
{
    putRecord(1, 67, 16'000'000, "X", 1);
    EXPECT_TRUE(CaptionsOf(DecodePageRecord(Module1.RxBytes)).cpu.isEmpty());
}

TEST(PageRecord, ShiftJisNameIsDecoded)
{
    QStringEncoder sjis("Shift_JIS");
    const QByteArray name = sjis.encode(QStringLiteral("ﾃｽﾄ転送.MOT"));
    ASSERT_EQ(name.size(), 11);
    putRecord(1, 0, 16'000'000, name, 1);
    EXPECT_EQ(CaptionsOf(DecodePageRecord(Module1.RxBytes)).name, QStringLiteral("ﾃｽﾄ転送.MOT "));
}

TEST(PageRecord, AnyStatusOtherThanOneShowsTheDashTexts)
{
    for (uint8_t status : {0, 2, 0xFF}) {
        putRecord(status, 5, 16'000'000, "A.MOT", 100);
        const PageCaptions c = CaptionsOf(DecodePageRecord(Module1.RxBytes));
        EXPECT_EQ(c.cpu.toStdString(), "------");
        EXPECT_EQ(c.clock.toStdString(), "-------");
        EXPECT_EQ(c.name.toStdString(), "-----------");
        EXPECT_EQ(c.size.toStdString(), "----");
    }
}

} // namespace
