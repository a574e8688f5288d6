// The English texts of the faults, for the command line and logs.
#include "imagebuf/FaultText.h"

#include <elf.h>

#include <cstdio>

namespace imagebuf {
namespace {

struct NamedValue {
    uint16_t value;
    const char* name;
};

// The machines an image for another target is most likely built for, by e_machine.
constexpr NamedValue kMachineNames[] = {
    {EM_SPARC, "SPARC"},     {EM_386, "x86"},          {EM_68K, "68000"},
    {EM_MIPS, "MIPS"},       {EM_PPC, "PowerPC"},      {EM_PPC64, "PowerPC64"},
    {EM_V850, "V850"},       {EM_ARM, "ARM"},          {EM_M32R, "M32R"},
    {EM_X86_64, "x86-64"},   {EM_AVR, "AVR"},          {EM_XTENSA, "Xtensa"},
    {EM_MSP430, "MSP430"},   {EM_RX, "RX"},            {EM_AARCH64, "AArch64"},
    {EM_RL78, "RL78"},       {EM_RISCV, "RISC-V"},
};

// The types of ELF file that are not programs, by e_type.
constexpr NamedValue kTypeNames[] = {
    {ET_NONE, "no file type"}, {ET_REL, "relocatable object"}, {ET_DYN, "shared object"},
    {ET_CORE, "core dump"},
};

// "40 (ARM)", or the bare number for a value without a name.
template <size_t N>
std::string NumberAndName(uint16_t value, const NamedValue (&names)[N])
{
    for (const NamedValue& named : names)
        if (named.value == value)
            return std::to_string(value) + " (" + named.name + ")";
    return std::to_string(value);
}

} // namespace

std::string OtherMachineText(uint16_t machine)
{
    return "ELF for machine " + NumberAndName(machine, kMachineNames) +
           ", not SH or H8";
}

std::string NotExecutableText(uint16_t type)
{
    return "ELF of type " + NumberAndName(type, kTypeNames) + ", not an executable";
}

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
    case FaultReason::CannotOpen: return load.fault.text; // the system's words, or which check
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
    case FaultReason::OtherMachine:
    case FaultReason::NotExecutable: return load.fault.text;
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
