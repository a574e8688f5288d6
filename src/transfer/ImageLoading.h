#pragma once

#include "imagebuf/ImageLoad.h"
#include "shared/MessageTable.h"

#include <cstdint>

// The image file named by Module1.FilePath, loaded into Module1.ImageBuf through the
// image-buffer library: what the run does before it plans pages, and what a dry run does too.
// Besides the library's result code, data end and fault line, the load tells the file's format
// and what and where its fault was.
imagebuf::ImageLoad LoadChosenImage();

// The message a load ends with; nullptr when the image loaded.
const MessageRow* ImageFaultOf(int16_t result);
// Shows the load's fault as the run shows it, the line number in front of every row but
// "OPEN ERROR"; returns its row, nullptr when the image loaded and nothing was shown.
const MessageRow* ShowImageFault(const imagebuf::ImageLoad& image);
