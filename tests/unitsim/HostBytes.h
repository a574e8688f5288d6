#pragma once

// Command lines and data blocks built as the host builds them, written here independently of
// the simulator's own checksum code so that the tests check it rather than repeat it.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace hostbytes {

inline std::string Hex2(unsigned value)
{
    char text[3];
    std::snprintf(text, sizeof text, "%02X", value & 0xFF);
    return text;
}

inline std::string Hex8(uint32_t value)
{
    char text[9];
    std::snprintf(text, sizeof text, "%08X", value);
    return text;
}

// "C" + code + count + payload: appends the checksum of the hex pairs behind the code, CR LF.
inline std::string Line(const std::string& text)
{
    unsigned sum = 0;
    for (size_t i = 2; i + 1 < text.size(); i += 2)
        sum += std::stoul(text.substr(i, 2), nullptr, 16);
    return text + Hex2(255 - sum % 256) + "\r\n";
}

inline std::string NameHex(const std::string& name11)
{
    std::string hex;
    for (unsigned char c : name11)
        hex += Hex2(c);
    return hex;
}

inline std::string StoreHeader(int page, int cpu, uint32_t clockHz, const std::string& name11)
{
    return Line("C012" + Hex2(page) + Hex2(cpu) + Hex8(clockHz) + NameHex(name11));
}

inline std::string DirectHeader(int cpu, uint32_t clockHz)
{
    return Line("CF0740" + Hex2(cpu) + Hex8(clockHz));
}

inline std::string EraseLine(int page)
{
    return Line("C303" + Hex2(page) + Hex2(255 - page));
}

inline std::string QueryLine(int page)
{
    return Line("C902" + Hex2(page));
}

// 32 data bytes and their checksum: the 8-bit sum, inverted.
inline std::vector<uint8_t> DataBlock(const std::vector<uint8_t>& data)
{
    uint8_t sum = 0;
    for (uint8_t b : data)
        sum = static_cast<uint8_t>(sum + b);
    std::vector<uint8_t> block = data;
    block.push_back(static_cast<uint8_t>(~sum));
    return block;
}

// The 32 bytes of data block `index` in the tests' images.
inline std::vector<uint8_t> PatternData(int index)
{
    std::vector<uint8_t> data(32);
    for (int i = 0; i < 32; ++i)
        data[i] = static_cast<uint8_t>(index * 7 + i * 13 + 1);
    return data;
}

inline std::vector<uint8_t> EndBlock() { return std::vector<uint8_t>(33, 0x00); }
inline std::vector<uint8_t> AbortBlock() { return std::vector<uint8_t>(33, 0xFF); }

} // namespace hostbytes
