#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Builds one S-record line, without its line end, with a correct count and checksum, for
// every test that writes S-record files. The address is cut to the width of the record type.
inline std::string SRecord(int type, uint32_t address, const std::vector<uint8_t>& data = {})
{
    //                                 S0 S1 S2 S3 S4 S5 S6 S7 S8 S9
    static constexpr int kAddressBytes[] = {2, 2, 3, 4, 0, 2, 3, 4, 3, 2};
    const int addressBytes = kAddressBytes[type];
    std::vector<uint8_t> bytes;
    bytes.push_back(static_cast<uint8_t>(addressBytes + data.size() + 1));
    for (int i = addressBytes - 1; i >= 0; --i)
        bytes.push_back(static_cast<uint8_t>(address >> (8 * i)));
    bytes.insert(bytes.end(), data.begin(), data.end());
    unsigned sum = 0;
    for (uint8_t b : bytes)
        sum += b;
    bytes.push_back(static_cast<uint8_t>(~sum));

    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string line = "S" + std::to_string(type);
    for (uint8_t b : bytes) {
        line += kDigits[b >> 4];
        line += kDigits[b & 15];
    }
    return line;
}

