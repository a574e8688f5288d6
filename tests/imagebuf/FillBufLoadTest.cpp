// Files that load: every record type of S-records and Intel HEX, ELF segments, the line ends,
// the address range and the image layout.
#include "ElfBytes.h"
#include "HexRecordText.h"
#include "ImageFixture.h"
#include "support/SRecordText.h"

#include <cctype>

namespace {

const std::vector<uint8_t> kThree = {0x12, 0x34, 0x56};
const std::vector<uint8_t> kFour = {0xDE, 0xAD, 0xBE, 0xEF};

std::string Lines(const std::vector<std::string>& lines, const std::string& end = "\n")
{
    std::string text;
    for (const std::string& line : lines)
        text += line + end;
    return text;
}

std::string LowerCase(std::string text)
{
    for (char& c : text)
        if (c != 'S')
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::vector<uint8_t> Counting(size_t size)
{
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<uint8_t>(i * 7);
    return bytes;
}

struct LoadCase {
    const char* name;
    std::string text;
    std::vector<Placed> placed;
    int32_t dataEnd;
};

const std::string kHeaderDataEnd =
    Lines({SRecord(0, 0, {'h', 'd', 'r'}), SRecord(1, 0x1234, kThree), SRecord(9, 0)});

const LoadCase kLoadCases[] = {
    {"S0HeaderS1DataS9End", kHeaderDataEnd, {{0x1234, kThree}}, 0x1236},
    {"S2DataS8End", Lines({SRecord(2, 0x45678, kFour), SRecord(8, 0x45678)}),
     {{0x45678, kFour}}, 0x4567B},
    {"S3DataS7End", Lines({SRecord(3, 0x7FF00, kFour), SRecord(7, 0)}), {{0x7FF00, kFour}},
     0x7FF03},
    {"S5AndS6CountsAcceptedUnchecked",
     Lines({SRecord(1, 0x10, kThree), SRecord(5, 99), SRecord(6, 0x123456), SRecord(9, 0)}),
     {{0x10, kThree}}, 0x12},
    {"CrLfLineEnds", Lines({SRecord(1, 0x1234, kThree), SRecord(9, 0)}, "\r\n"),
     {{0x1234, kThree}}, 0x1236},
    {"LastLineWithoutLineEnd", SRecord(1, 0x20, kThree) + "\n" + SRecord(1, 0x30, kFour),
     {{0x20, kThree}, {0x30, kFour}}, 0x33},
    {"LastLineEndsInCrOnly", SRecord(1, 0x30, kFour) + "\r", {{0x30, kFour}}, 0x33},
    {"MixedLineEnds",
     SRecord(1, 0x20, kThree) + "\r\n" + SRecord(1, 0x30, kFour) + "\n" + SRecord(9, 0) + "\r\n",
     {{0x20, kThree}, {0x30, kFour}}, 0x33},
    {"LowerCaseHex", LowerCase(Lines({SRecord(2, 0x3BCDE, kFour), SRecord(8, 0xFEDCBA)})),
     {{0x3BCDE, kFour}}, 0x3BCE1},
    {"BlankLinesSkipped", "\n" + SRecord(1, 0x40, kThree) + "\n\r\n\n" + SRecord(1, 0x50, kFour),
     {{0x40, kThree}, {0x50, kFour}}, 0x53},
    {"NoTerminator", Lines({SRecord(1, 0x10, kThree)}), {{0x10, kThree}}, 0x12},
    {"TerminatorEndsFile",
     Lines({SRecord(1, 0x10, kThree), SRecord(9, 0), "not a record", SRecord(1, 0x90, kFour)}),
     {{0x10, kThree}}, 0x12},
    {"LastByteOfImage", Lines({SRecord(2, 0x7FFFE, {1, 2})}), {{0x7FFFE, {1, 2}}}, 0x7FFFF},
    {"S3AddressAtLastByte", Lines({SRecord(3, 0x0007FFFF, {0xAA})}), {{0x7FFFF, {0xAA}}},
     0x7FFFF},
    {"EmptyDataRecordFarBeyondImage", Lines({SRecord(3, 0xFFFFFFFF)}), {}, 0},
    {"EmptyFile", "", {}, 0},
    {"OnlyBlankLines", "\n\r\n\n", {}, 0},
    {"HighestAddressNotLast", Lines({SRecord(2, 0x30000, kFour), SRecord(1, 0x10, kThree)}),
     {{0x30000, kFour}, {0x10, kThree}}, 0x30003},
    {"GapsStayBlank", Lines({SRecord(1, 0x0, {1}), SRecord(1, 0x10, {2}), SRecord(2, 0x20000, {3})}),
     {{0x0, {1}}, {0x10, {2}}, {0x20000, {3}}}, 0x20000},
    {"OverlapLaterWins", Lines({SRecord(1, 0x100, {1, 2, 3, 4}), SRecord(1, 0x102, {9, 9, 9})}),
     {{0x100, {1, 2, 9, 9, 9}}}, 0x104},
    {"LongestRecord", Lines({SRecord(1, 0x200, Counting(252))}), {{0x200, Counting(252)}},
     0x2FB},

    // Intel HEX: told from S-records by its first character.
    {"HexDataAndEndOfFile", Lines({HexRecord(0x00, 0x1234, kThree), kHexEndOfFile}),
     {{0x1234, kThree}}, 0x1236},
    {"HexLowerCaseCrLf", LowerCase(Lines({HexRecord(0x00, 0xBCDE, kFour), kHexEndOfFile}, "\r\n")),
     {{0xBCDE, kFour}}, 0xBCE1},
    {"HexBlankLinesBeforeFirstRecord", "\n\r\n" + Lines({HexRecord(0x00, 0x10, kThree)}),
     {{0x10, kThree}}, 0x12},
    {"HexLinearBaseDataRunsOnAcross64K",
     Lines({HexLinearBase(0x0001), HexRecord(0x00, 0xFFFE, kFour)}), {{0x1FFFE, kFour}}, 0x20001},
    {"HexSegmentBaseDataWrapsInItsSegment",
     Lines({HexSegmentBase(0x1000), HexRecord(0x00, 0xFFFE, kFour)}),
     {{0x1FFFE, {0xDE, 0xAD}}, {0x10000, {0xBE, 0xEF}}}, 0x1FFFF},
    {"HexSegmentBaseNotOnA64KBoundary",
     Lines({HexSegmentBase(0x1234), HexRecord(0x00, 0x0010, kThree)}), {{0x12350, kThree}}, 0x12352},
    {"HexLinearBaseAfterSegmentBase",
     Lines({HexSegmentBase(0x1000), HexLinearBase(0x0002), HexRecord(0x00, 0xFFFF, {1, 2})}),
     {{0x2FFFF, {1, 2}}}, 0x30000},
    {"HexStartAddressesReadPast",
     Lines({HexRecord(0x03, 0, {0, 0, 1, 0}), HexRecord(0x05, 0, {0, 0, 0, 0x40}),
            HexRecord(0x00, 0x40, kThree), kHexEndOfFile}),
     {{0x40, kThree}}, 0x42},
    {"HexEndOfFileEndsFile",
     Lines({HexRecord(0x00, 0x10, kThree), kHexEndOfFile, HexRecord(0x00, 0x90, kFour), "junk"}),
     {{0x10, kThree}}, 0x12},
    {"HexNoEndOfFile", Lines({HexRecord(0x00, 0x10, kThree)}), {{0x10, kThree}}, 0x12},
    {"HexLastByteOfImage", Lines({HexLinearBase(0x0007), HexRecord(0x00, 0xFFFF, {0xAA})}),
     {{0x7FFFF, {0xAA}}}, 0x7FFFF},
    {"HexEmptyDataRecordFarBeyondImage", Lines({HexLinearBase(0xFFFF), HexRecord(0x00, 0xFFFF)}),
     {}, 0},
    {"HexLongestRecord", Lines({HexRecord(0x00, 0x200, Counting(255))}), {{0x200, Counting(255)}},
     0x2FE},

    // ELF: each loadable segment's file bytes at its physical address.
    {"ElfBigEndianSegments",
     ElfBytes({.segments = {{.paddr = 0x0, .bytes = kFour}, {.paddr = 0x4567C, .bytes = kThree}}}),
     {{0x0, kFour}, {0x4567C, kThree}}, 0x4567E},
    {"ElfLittleEndian", ElfBytes({.bigEndian = false, .segments = {{.paddr = 0x7FFFC, .bytes = kFour}}}),
     {{0x7FFFC, kFour}}, 0x7FFFF},
    {"ElfMemoryBeyondFileBytesLoadsNothing",
     ElfBytes({.segments = {{.paddr = 0x100, .bytes = kThree, .memSize = 0x80000}}}),
     {{0x100, kThree}}, 0x102},
    {"ElfSegmentsWithoutFileBytesOrNotLoadablePassedOver",
     ElfBytes({.segments = {{.paddr = 0x3FFFFF00, .memSize = 4},
                            {.type = PT_NOTE, .paddr = 0x3FFFFF00, .bytes = kFour},
                            {.paddr = 0x20, .bytes = kThree}}}),
     {{0x20, kThree}}, 0x22},
    {"ElfWithoutLoadedBytes", ElfBytes({.segments = {{.paddr = 0x100, .memSize = 0x100}}}), {}, 0},
    // The H8 family's machines from first to last, as SH's.
    {"ElfForH8_300", ElfBytes({.machine = EM_H8_300, .segments = {{.paddr = 0x20, .bytes = kThree}}}),
     {{0x20, kThree}}, 0x22},
    {"ElfForH8_500", ElfBytes({.machine = EM_H8_500, .segments = {{.paddr = 0x20, .bytes = kThree}}}),
     {{0x20, kThree}}, 0x22},
};

class FillBufLoads : public ImageFixture, public ::testing::WithParamInterface<LoadCase> {};

TEST_P(FillBufLoads, FillsTheImageAndReportsTheDataEnd)
{
    const LoadCase& c = GetParam();
    EXPECT_EQ(Load(c.text), (Loaded{IMAGEBUF_LOADED, c.dataEnd, 0}));
    EXPECT_EQ(FirstDifference(Image(), ExpectedImage(c.placed)), -1);
}

INSTANTIATE_TEST_SUITE_P(Files, FillBufLoads, ::testing::ValuesIn(kLoadCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
