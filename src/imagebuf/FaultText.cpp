// The English texts of the faults, for the command line and logs.
#include "imagebuf/FaultText.h"

#include <cstdio>

namespace imagebuf {

const char* FormatName(ImageFormat format)
{
    switch (format) {
    case ImageFormat::SRecord: return "srec";
    case ImageFormat::IntelHex: return "ihex";
    case ImageFormat::Elf: return "elf";
    }
    return "";
}

std::string ReasonText(const ImageLoad& load)
{
    switch (load.fault.reason) {
    case FaultReason::None: return "";
    case FaultReason::CannotOpen: return load.fault.text;
    case FaultReason::BadChecksum: return "bad checksum";
    case FaultReason::NotARecord:
        return load.format == ImageFormat::IntelHex ? "not a record: the line does not start with ':'"
                                                    : "not a record: the line does not start with 'S'";
    case FaultReason::UnknownType: return "unknown record type";
    case FaultReason::RecordTooLong: return "record too long";
    case FaultReason::BadHexDigit: return "bad hex digit";
    case FaultReason::OddDigitCount: return "odd number of hex digits";
    case FaultReason::CountMismatch: return "byte count does not match the record's length";
    case FaultReason::RecordTooShort: return "record too short";
    case FaultReason::WrongSizeForType: return "wrong data size for the record type";
    case FaultReason::OutsideImage: {
        char text[96];
        std::snprintf(text, sizeof text, "data at 0x%X lies outside the image (0x00000-0x%05X)",
                      load.fault.address.value_or(0), IMAGEBUF_SIZE - 1);
        return text;
    }
    case FaultReason::NotReadableElf: return "not a readable ELF file";
    case FaultReason::NotElf32: return "not an ELF for a 32-bit target";
    case FaultReason::NoProgramHeaders: return "no program headers (an object file, not linked)";
    case FaultReason::SegmentBeyondFile: return "segment's bytes lie past the end of the file";
    case FaultReason::FileSizeOverMemSize: return "segment has more file bytes than memory bytes";
    case FaultReason::OverlappingSegments: return "overlapping segments";
    }
    return "";
}

std::string FaultLine(const ImageLoad& load)
{
    switch (load.fault.place) {
    case FaultPlace::Line: return "line " + std::to_string(load.fault.number) + ": " + load.fault.text;
    case FaultPlace::Segment:
        return "segment " + std::to_string(load.fault.number) + ": " + load.fault.text;
    case FaultPlace::Header: return "ELF header: " + load.fault.text;
    case FaultPlace::None: break;
    }
    return load.fault.text;
}

} // namespace imagebuf
