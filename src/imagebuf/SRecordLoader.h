#pragma once

#include "imagebuf/LineReader.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace imagebuf {

// "S", the type digit, the count byte and 255 counted bytes: no record line is longer.
inline constexpr size_t kLongestRecordLine = 2 + 2 * (1 + 255);

// Reads Motorola S-record text into an image of IMAGEBUF_SIZE bytes; a terminator (S7, S8,
// S9) ends it.
class SRecordLoader : public LineReader<SRecordLoader> {
public:
    static constexpr size_t kLongestLine = kLongestRecordLine;

    explicit SRecordLoader(uint8_t* image) : LineReader(image) {}

private:
    friend class LineReader<SRecordLoader>;
    int16_t TakeLine(std::string_view line);
};

// Instantiated beside TakeLine, so that the line loop can take each line in without a call.
extern template class LineReader<SRecordLoader>;

} // namespace imagebuf
