#pragma once

#include <QString>

#include <array>
#include <cstdint>

// One unit page's record as the page query returns it, decoded from the hex reply in RxBytes.
struct PageInfo {
    uint8_t status = 0; // 1: the page holds data; the other fields mean something only then
    uint8_t cpu = 0;
    uint32_t clockHz = 0;
    std::array<uint8_t, 12> name{};
    uint32_t sizeBytes = 0;
};

// Decodes the 22-byte record at the start of RxBytes (its checksum already verified).
PageInfo DecodePageRecord();

// The four memory-view captions of a page, in column order CPU, clock, file name, size.
struct PageCaptions {
    QString cpu;
    QString clock;
    QString name;
    QString size;
};
PageCaptions CaptionsOf(const PageInfo& info);

// "#0.0000" of hertz as megahertz, rounded half up: 16000000 -> "16.0000", 2457600 -> "2.4576".
QString FormatMegahertz(uint32_t hz);
// Whole KiB rounded up, no grouping: 1 -> "1", 1025 -> "2", 0 -> "0".
QString FormatKibibytes(uint32_t bytes);
