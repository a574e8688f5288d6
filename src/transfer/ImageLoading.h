#pragma once

#include "imagebuf/ImageLoad.h"
#include "shared/MessageTable.h"

#include <QString>

#include <cstdint>

// What transfer start tests before a run: the file can be opened for reading (it is closed again
// at once; nothing is read).
bool FileCanBeOpened(const QString& path);

// The file-name part of a path as the unit records it: after the last separator, "\" as the
// unit's own tools write paths, "/" as this system does.
QString FileTitleOf(const QString& path);

// The image file named by Module1.FilePath, loaded into Module1.ImageBuf through the
// image-buffer library: what the run does before it plans pages, and what a dry run does too.
// Besides the library's result code, data end and fault line, the load tells the file's format
// and what and where its fault was.
using LoadedImage = imagebuf::ImageLoad;
LoadedImage LoadImageFile();

// The message a load ends with; nullptr when the image loaded. The line number stands in
// front of the text of every row but "OPEN ERROR".
const MessageRow* ImageFaultOf(int16_t result);
QString ImageFaultPrefix(const MessageRow& fault, int32_t errorLine);
