#pragma once

#include "imagebuf/ImageLoad.h"

#include <cstdint>
#include <string>

namespace imagebuf {

// Loads the ELF file whose bytes are `file` into `image` (IMAGEBUF_SIZE bytes): each PT_LOAD
// segment's file bytes at its physical address, in the order of the program header table.
// Fills everything of the result but the fault's text and the digest. libelf reads `file` in
// place (it takes it as char*, but only reads it).
// - A file libelf cannot read as ELF, an ELF that is not 32-bit, or one without program
//   headers (an object file that was never linked) is refused as a whole: IMAGEBUF_NOT_A_RECORD
//   on line 1, as any other file that is not made of records.
// - An ELF for another machine than SH or the H8 family, or one that is not an executable
//   (ET_EXEC), is refused as a whole too, with IMAGEBUF_NOT_FOR_THE_UNIT on line 1. The machine
//   is told before the program headers are counted, the type after.
// - A segment is at fault (its number, from 1, is the error line) when it has more file bytes
//   than memory bytes or its bytes lie past the file's end (IMAGEBUF_BAD_SEGMENT), when any of
//   its bytes lies outside the image (IMAGEBUF_BEYOND_IMAGE), or when it shares an address with
//   an earlier segment (IMAGEBUF_OVERLAPPING_SEGMENTS). The segments before it stay loaded.
ImageLoad LoadElfImage(std::string& file, uint8_t* image);

} // namespace imagebuf
