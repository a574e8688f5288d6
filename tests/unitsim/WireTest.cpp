#include "unitsim/Garble.h"
#include "unitsim/Wire.h"

#include "HostBytes.h"

#include <gtest/gtest.h>

using namespace unitsim;

namespace {

std::string Bare(std::string line) // without CR LF
{
    return line.substr(0, line.size() - 2);
}

TEST(Wire, ParseCommandLine_takesWellFormedLinesApart)
{
    const auto speed = wire::ParseCommandLine("CC02807D");
    ASSERT_TRUE(speed);
    EXPECT_EQ(speed->code, 'C');
    EXPECT_EQ(speed->counted, (std::vector<uint8_t>{0x02, 0x80}));

    const auto header = wire::ParseCommandLine(Bare(hostbytes::StoreHeader(0, 5, 20000000, "ABCMOT     ")));
    ASSERT_TRUE(header);
    EXPECT_EQ(header->code, '0');
    ASSERT_EQ(header->counted.size(), 18u);
    EXPECT_EQ(header->Payload()[1], 5);
}

TEST(Wire, ParseCommandLine_refusesMalformedLines)
{
    const char* bad[] = {
        "C90200FE",  // checksum one off
        "C90300FC",  // count says 3, only 2 counted bytes follow
        "CC02807d",  // lower-case hex
        "CC02807",   // odd number of digits
        "CC",        // nothing behind the code
        "X90200FD",  // no lead
        "C902 0FD",  // not hex
    };
    for (const char* line : bad)
        EXPECT_FALSE(wire::ParseCommandLine(line)) << line;
}

TEST(Wire, RecordReply_ofEmptyPageIsZerosAndFF)
{
    EXPECT_EQ(wire::RecordReply(PageRecord{}, false), std::string(44, '0') + "FF\r\n");
    EXPECT_EQ(wire::RecordReply(PageRecord{}, true), std::string(44, '0') + "00\r\n");
}

TEST(Wire, BlockChecksum_invertsTheByteSum)
{
    EXPECT_EQ(wire::BlockChecksum(std::vector<uint8_t>(32, 0x00)), 0xFF);
    EXPECT_EQ(wire::BlockChecksum(std::vector<uint8_t>(32, 0xFF)), 0x1F);
}

TEST(Garble, neverYieldsAsciiOrAShiftJisLeadByte)
{
    GarbageSource noise;
    std::vector<uint8_t> produced = noise.Next(1000);
    for (int b = 0; b < 256; ++b)
        produced.push_back(Garble(static_cast<uint8_t>(b)));
    for (uint8_t b : produced) {
        EXPECT_GE(b, 0x80) << int(b);
        EXPECT_FALSE((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC)) << int(b);
    }
}

} // namespace
