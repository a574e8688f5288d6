#pragma once

#include "imagebuf/LineReader.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace imagebuf {

// ":", then count, 2-byte offset, type, 255 data bytes and the checksum as hex digit pairs.
inline constexpr size_t kLongestHexLine = 1 + 2 * (1 + 2 + 1 + 255 + 1);

// Reads Intel HEX text (record types 00 to 05) into an image of IMAGEBUF_SIZE bytes; the end
// of file record (01) ends it.
class IntelHexLoader : public LineReader<IntelHexLoader> {
public:
    static constexpr size_t kLongestLine = kLongestHexLine;

    explicit IntelHexLoader(uint8_t* image) : LineReader(image) {}

private:
    friend class LineReader<IntelHexLoader>;
    int16_t TakeLine(std::string_view line);
    int16_t StoreRecordData(uint16_t offset, const uint8_t* data, size_t size);

    // Type 02 sets a segment base (data wraps within its 64 KB), type 04 a linear base (data
    // runs on); both start at 0, linear.
    uint32_t base_ = 0;
    bool segmented_ = false;
};

// Instantiated beside TakeLine, so that the line loop can take each line in without a call.
extern template class LineReader<IntelHexLoader>;

} // namespace imagebuf
