#pragma once

#include "shared/MessageTable.h"

#include <QString>

#include <cstdint>

// What transfer start tests before a run: the file can be opened for reading (it is closed again
// at once; nothing is read).
bool FileCanBeOpened(const QString& path);

// The file-name part of a path as the unit records it: after the last separator, "\" as the
// unit's own tools write paths, "/" as this system does.
QString FileTitleOf(const QString& path);

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
