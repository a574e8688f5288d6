#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Builds one Intel HEX line, without its line end, with a correct count and checksum.
inline std::string HexRecord(uint8_t type, uint16_t offset, const std::vector<uint8_t>& data = {})
{
    std::vector<uint8_t> bytes = {static_cast<uint8_t>(data.size()), static_cast<uint8_t>(offset >> 8),
                                  static_cast<uint8_t>(offset), type};
    bytes.insert(bytes.end(), data.begin(), data.end());
    unsigned sum = 0;
    for (uint8_t b : bytes)
        sum += b;
    bytes.push_back(static_cast<uint8_t>(-sum));

    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string line = ":";
    for (uint8_t b : bytes) {
        line += kDigits[b >> 4];
        line += kDigits[b & 15];
    }
    return line;
}

// The records that set the upper address bits.
inline std::string HexLinearBase(uint16_t upper)
{
    return HexRecord(0x04, 0, {static_cast<uint8_t>(upper >> 8), static_cast<uint8_t>(upper)});
}
inline std::string HexSegmentBase(uint16_t segment)
{
    return HexRecord(0x02, 0, {static_cast<uint8_t>(segment >> 8), static_cast<uint8_t>(segment)});
}
inline const std::string kHexEndOfFile = ":00000001FF";
