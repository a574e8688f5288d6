#include "imagebuf/IntelHexLoader.h"

#include "imagebuf/imagebuf.h"

#include <array>

namespace imagebuf {
namespace {

// Bytes of every record besides its data: count, offset (2), type and checksum.
constexpr size_t kFrameBytes = 5;

enum RecordType : uint8_t {
    kData = 0x00,
    kEndOfFile = 0x01,
    kExtendedSegment = 0x02,
    kStartSegment = 0x03,
    kExtendedLinear = 0x04,
    kStartLinear = 0x05,
};

// The data size each type must have; -1 for data records, which may hold any number.
//                                         00  01 02 03 04 05
constexpr std::array<int, 6> kDataBytesOfType = {-1, 0, 2, 4, 2, 4};

} // namespace

// Checks in this order, the first failing one giving the result: the ':' (2), the length
// (4), hex digits (5, 6), at least the five frame bytes (8), the count against the bytes
// present (7), the checksum (1), then the type (3) and its size (10), since a damaged type
// byte is a checksum fault first; last the image bounds (9).
int16_t IntelHexLoader::TakeLine(std::string_view line)
{
    if (line.empty())
        return IMAGEBUF_LOADED;
    if (line[0] != ':')
        return IMAGEBUF_NOT_A_RECORD;
    if (line.size() > kLongestHexLine)
        return IMAGEBUF_LINE_TOO_LONG;

    const std::string_view digits = line.substr(1);
    const size_t byteCount = digits.size() / 2;
    std::array<uint8_t, kFrameBytes + 255> bytes;
    unsigned sum = 0;
    if (const int16_t fault = DecodeHex(digits, bytes.data(), &sum); fault != IMAGEBUF_LOADED)
        return fault;
    if (byteCount < kFrameBytes)
        return IMAGEBUF_TOO_SHORT_FOR_TYPE;
    const size_t dataBytes = bytes[0];
    if (dataBytes != byteCount - kFrameBytes)
        return IMAGEBUF_COUNT_MISMATCH;
    // The checksum is the two's complement of the sum of the other bytes: all add up to 0.
    if ((sum & 0xFF) != 0)
        return IMAGEBUF_BAD_CHECKSUM;
    const uint8_t type = bytes[3];
    if (type >= kDataBytesOfType.size())
        return IMAGEBUF_UNKNOWN_TYPE;
    if (kDataBytesOfType[type] >= 0 && static_cast<size_t>(kDataBytesOfType[type]) != dataBytes)
        return IMAGEBUF_WRONG_SIZE_FOR_TYPE;

    const uint8_t* data = bytes.data() + 4;
    switch (type) {
    case kData:
        return StoreRecordData(static_cast<uint16_t>(bytes[1] << 8 | bytes[2]), data, dataBytes);
    case kEndOfFile:
        EndOfRecords();
        break;
    case kExtendedSegment:
        base_ = static_cast<uint32_t>(data[0] << 8 | data[1]) << 4;
        segmented_ = true;
        break;
    case kExtendedLinear:
        base_ = static_cast<uint32_t>(data[0] << 8 | data[1]) << 16;
        segmented_ = false;
        break;
    default:
        // Start addresses (03, 05) say where the program begins to run: nothing for the image.
        break;
    }
    return IMAGEBUF_LOADED;
}

int16_t IntelHexLoader::StoreRecordData(uint16_t offset, const uint8_t* data, size_t size)
{
    const uint64_t address = uint64_t{base_} + offset;
    const size_t beforeWrap = segmented_ ? std::min<size_t>(size, 0x10000 - offset) : size;
    if (const int16_t fault = StoreData(address, data, beforeWrap); fault != IMAGEBUF_LOADED)
        return fault;
    return StoreData(base_, data + beforeWrap, size - beforeWrap);
}

template class LineReader<IntelHexLoader>;

} // namespace imagebuf
