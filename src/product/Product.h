#pragma once

// A product: the images one line loads into every unit, up to one per page and one written
// straight into the target, kept in one TOML file with paths relative to it and, where
// engineering pinned them, the images' digests. Reading it checks everything that can be
// checked without a unit, so that a faulty product is refused before any port opens.

#include "imagebuf/ImageLoad.h"
#include "product/SerialRule.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace product {

// One fault of a product file, where it stands.
struct Fault {
    QString file;   // the product file as it was named
    int line = 0;   // from 1; 0: the file as a whole
    QString key;    // "page.cpu", "thru.file", "name"; empty for a fault of the TOML text itself
    QString text;

    // "line.toml:7: page.cpu: unknown CPU \"3049F\"", the line and the key left out when unknown.
    QString Line() const;
};

// One image as the product writes it, read and checked.
struct Image {
    QString file;       // absolute path
    int16_t cpuCode = 0;
    float clockMHz = 0; // single precision, as the header's clock is made from it
    imagebuf::ImageFormat format = imagebuf::ImageFormat::SRecord;
    int32_t dataEnd = 0;   // the highest address that holds data
    int32_t sendEnd = 0;   // the last address the blocks send
    int32_t dataBytes = 0; // up to the last byte that is not erased flash (0xFF)
    QString fileSha256;    // of the file as read
};

struct Page {
    int16_t pageNo = 0; // 0..3 for unit pages 1..4
    Image image;
};

struct Product {
    QString file;   // absolute path of the product file
    QString sha256; // of the product file as read
    QString name;
    std::optional<int16_t> speedIndex; // 0: 9600 bit/s, 1: 38400 bit/s; none: as the command is told
    std::vector<Page> pages;           // in page order
    std::optional<Image> thru;
    std::optional<SerialRule> thruSerial; // each THRU target's own number
};

// A product, or every fault found in its file, in the order of their lines.
struct Reading {
    std::optional<Product> product;
    std::vector<Fault> faults;
};

// Reads and checks the product file at `path`; its images are loaded to learn their extent and
// to test them, nothing is kept of their bytes.
Reading ReadProduct(const QString& path);

} // namespace product
