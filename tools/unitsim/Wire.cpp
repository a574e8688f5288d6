#include "Wire.h"

namespace unitsim::wire {

namespace {

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

uint8_t Sum(std::span<const uint8_t> bytes)
{
    uint8_t sum = 0;
    for (uint8_t b : bytes)
        sum = static_cast<uint8_t>(sum + b);
    return sum;
}

} // namespace

uint8_t Checksum(std::span<const uint8_t> bytes)
{
    return static_cast<uint8_t>(0xFF - Sum(bytes));
}

uint8_t BlockChecksum(std::span<const uint8_t> data)
{
    return static_cast<uint8_t>(Sum(data) ^ 0xFF);
}

std::string HexBytes(std::span<const uint8_t> bytes)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(bytes.size() * 2);
    for (uint8_t b : bytes) {
        text.push_back(kDigits[b >> 4]);
        text.push_back(kDigits[b & 0x0F]);
    }
    return text;
}

std::optional<CommandLine> ParseCommandLine(std::string_view line)
{
    if (line.size() < 2 || line[0] != kLead)
        return std::nullopt;
    const std::string_view hex = line.substr(2);
    if (hex.size() < 4 || hex.size() % 2 != 0)
        return std::nullopt;
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i < hex.size(); i += 2) {
        const int high = HexValue(hex[i]);
        const int low = HexValue(hex[i + 1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        bytes.push_back(static_cast<uint8_t>(high * 16 + low));
    }
    const uint8_t received = bytes.back();
    bytes.pop_back();
    if (bytes.front() != bytes.size() || Checksum(bytes) != received)
        return std::nullopt;
    return CommandLine{line[1], std::move(bytes)};
}

std::string RecordReply(const PageRecord& record, bool corruptSum)
{
    const auto bytes = record.Bytes();
    uint8_t sum = Checksum(bytes);
    if (corruptSum)
        ++sum;
    return HexBytes(bytes) + HexBytes(std::span(&sum, 1)) + std::string(kLineEnd);
}

} // namespace unitsim::wire
