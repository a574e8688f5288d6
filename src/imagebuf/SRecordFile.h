#pragma once

#include "imagebuf/SRecordLoader.h"

#include <cstddef>
#include <cstdint>

namespace imagebuf {

struct LoadResult {
    int16_t result;
    int32_t dataEnd;
    int32_t errorLine;
};

// A whole image of the longest records is under 10 MB; most files fit one read of this size.
inline constexpr size_t kReadChunk = size_t{4} << 20;
// A chunk must hold any record line with its line end next to an unfinished one.
inline constexpr size_t kSmallestReadChunk = 2 * (kLongestRecordLine + 2);

// Loads the S-record file at `path` into `image` (IMAGEBUF_SIZE bytes), reading it in pieces
// of `chunkSize` bytes (at least kSmallestReadChunk). The result does not depend on the
// chunk size; tests and the fuzz target use small ones to reach the piece boundaries.
LoadResult LoadSRecordFile(const char* path, uint8_t* image, size_t chunkSize = kReadChunk);

} // namespace imagebuf
