#pragma once

// The image-buffer library: turns an image file as toolchains write it (Motorola S-records,
// Intel HEX or a 32-bit ELF program, told apart by content, see ImageLoad.h) into a flash
// image in a buffer the caller owns. The host clears its image buffer with ClrBuf and lets
// FillBuf fill it, once per transfer run. Plain C linkage, no state kept between calls, safe to
// call from any thread on distinct buffers. ImageLoad.h is the C++ entry point that also tells
// the format and what the fault was.
//
// S-record files:
// - Records S0 (header, read past), S1/S2/S3 (data at a 16/24/32-bit address), S5/S6 (record
//   counts, accepted and not compared) and S7/S8/S9 (terminators). Hex digits may be upper or
//   lower case; the leading "S" must be upper case.
// - A terminator ends the file: whatever follows it is not loaded. A file without a terminator
//   loads up to its last line.
// Intel HEX files:
// - Records 00 (data), 01 (end of file), 02 (extended segment address: data wraps within its
//   64 KB segment), 03 (start segment address, read past), 04 (extended linear address: data
//   runs on across 64 KB) and 05 (start linear address, read past). Hex digits in either case.
// - The end of file record ends the file: data records after it are not loaded. A file without
//   one loads up to its last line.
// Both text formats:
// - Lines end in LF or CR LF; the last line may have no line end. A blank line (nothing before
//   its line end) is skipped; a line holding anything else, spaces included, must be a record.
// - Later records overwrite earlier ones where they overlap; bytes no record fills keep the
//   value ClrBuf gave them.
// ELF files: see ImageLoad.h and ElfImage.h; the "line" of a fault is the number of the
// segment at fault, from 1, in the order of the program header table (1 for a fault of the
// file as a whole). Only executables for SH or the H8 family load. Segments may not overlap.
// Only regular files are read; a directory, a device or a pipe cannot be opened, and is
// refused at once: nothing waits for a pipe's writer or reads a device without end.
// The whole file is read once, bytes after an end record or a fault included (they are not
// loaded), so that ImageLoad's digest covers exactly the bytes the image came from.
//
// The image covers addresses 0 to IMAGEBUF_SIZE - 1. Data with any byte at IMAGEBUF_SIZE or
// beyond is a data fault (an address that would wrap past 0xFFFFFFFF included), so nothing is
// ever written outside the buffer and the reported data end always lies inside it.

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

enum {
    IMAGEBUF_SIZE = 0x80000, // bytes of the image buffer FillBuf fills
    IMAGEBUF_BLANK = 0xFF    // erased flash: the value ClrBuf writes
};

// FillBuf results. Data faults are 2 or more; each kind has its own code so that a test or a
// developer can tell them apart, the host only shows "data fault on line n".
// An S-record line is checked in the order of the codes 2 to 8, then its checksum (1), then
// the image bounds (9). An Intel HEX line: the ':' (2), the length (4), the hex digits (5, 6),
// the five bytes every record has (8), the count (7), the checksum (1), the type (3) and its
// data size (10), then the image bounds (9). The first check that fails gives the result.
enum {
    IMAGEBUF_CANNOT_OPEN = -1,        // missing, unreadable, or not a regular file
    IMAGEBUF_LOADED = 0,
    IMAGEBUF_BAD_CHECKSUM = 1,        // the record's checksum byte does not match
    IMAGEBUF_NOT_A_RECORD = 2,        // the line does not start with "S" (":" in Intel HEX);
                                      // an ELF file that is unreadable, not 32-bit or not linked
    IMAGEBUF_UNKNOWN_TYPE = 3,        // S: no type digit, or S4, or a non-digit after the "S";
                                      // HEX: a type above 05
    IMAGEBUF_LINE_TOO_LONG = 4,       // longer than any record can be (514 characters, 521 HEX)
    IMAGEBUF_BAD_HEX_DIGIT = 5,       // a character after the type digit (":") is not a hex digit
    IMAGEBUF_ODD_DIGIT_COUNT = 6,     // the hex digits do not form whole bytes
    IMAGEBUF_COUNT_MISMATCH = 7,      // no count byte, or it differs from the bytes that follow
    IMAGEBUF_TOO_SHORT_FOR_TYPE = 8,  // fewer bytes than the address field and checksum need
                                      // (HEX: than count, offset, type and checksum)
    IMAGEBUF_BEYOND_IMAGE = 9,        // a data byte at IMAGEBUF_SIZE or beyond
    IMAGEBUF_WRONG_SIZE_FOR_TYPE = 10, // HEX: a 01 to 05 record with another data size than its
                                       // type has (0, 2, 4, 2, 4)
    IMAGEBUF_BAD_SEGMENT = 11,         // ELF: a segment's file bytes lie past the file's end or
                                       // outnumber its memory bytes
    IMAGEBUF_OVERLAPPING_SEGMENTS = 12, // ELF: a segment shares addresses with an earlier one
    IMAGEBUF_NOT_FOR_THE_UNIT = 13      // ELF: for another machine than SH or H8, or not an
                                        // executable (ET_EXEC)
};

// Sets `size` bytes from `buf` to IMAGEBUF_BLANK. A size of 0 or less does nothing.
void ClrBuf(uint8_t* buf, int32_t size);

// Loads the image file `path` (a zero-terminated file name in the system's file-name
// encoding, UTF-8 on Linux; not modified) into `buf`, which must hold IMAGEBUF_SIZE bytes.
// Only bytes that records or segments name are written; call ClrBuf first for a blank image.
// - Returns one of the results above. On a fault the bytes of the records (segments) before
//   the faulty one stay in the buffer.
// - `*dataEnd`: the highest address that received data so far, 0 when none (an empty file
//   loads as an empty image); 0 when the file cannot be opened.
// - `*errorLine`: the 1-based physical line of the first faulty record (blank lines count),
//   for ELF the segment (above), 0 when the file loaded or could not be opened. The first
//   fault in the file is the one reported, whatever its kind; lines after it are not judged.
// - `*unused` is left as the caller set it; `cpuIndex` is accepted for the host's sake and
//   does not change how a file loads.
// A null `buf` or `path` returns IMAGEBUF_CANNOT_OPEN; a null result pointer is not written.
// The file is closed before every return.
int16_t FillBuf(uint8_t* buf, char* path, int32_t* dataEnd, int32_t* unused, int16_t cpuIndex,
                int32_t* errorLine);

#ifdef __cplusplus
}
#endif
