#pragma once

#include "imagebuf/IntelHexLoader.h"
#include "imagebuf/SRecordLoader.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace imagebuf {

// A chunk must hold any record line with its line end next to an unfinished one.
inline constexpr size_t kSmallestReadChunk =
    2 * (std::max(kLongestRecordLine, kLongestHexLine) + 2);

// What a line-based reader reports for a whole file.
struct TextLoad {
    int16_t result;
    int32_t dataEnd;
    int32_t errorLine;
    uint32_t faultAddress; // with IMAGEBUF_BEYOND_IMAGE
};

// Read the open regular file `fd` of `fileSize` bytes from its current position to its end
// into `image` (IMAGEBUF_SIZE bytes), in pieces of `chunkSize` bytes (at least
// kSmallestReadChunk). A read that fails gives IMAGEBUF_CANNOT_OPEN.
TextLoad LoadSRecordText(int fd, uint64_t fileSize, uint8_t* image, size_t chunkSize);
TextLoad LoadIntelHexText(int fd, uint64_t fileSize, uint8_t* image, size_t chunkSize);

} // namespace imagebuf
