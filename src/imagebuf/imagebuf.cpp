#include "imagebuf/imagebuf.h"

#include "imagebuf/ImageLoad.h"

#include <cstring>

void ClrBuf(uint8_t* buf, int32_t size)
{
    if (buf != nullptr && size > 0)
        std::memset(buf, IMAGEBUF_BLANK, static_cast<size_t>(size));
}

int16_t FillBuf(uint8_t* buf, char* path, int32_t* dataEnd, int32_t* /*unused*/,
                int16_t /*cpuIndex*/, int32_t* errorLine)
{
    const imagebuf::ImageLoad loaded = imagebuf::LoadImageFile(path, buf);
    if (dataEnd != nullptr)
        *dataEnd = loaded.dataEnd;
    if (errorLine != nullptr)
        *errorLine = loaded.errorLine;
    return loaded.result;
}
