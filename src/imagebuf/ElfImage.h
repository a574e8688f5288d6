#pragma once

#include "imagebuf/ImageLoad.h"

#include <cstdint>

namespace imagebuf {

// Loads the ELF file open on `fd` (a regular file of `fileSize` bytes) into `image`
// (IMAGEBUF_SIZE bytes): each PT_LOAD segment's file bytes at its physical address, in the
// order of the program header table. Fills everything of the result but the fault's text.
// - A file libelf cannot read as ELF, an ELF that is not 32-bit, or one without program
//   headers (an object file that was never linked) is refused as a whole: IMAGEBUF_NOT_A_RECORD
//   on line 1, as any other file that is not made of records.
// - A segment is at fault (its number, from 1, is the error line) when it has more file bytes
//   than memory bytes or its bytes lie past the file's end (IMAGEBUF_BAD_SEGMENT), when any of
//   its bytes lies outside the image (IMAGEBUF_BEYOND_IMAGE), or when it shares an address with
//   an earlier segment (IMAGEBUF_OVERLAPPING_SEGMENTS). The segments before it stay loaded.
ImageLoad LoadElfImage(int fd, uint64_t fileSize, uint8_t* image);

} // namespace imagebuf
