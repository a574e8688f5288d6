#pragma once

#include "imagebuf/ImageLoad.h"
#include "shared/MessageTable.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

// Bytes placed over a loaded image before anything plans or sends it: a target's own number,
// which no file holds.
struct ImagePatch {
    int32_t address = 0;
    QByteArray bytes; // within the image
};

// The image file named by Module1.FilePath, loaded into Module1.ImageBuf through the
// image-buffer library: what the run does before it plans pages, and what a dry run does too.
// Besides the library's result code, data end and fault line, the load tells the file's format
// and what and where its fault was. A good load gets `patch` over it, its data end moved up to
// take the patch in.
imagebuf::ImageLoad LoadChosenImage(const std::optional<ImagePatch>& patch = std::nullopt);

// An address in the image as the command line and the product file tell it: "0x7FFF0", five hex
// digits at least; a negative one (a product's mistake) with its sign.
QString ImageAddressText(qint64 address);

// The message a load ends with; nullptr when the image loaded.
const MessageRow* ImageFaultOf(int16_t result);
// Shows the load's fault as the run shows it, the line number in front of every row but
// "OPEN ERROR"; returns its row, nullptr when the image loaded and nothing was shown.
const MessageRow* ShowImageFault(const imagebuf::ImageLoad& image);
