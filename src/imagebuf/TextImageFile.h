#pragma once

#include "imagebuf/FileDigest.h"
#include "imagebuf/ImageLoad.h"
#include "imagebuf/IntelHexLoader.h"
#include "imagebuf/SRecordLoader.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace imagebuf {

// A chunk must hold any record line with its line end next to an unfinished one.
inline constexpr size_t kSmallestReadChunk =
    2 * (std::max(kLongestRecordLine, kLongestHexLine) + 2);

// Reads the open regular file `fd` of `fileSize` bytes from its current position to its end as
// `format` (S-records or Intel HEX) into `image` (IMAGEBUF_SIZE bytes), in pieces of
// `chunkSize` bytes (at least kSmallestReadChunk). Every byte read goes into `digest`, those
// after an end record or a fault as well, so that it covers the whole file. Fills everything
// of the result but the fault's text and the digest; none when a read fails.
std::optional<ImageLoad> LoadTextImage(ImageFormat format, int fd, uint64_t fileSize, uint8_t* image,
                                       size_t chunkSize, FileDigest& digest);

} // namespace imagebuf
