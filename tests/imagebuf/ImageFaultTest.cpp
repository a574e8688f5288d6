// Intel HEX and ELF files that do not load, and the fault that the C++ entry point tells for
// them: the class FillBuf returns, the line or segment, the reason and the one-line text.
#include "ElfBytes.h"
#include "HexRecordText.h"
#include "ImageFixture.h"
#include "support/SRecordText.h"

#include "imagebuf/ImageLoad.h"

namespace {

using imagebuf::FaultReason;

const std::string kData = HexRecord(0x00, 0x10, {0xA0, 0xA1, 0xA2, 0xA3}); // :04001000A0..A3cs

std::string Replaced(std::string record, size_t at, char c)
{
    record[at] = c;
    return record;
}

std::string WrongChecksum(std::string record)
{
    record.back() = record.back() == '0' ? '1' : '0';
    return record;
}

std::string WithCount(uint8_t count, std::string record)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    record[1] = kDigits[count >> 4];
    record[2] = kDigits[count & 15];
    // Mend the checksum so that only the count is wrong.
    unsigned sum = 0;
    for (size_t i = 1; i + 2 < record.size(); i += 2)
        sum += static_cast<unsigned>(std::stoi(record.substr(i, 2), nullptr, 16));
    const uint8_t checksum = static_cast<uint8_t>(-sum);
    record[record.size() - 2] = kDigits[checksum >> 4];
    record[record.size() - 1] = kDigits[checksum & 15];
    return record;
}

std::string Lines(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

const std::vector<uint8_t> kFour = {1, 2, 3, 4};

// The shape the default SH linker script gives a program: code, data, and a 4-byte stack
// section far outside the flash.
const ElfShape kWithStack = {.segments = {{.paddr = 0x0, .bytes = std::vector<uint8_t>(16, 9)},
                                          {.paddr = 0x90, .bytes = std::vector<uint8_t>(11, 8)},
                                          {.paddr = 0x3FFFFF00, .bytes = kFour}}};

std::string Cut(std::string bytes, size_t size)
{
    bytes.resize(size);
    return bytes;
}

struct FaultCase {
    const char* name;
    std::string bytes;
    int16_t result;
    int32_t line;
    FaultReason reason;
    const char* faultLine;
};

const FaultCase kFaultCases[] = {
    // Intel HEX, in the order the checks are made.
    {"HexLineWithoutColon", Lines({kData, "S1" + kData.substr(1)}), IMAGEBUF_NOT_A_RECORD, 2,
     FaultReason::NotARecord, "line 2: not a record: the line does not start with ':'"},
    {"HexRecordTooLong", Lines({kData, ":" + std::string(521, '0')}), IMAGEBUF_LINE_TOO_LONG, 2,
     FaultReason::RecordTooLong, "line 2: record too long"},
    {"HexBadHexDigit", Lines({Replaced(kData, 10, 'g')}), IMAGEBUF_BAD_HEX_DIGIT, 1,
     FaultReason::BadHexDigit, "line 1: bad hex digit"},
    {"HexBlankInRecord", Lines({Replaced(kData, 3, ' ')}), IMAGEBUF_BAD_HEX_DIGIT, 1,
     FaultReason::BadHexDigit, "line 1: bad hex digit"},
    {"HexOddDigitCount", Lines({kData.substr(0, kData.size() - 1)}), IMAGEBUF_ODD_DIGIT_COUNT, 1,
     FaultReason::OddDigitCount, "line 1: odd number of hex digits"},
    {"HexRecordTooShort", Lines({kData, ":00000001"}), IMAGEBUF_TOO_SHORT_FOR_TYPE, 2,
     FaultReason::RecordTooShort, "line 2: record too short"},
    {"HexColonAlone", ":\n", IMAGEBUF_TOO_SHORT_FOR_TYPE, 1, FaultReason::RecordTooShort,
     "line 1: record too short"},
    {"HexCountTooHigh", Lines({WithCount(5, kData)}), IMAGEBUF_COUNT_MISMATCH, 1,
     FaultReason::CountMismatch, "line 1: byte count does not match the record's length"},
    {"HexCountTooLow", Lines({WithCount(3, kData)}), IMAGEBUF_COUNT_MISMATCH, 1,
     FaultReason::CountMismatch, "line 1: byte count does not match the record's length"},
    {"HexBadChecksum", Lines({kData, kData, WrongChecksum(kData)}), IMAGEBUF_BAD_CHECKSUM, 3,
     FaultReason::BadChecksum, "line 3: bad checksum"},
    {"HexChecksumBeforeType", Lines({WrongChecksum(HexRecord(0x06, 0))}), IMAGEBUF_BAD_CHECKSUM, 1,
     FaultReason::BadChecksum, "line 1: bad checksum"},
    {"HexUnknownType", Lines({kData, HexRecord(0x06, 0)}), IMAGEBUF_UNKNOWN_TYPE, 2,
     FaultReason::UnknownType, "line 2: unknown record type"},
    {"HexEndOfFileWithData", Lines({HexRecord(0x01, 0, {0})}), IMAGEBUF_WRONG_SIZE_FOR_TYPE, 1,
     FaultReason::WrongSizeForType, "line 1: wrong data size for the record type"},
    {"HexLinearBaseOfThreeBytes", Lines({HexRecord(0x04, 0, {0, 1, 0})}),
     IMAGEBUF_WRONG_SIZE_FOR_TYPE, 1, FaultReason::WrongSizeForType,
     "line 1: wrong data size for the record type"},
    {"HexDataOutsideImage", Lines({kData, HexLinearBase(0x3FFF), HexRecord(0x00, 0xFF00, kFour)}),
     IMAGEBUF_BEYOND_IMAGE, 3, FaultReason::OutsideImage,
     "line 3: data at 0x3FFFFF00 lies outside the image (0x00000-0x7FFFF)"},
    {"HexDataAcrossImageEnd", Lines({HexLinearBase(0x0007), HexRecord(0x00, 0xFFFF, {1, 2})}),
     IMAGEBUF_BEYOND_IMAGE, 2, FaultReason::OutsideImage,
     "line 2: data at 0x80000 lies outside the image (0x00000-0x7FFFF)"},
    {"HexSegmentBeyondImage", Lines({HexSegmentBase(0x8000), HexRecord(0x00, 0, {1})}),
     IMAGEBUF_BEYOND_IMAGE, 2, FaultReason::OutsideImage,
     "line 2: data at 0x80000 lies outside the image (0x00000-0x7FFFF)"},
    {"HexLinearAddressDoesNotWrapPast4G",
     Lines({HexLinearBase(0xFFFF), HexRecord(0x00, 0xFFF0, std::vector<uint8_t>(32, 1))}),
     IMAGEBUF_BEYOND_IMAGE, 2, FaultReason::OutsideImage,
     "line 2: data at 0xFFFFFFF0 lies outside the image (0x00000-0x7FFFF)"},

    // ELF: faults of the file as a whole are reported on line 1, as for any file that is not
    // made of records.
    {"Elf64Bit", ElfBytes({.elfClass = ELFCLASS64, .segments = {{.bytes = kFour}}}),
     IMAGEBUF_NOT_A_RECORD, 1, FaultReason::NotElf32, "ELF header: not an ELF for a 32-bit target"},
    {"ElfHeaderCut", Cut(ElfBytes(kWithStack), 30), IMAGEBUF_NOT_A_RECORD, 1,
     FaultReason::NotReadableElf, "ELF header: not a readable ELF file"},
    {"ElfProgramHeaderTableCut", Cut(ElfBytes(kWithStack), 52 + 32 + 10), IMAGEBUF_NOT_A_RECORD,
     1, FaultReason::NotReadableElf, "ELF header: not a readable ELF file"},
    {"ElfNotLinked", ElfBytes({.type = ET_REL}), IMAGEBUF_NOT_A_RECORD, 1,
     FaultReason::NoProgramHeaders, "ELF header: no program headers (an object file, not linked)"},
    {"ElfForArm", ElfBytes({.bigEndian = false, .machine = EM_ARM, .segments = {{.bytes = kFour}}}),
     IMAGEBUF_NOT_FOR_THE_UNIT, 1, FaultReason::OtherMachine,
     "ELF header: ELF for machine 40 (ARM), not SH or H8"},
    {"ElfForTheMachineBelowH8", ElfBytes({.machine = EM_H8_300 - 1, .segments = {{.bytes = kFour}}}),
     IMAGEBUF_NOT_FOR_THE_UNIT, 1, FaultReason::OtherMachine, "ELF header: ELF for machine 45, not SH or H8"},
    {"ElfForTheMachineAboveH8", ElfBytes({.machine = EM_H8_500 + 1, .segments = {{.bytes = kFour}}}),
     IMAGEBUF_NOT_FOR_THE_UNIT, 1, FaultReason::OtherMachine, "ELF header: ELF for machine 50, not SH or H8"},
    {"ElfObjectForArmNamesTheMachine", ElfBytes({.type = ET_REL, .machine = EM_ARM}), IMAGEBUF_NOT_FOR_THE_UNIT,
     1, FaultReason::OtherMachine, "ELF header: ELF for machine 40 (ARM), not SH or H8"},
    {"ElfSharedObject", ElfBytes({.type = ET_DYN, .segments = {{.bytes = kFour}}}), IMAGEBUF_NOT_FOR_THE_UNIT, 1,
     FaultReason::NotExecutable, "ELF header: ELF of type 3 (shared object), not an executable"},
    {"ElfStackSectionOutsideImage", ElfBytes(kWithStack), IMAGEBUF_BEYOND_IMAGE, 3,
     FaultReason::OutsideImage,
     "segment 3: data at 0x3FFFFF00 lies outside the image (0x00000-0x7FFFF)"},
    {"ElfSegmentAcrossImageEnd",
     ElfBytes({.bigEndian = false, .segments = {{.paddr = 0x7FFF0, .bytes = std::vector<uint8_t>(17, 1)}}}),
     IMAGEBUF_BEYOND_IMAGE, 1, FaultReason::OutsideImage,
     "segment 1: data at 0x80000 lies outside the image (0x00000-0x7FFFF)"},
    {"ElfOverlappingSegments",
     ElfBytes({.segments = {{.paddr = 0x100, .bytes = kFour}, {.paddr = 0x103, .bytes = kFour}}}),
     IMAGEBUF_OVERLAPPING_SEGMENTS, 2, FaultReason::OverlappingSegments,
     "segment 2: overlapping segments"},
    {"ElfSegmentInsideAnEarlierOne",
     ElfBytes({.segments = {{.paddr = 0x0, .bytes = std::vector<uint8_t>(0x100, 1)},
                            {.paddr = 0x200, .bytes = kFour},
                            {.paddr = 0x80, .bytes = kFour}}}),
     IMAGEBUF_OVERLAPPING_SEGMENTS, 3, FaultReason::OverlappingSegments,
     "segment 3: overlapping segments"},
    {"ElfSegmentPastFileEnd",
     ElfBytes({.segments = {{.paddr = 0x0, .bytes = kFour}, {.paddr = 0x10, .bytes = kFour, .fileSize = 5}}}),
     IMAGEBUF_BAD_SEGMENT, 2, FaultReason::SegmentBeyondFile,
     "segment 2: segment's bytes lie past the end of the file"},
    {"ElfSegmentOffsetFarBeyondFile",
     ElfBytes({.segments = {{.paddr = 0x0, .bytes = kFour, .offset = 0xFFFFFFF0}}}),
     IMAGEBUF_BAD_SEGMENT, 1, FaultReason::SegmentBeyondFile,
     "segment 1: segment's bytes lie past the end of the file"},
    {"ElfMoreFileBytesThanMemory",
     ElfBytes({.segments = {{.paddr = 0x0, .bytes = kFour, .memSize = 2}}}), IMAGEBUF_BAD_SEGMENT,
     1, FaultReason::FileSizeOverMemSize, "segment 1: segment has more file bytes than memory bytes"},

    // S-records give the same reasons for the same faults.
    {"SRecordOutsideImage", Lines({SRecord(3, 0x3FFFFF00, kFour)}), IMAGEBUF_BEYOND_IMAGE, 1,
     FaultReason::OutsideImage, "line 1: data at 0x3FFFFF00 lies outside the image (0x00000-0x7FFFF)"},
    {"SRecordNotARecord", Lines({SRecord(1, 0, kFour), kData}), IMAGEBUF_NOT_A_RECORD, 2,
     FaultReason::NotARecord, "line 2: not a record: the line does not start with 'S'"},
};

class ImageFaults : public ImageFixture, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(ImageFaults, TellWhatAndWhereAndAgreeWithFillBuf)
{
    const FaultCase& c = GetParam();
    const std::string path = WriteFile(c.bytes);
    std::vector<uint8_t> image(IMAGEBUF_SIZE, IMAGEBUF_BLANK);
    const imagebuf::ImageLoad load = imagebuf::LoadImageFile(path.c_str(), image.data());

    EXPECT_EQ(load.result, c.result);
    EXPECT_EQ(load.errorLine, c.line);
    EXPECT_EQ(load.fault.reason, c.reason);
    EXPECT_EQ(imagebuf::FaultLine(load), c.faultLine);
    EXPECT_EQ(LoadPath(path), (Loaded{load.result, load.dataEnd, load.errorLine}));
    EXPECT_EQ(FirstDifference(Image(), image), -1);
}

INSTANTIATE_TEST_SUITE_P(Files, ImageFaults, ::testing::ValuesIn(kFaultCases),
                         [](const auto& info) { return std::string(info.param.name); });

class ImageFault : public ImageFixture {};

TEST_F(ImageFault, ElfKeepsEarlierSegmentsAndNamesTheFormat)
{
    const imagebuf::ImageLoad load =
        imagebuf::LoadImageFile(WriteFile(ElfBytes(kWithStack)).c_str(), ImageStart());
    EXPECT_EQ(imagebuf::FormatName(*load.format), std::string("elf"));
    EXPECT_EQ(load.fault.place, imagebuf::FaultPlace::Segment);
    EXPECT_EQ(load.fault.number, 3);
    EXPECT_EQ(load.fault.address, 0x3FFFFF00u);
    EXPECT_EQ(load.dataEnd, 0x9A);
}

TEST_F(ImageFault, MissingFileHasNoFormatAndSaysWhy)
{
    const imagebuf::ImageLoad load =
        imagebuf::LoadImageFile(dir_.filePath("missing.hex").toUtf8().constData(), ImageStart());
    EXPECT_EQ(load.result, IMAGEBUF_CANNOT_OPEN);
    EXPECT_FALSE(load.format.has_value());
    EXPECT_EQ(imagebuf::FaultLine(load), "cannot be opened: No such file or directory");
}

} // namespace
