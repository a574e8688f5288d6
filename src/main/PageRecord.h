#pragma once

#include "link/Protocol.h"

#include <QString>

#include <cstdint>

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
