#include "imagebuf/SRecordLoader.h"

#include "imagebuf/imagebuf.h"

#include <array>

namespace imagebuf {
namespace {

// Address field size by type digit; 0 marks the type that does not exist (S4).
//                                             S0 S1 S2 S3 S4 S5 S6 S7 S8 S9
constexpr std::array<uint8_t, 10> kAddressBytes = {2, 2, 3, 4, 0, 2, 3, 4, 3, 2};

bool IsDataType(int type) { return type >= 1 && type <= 3; }
bool IsTerminator(int type) { return type >= 7; }

} // namespace

int16_t SRecordLoader::TakeLine(std::string_view line)
{
    if (line.empty())
        return IMAGEBUF_LOADED;
    if (line[0] != 'S')
        return IMAGEBUF_NOT_A_RECORD;
    if (line.size() < 2 || line[1] < '0' || line[1] > '9' || kAddressBytes[line[1] - '0'] == 0)
        return IMAGEBUF_UNKNOWN_TYPE;
    if (line.size() > kLongestRecordLine)
        return IMAGEBUF_LINE_TOO_LONG;

    const int type = line[1] - '0';
    const std::string_view digits = line.substr(2);
    const size_t byteCount = digits.size() / 2;
    std::array<uint8_t, 1 + 255> bytes;
    unsigned sum = 0;
    if (const int16_t fault = DecodeHex(digits, bytes.data(), &sum); fault != IMAGEBUF_LOADED)
        return fault;
    if (byteCount == 0 || bytes[0] != byteCount - 1)
        return IMAGEBUF_COUNT_MISMATCH;
    const size_t addressBytes = kAddressBytes[type];
    if (bytes[0] < addressBytes + 1)
        return IMAGEBUF_TOO_SHORT_FOR_TYPE;
    // The checksum is the complement of the sum of the other bytes, so all of them add up
    // to 0xFF.
    if ((sum & 0xFF) != 0xFF)
        return IMAGEBUF_BAD_CHECKSUM;

    if (IsTerminator(type))
        EndOfRecords();
    if (!IsDataType(type))
        return IMAGEBUF_LOADED;
    uint32_t address = 0;
    for (size_t i = 1; i <= addressBytes; ++i)
        address = address << 8 | bytes[i];
    return StoreData(address, bytes.data() + 1 + addressBytes, bytes[0] - addressBytes - 1);
}

template class LineReader<SRecordLoader>;

} // namespace imagebuf
