// Files that do not load: each kind of fault, the line it is reported on, and what the image
// holds afterwards.
#include "ImageFixture.h"
#include "support/SRecordText.h"

namespace {

const std::string kGood = SRecord(1, 0x0, {1, 2, 3}) + "\n";

// The same record with its last checksum digit changed.
std::string WrongChecksum(std::string record)
{
    record.back() = record.back() == '0' ? '1' : '0';
    return record;
}

std::string Replaced(std::string record, size_t at, char c)
{
    record[at] = c;
    return record;
}

std::string Without(std::string record, size_t at)
{
    record.erase(at, 1);
    return record;
}

struct FaultCase {
    const char* name;
    std::string text;
    int16_t result;
    int32_t line;
};

const std::string kRecord = SRecord(1, 0x10, {0xA0, 0xA1, 0xA2, 0xA3}); // S1 07 0010 A0..A3 cs
const std::string kLongest = SRecord(1, 0x200, std::vector<uint8_t>(252, 0x11));

std::string BinaryFile()
{
    std::string bytes = {'\x7f', 'E', 'L', 'F', '\x02', '\x01', '\x01', '\0'};
    for (int i = 0; i < 248; ++i)
        bytes += static_cast<char>(i);
    return bytes;
}

const FaultCase kFaultCases[] = {
    {"ChecksumWrongOnLine3", kGood + kGood + WrongChecksum(kRecord) + "\n", IMAGEBUF_BAD_CHECKSUM, 3},
    {"NotStartingWithS", kGood + "X" + kRecord.substr(1) + "\n", IMAGEBUF_NOT_A_RECORD, 2},
    {"LowerCaseS", kGood + "s" + kRecord.substr(1) + "\n", IMAGEBUF_NOT_A_RECORD, 2},
    {"LeadingBlank", " " + kRecord + "\n", IMAGEBUF_NOT_A_RECORD, 1},
    {"LineOfSpaces", kGood + "   \n" + kGood, IMAGEBUF_NOT_A_RECORD, 2},
    {"BinaryFile", BinaryFile(), IMAGEBUF_NOT_A_RECORD, 1},
    {"TypeS4", kGood + "S4" + kRecord.substr(2) + "\n", IMAGEBUF_UNKNOWN_TYPE, 2},
    {"TypeMissing", kGood + "S\n", IMAGEBUF_UNKNOWN_TYPE, 2},
    {"TypeNotADigit", "SA" + kRecord.substr(2) + "\n", IMAGEBUF_UNKNOWN_TYPE, 1},
    {"OneCharacterOverLongest", kGood + kLongest + "0\n", IMAGEBUF_LINE_TOO_LONG, 2},
    {"MegabyteLine", kGood + "S1" + std::string(1 << 20, '0') + "\n" + kGood,
     IMAGEBUF_LINE_TOO_LONG, 2},
    {"NonHexDigit", kGood + Replaced(kRecord, 10, 'G') + "\n", IMAGEBUF_BAD_HEX_DIGIT, 2},
    {"NulInRecord", kGood + Replaced(kRecord, 10, '\0') + "\n", IMAGEBUF_BAD_HEX_DIGIT, 2},
    {"DoubledCarriageReturn", kRecord + "\r\r\n", IMAGEBUF_BAD_HEX_DIGIT, 1},
    {"BlankAfterRecord", kRecord + " \n", IMAGEBUF_BAD_HEX_DIGIT, 1},
    {"OddDigitCount", kGood + Without(kRecord, 10) + "\n", IMAGEBUF_ODD_DIGIT_COUNT, 2},
    {"CountTooHigh", Replaced(kRecord, 3, '8') + "\n", IMAGEBUF_COUNT_MISMATCH, 1},
    {"CountTooLow", Replaced(kRecord, 3, '6') + "\n", IMAGEBUF_COUNT_MISMATCH, 1},
    {"CountMissing", kGood + "S1\n", IMAGEBUF_COUNT_MISMATCH, 2},
    {"TruncatedLastRecord", kGood + kRecord.substr(0, 12), IMAGEBUF_COUNT_MISMATCH, 2},
    {"TruncatedMidDigit", kGood + kRecord.substr(0, 11), IMAGEBUF_ODD_DIGIT_COUNT, 2},
    {"S1TooShortForAddress", "S10200FD\n", IMAGEBUF_TOO_SHORT_FOR_TYPE, 1},
    {"S3TooShortForAddress", "S304000000FB\n", IMAGEBUF_TOO_SHORT_FOR_TYPE, 1},
    {"S2AtImageEnd", kGood + SRecord(2, 0x80000, {1}) + "\n", IMAGEBUF_BEYOND_IMAGE, 2},
    {"S2AcrossImageEnd", SRecord(2, 0x7FFFF, {1, 2}) + "\n", IMAGEBUF_BEYOND_IMAGE, 1},
    {"S3JustBeyond", SRecord(3, 0x00080000, {1}) + "\n", IMAGEBUF_BEYOND_IMAGE, 1},
    {"S3WrappingAddress", SRecord(3, 0xFFFFFFF0, std::vector<uint8_t>(32, 7)) + "\n",
     IMAGEBUF_BEYOND_IMAGE, 1},
    {"ChecksumCheckedBeforeBounds", WrongChecksum(SRecord(2, 0x80000, {1})) + "\n",
     IMAGEBUF_BAD_CHECKSUM, 1},
    {"FirstFaultWinsChecksumFirst", kGood + WrongChecksum(kRecord) + "\n" + kGood + "X\n",
     IMAGEBUF_BAD_CHECKSUM, 2},
    {"FirstFaultWinsDataFirst", kGood + "X\n" + WrongChecksum(kRecord) + "\n",
     IMAGEBUF_NOT_A_RECORD, 2},
    {"BlankLinesCounted", "\n\r\n\n" + WrongChecksum(kRecord), IMAGEBUF_BAD_CHECKSUM, 4},
    {"TerminatorWithWrongChecksum", kGood + WrongChecksum(SRecord(9, 0)) + "\n",
     IMAGEBUF_BAD_CHECKSUM, 2},
};

class FillBufFaults : public ImageFixture, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(FillBufFaults, ReportsTheFaultAndItsLine)
{
    const FaultCase& c = GetParam();
    const Loaded loaded = Load(c.text);
    EXPECT_EQ(loaded.result, c.result);
    EXPECT_EQ(loaded.errorLine, c.line);
}

INSTANTIATE_TEST_SUITE_P(Files, FillBufFaults, ::testing::ValuesIn(kFaultCases),
                         [](const auto& info) { return std::string(info.param.name); });

class FillBufFault : public ImageFixture {};

TEST_F(FillBufFault, KeepsEarlierRecordsAndReadsNoFurther)
{
    const std::string text = SRecord(2, 0x1000, {1, 2, 3, 4}) + "\n" +
                             SRecord(2, 0x7FFF0, std::vector<uint8_t>(17, 9)) + "\n" +
                             SRecord(2, 0x2000, {5}) + "\n";

    EXPECT_EQ(Load(text), (Loaded{IMAGEBUF_BEYOND_IMAGE, 0x1003, 2}));
    EXPECT_EQ(FirstDifference(Image(), ExpectedImage({{0x1000, {1, 2, 3, 4}}})), -1);
}

} // namespace
