#pragma once

// The file loader under the name it had while it read S-records only, for the callers written
// against it: loads any image file exactly as LoadImageFile (and so FillBuf) does, and gives
// FillBuf's three results.

#include "imagebuf/ImageLoad.h"
#include "imagebuf/TextImageFile.h"

#include <cstddef>
#include <cstdint>

namespace imagebuf {

struct LoadResult {
    int16_t result;
    int32_t dataEnd;
    int32_t errorLine;
};

inline LoadResult LoadSRecordFile(const char* path, uint8_t* image, size_t chunkSize = kReadChunk)
{
    const ImageLoad load = LoadImageFile(path, image, chunkSize);
    return {load.result, load.dataEnd, load.errorLine};
}

} // namespace imagebuf
