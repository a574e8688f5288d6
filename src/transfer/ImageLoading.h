#pragma once

#include "shared/MessageTable.h"

#include <cstdint>

// The S-record file named by Module1.FilePath, loaded into Module1.ImageBuf through the
// image-buffer library: what the run does before it plans pages, and what a dry run does too.
struct LoadedImage {
    int16_t result = 0;    // the library's result code
    int32_t dataEnd = 0;   // highest image address holding data
    int32_t errorLine = 0; // the file line the library blamed
};
LoadedImage LoadImageFile();

// The message a load ends with; nullptr when the image loaded. The line number stands in
// front of the text of every row but "OPEN ERROR".
const MessageRow* ImageFaultOf(int16_t result);
QString ImageFaultPrefix(const MessageRow& fault, int32_t errorLine);
