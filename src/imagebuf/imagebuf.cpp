#include "imagebuf/imagebuf.h"

#include "imagebuf/SRecordFile.h"

#include <cstring>

void ClrBuf(uint8_t* buf, int32_t size)
{
    if (buf != nullptr && size > 0)
        std::memset(buf, IMAGEBUF_BLANK, static_cast<size_t>(size));
}

int16_t FillBuf(uint8_t* buf, char* path, int32_t* dataEnd, int32_t* /*unused*/,
                int16_t /*cpuIndex*/, int32_t* errorLine)
{
    const imagebuf::LoadResult loaded = buf != nullptr && path != nullptr
        ? imagebuf::LoadSRecordFile(path, buf)
        : imagebuf::LoadResult{IMAGEBUF_CANNOT_OPEN, 0, 0};
    if (dataEnd != nullptr)
        *dataEnd = loaded.dataEnd;
    if (errorLine != nullptr)
        *errorLine = loaded.errorLine;
    return loaded.result;
}
