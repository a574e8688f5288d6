#pragma once

// The image-buffer library's C++ entry point: loads an image file into the buffer like FillBuf
// (which is a thin wrapper over it) and tells besides the result which format was read and
// what and where the fault was, for a caller that shows more than "ERR 002 on line n".
//
// The format comes from the file's content, never its name:
// - ELF: the file starts with the ELF magic "\x7F" "ELF". Only 32-bit executables for SH or
//   the H8 family, either byte order.
//   Every PT_LOAD program header with file bytes places them at its physical address
//   (p_paddr); the rest of its memory size (.bss, a stack) loads nothing into flash, and
//   segments without file bytes are passed over, as are sections in no loadable segment.
// - Intel HEX: the first character that is not part of a line end is ':'.
// - Motorola S-records: everything else (including an empty file).
// imagebuf.h describes the record rules and the result codes.

#include "imagebuf/imagebuf.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace imagebuf {

enum class ImageFormat { SRecord, IntelHex, Elf };

// "srec", "ihex" or "elf".
const char* FormatName(ImageFormat format);

// What was wrong, finer than the result code: several reasons share a code.
enum class FaultReason {
    None,                // loaded
    CannotOpen,          // IMAGEBUF_CANNOT_OPEN
    BadChecksum,         // IMAGEBUF_BAD_CHECKSUM
    NotARecord,          // the line does not start with 'S' (S-records) or ':' (Intel HEX)
    UnknownType,         // IMAGEBUF_UNKNOWN_TYPE
    RecordTooLong,       // IMAGEBUF_LINE_TOO_LONG
    BadHexDigit,         // IMAGEBUF_BAD_HEX_DIGIT
    OddDigitCount,       // IMAGEBUF_ODD_DIGIT_COUNT
    CountMismatch,       // IMAGEBUF_COUNT_MISMATCH
    RecordTooShort,      // IMAGEBUF_TOO_SHORT_FOR_TYPE
    WrongSizeForType,    // IMAGEBUF_WRONG_SIZE_FOR_TYPE
    OutsideImage,        // IMAGEBUF_BEYOND_IMAGE, with the address
    NotReadableElf,      // ELF magic, but no ELF header that can be read (IMAGEBUF_NOT_A_RECORD)
    NotElf32,            // an ELF of another class than 32-bit (IMAGEBUF_NOT_A_RECORD)
    NoProgramHeaders,    // an ELF that was not linked: no program headers (IMAGEBUF_NOT_A_RECORD)
    SegmentBeyondFile,   // a segment's file bytes lie past the file's end (IMAGEBUF_BAD_SEGMENT)
    FileSizeOverMemSize, // a segment has more file bytes than memory bytes (IMAGEBUF_BAD_SEGMENT)
    OverlappingSegments, // IMAGEBUF_OVERLAPPING_SEGMENTS
    OtherMachine,        // an ELF for another machine than SH or H8 (IMAGEBUF_NOT_FOR_THE_UNIT)
    NotExecutable,       // an ELF of another type than ET_EXEC (IMAGEBUF_NOT_FOR_THE_UNIT)
};

// What the fault's number counts.
enum class FaultPlace {
    None,    // loaded, or the file cannot be opened
    Line,    // a physical line of a text file, from 1
    Segment, // an ELF program header, from 1 in the order of the program header table
    Header,  // the ELF file as a whole (its header, its program header table)
};

struct ImageFault {
    FaultReason reason = FaultReason::None;
    FaultPlace place = FaultPlace::None;
    // The line or segment, from 1; 0 with FaultPlace::None or FaultPlace::Header.
    int32_t number = 0;
    // With FaultReason::OutsideImage: the lowest address of the record or segment that lies
    // outside the image.
    std::optional<uint32_t> address;
    // The reason in English: "bad checksum", "data at 0x3FFFFF00 lies outside the image
    // (0x00000-0x7FFFF)", "overlapping segments", ...
    std::string text;
};

struct ImageLoad {
    // The format read; none when the file cannot be opened.
    std::optional<ImageFormat> format;
    // Exactly what FillBuf returns and reports for the same file.
    int16_t result = IMAGEBUF_CANNOT_OPEN;
    int32_t dataEnd = 0;
    int32_t errorLine = 0;
    ImageFault fault;
    // The SHA-256 of the file as this load read it, in 64 lower-case hex digits: the bytes the
    // image came from, whether it loaded or not. None when the file could not be opened or read.
    std::optional<std::string> fileSha256;

    bool Loaded() const { return result == IMAGEBUF_LOADED; }
};

// A whole image of the longest text records is under 10 MB; most files fit one read of this size.
inline constexpr size_t kReadChunk = size_t{4} << 20;

// Loads the image file at `path` into `image` (IMAGEBUF_SIZE bytes) as FillBuf does. Text
// files are read in pieces of `chunkSize` bytes (at least kSmallestReadChunk, TextImageFile.h);
// the result does not depend on it, tests and the fuzz targets use small ones to reach the
// piece boundaries.
ImageLoad LoadImageFile(const char* path, uint8_t* image, size_t chunkSize = kReadChunk);

// The fault as one line: "line 4: bad checksum", "segment 3: data at 0x3FFFFF00 lies outside
// the image (0x00000-0x7FFFF)", "ELF header: not an ELF for a 32-bit target", "cannot be
// opened: No such file or directory", "ELF header: ELF for machine 40 (ARM), not SH or H8";
// empty when the file loaded.
std::string FaultLine(const ImageLoad& load);

} // namespace imagebuf
