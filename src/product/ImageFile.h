#pragma once

#include "product/Product.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace product {

// One image file of a product, loaded as the run loads it: its extent and its digest, or why
// it cannot be written (the image-buffer library's fault line, a digest that differs).
struct ImageFileReading {
    Image image;                 // its file, format, extent and digest when it loaded
    std::optional<QString> fault; // "line 4: bad checksum", "has SHA-256 …, not the pinned …"
    bool digestFault = false;     // the fault is the pinned digest's
};

// Loads the image file at `path` (absolute) into `buffer` (resized to the image size) and,
// when `pinnedSha256` is given (lower-case hex), compares the file's digest with it.
ImageFileReading ReadImageFile(const QString& path, const std::optional<QString>& pinnedSha256,
                               std::vector<uint8_t>& buffer);

// The bytes up to the last one below or at `dataEnd` that is not erased flash: what a unit
// that counts its data that way records.
int32_t DataBytesOf(const std::vector<uint8_t>& image, int32_t dataEnd);

// SHA-256 of `bytes`, 64 lower-case hex digits.
QString Sha256Hex(const QByteArray& bytes);

} // namespace product
