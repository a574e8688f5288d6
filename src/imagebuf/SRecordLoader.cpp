#include "imagebuf/SRecordLoader.h"

#include "imagebuf/imagebuf.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace imagebuf {
namespace {

inline constexpr uint8_t kNotHex = 0xFF;

// Value of every character as a hex digit; kNotHex for the rest. One lookup per character
// keeps the decoding free of branches until the end of the line.
constexpr std::array<uint8_t, 256> MakeHexValues()
{
    std::array<uint8_t, 256> values{};
    values.fill(kNotHex);
    for (int i = 0; i < 10; ++i)
        values['0' + i] = static_cast<uint8_t>(i);
    for (int i = 0; i < 6; ++i) {
        values['A' + i] = static_cast<uint8_t>(10 + i);
        values['a' + i] = static_cast<uint8_t>(10 + i);
    }
    return values;
}
constexpr std::array<uint8_t, 256> kHexValues = MakeHexValues();

// Address field size by type digit; 0 marks the type that does not exist (S4).
//                                             S0 S1 S2 S3 S4 S5 S6 S7 S8 S9
constexpr std::array<uint8_t, 10> kAddressBytes = {2, 2, 3, 4, 0, 2, 3, 4, 3, 2};

bool IsDataType(int type) { return type >= 1 && type <= 3; }
bool IsTerminator(int type) { return type >= 7; }

} // namespace

size_t SRecordLoader::TakeText(std::string_view text, bool atEnd)
{
    size_t used = 0;
    while (!Finished()) {
        std::string_view rest = text.substr(used);
        const void* lineFeed = std::memchr(rest.data(), '\n', rest.size());
        size_t length;
        size_t next;
        if (lineFeed != nullptr) {
            length = static_cast<const char*>(lineFeed) - rest.data();
            next = used + length + 1;
        } else if ((atEnd && !rest.empty()) || rest.size() > kLongestRecordLine + 1) {
            length = rest.size();
            next = text.size();
        } else {
            break;
        }
        std::string_view line = rest.substr(0, length);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        ++line_;
        result_ = TakeLine(line);
        used = next;
    }
    return used;
}

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
    uint8_t invalid = 0;
    unsigned sum = 0;
    for (size_t i = 0; i < byteCount; ++i) {
        const uint8_t high = kHexValues[static_cast<uint8_t>(digits[2 * i])];
        const uint8_t low = kHexValues[static_cast<uint8_t>(digits[2 * i + 1])];
        invalid |= high | low;
        bytes[i] = static_cast<uint8_t>(high << 4 | low);
        sum += bytes[i];
    }
    const bool oddDigits = digits.size() % 2 != 0;
    if (oddDigits)
        invalid |= kHexValues[static_cast<uint8_t>(digits.back())];
    if ((invalid & 0xF0) != 0)
        return IMAGEBUF_BAD_HEX_DIGIT;
    if (oddDigits)
        return IMAGEBUF_ODD_DIGIT_COUNT;
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
        ended_ = true;
    if (!IsDataType(type))
        return IMAGEBUF_LOADED;
    uint32_t address = 0;
    for (size_t i = 1; i <= addressBytes; ++i)
        address = address << 8 | bytes[i];
    return StoreData(address, bytes.data() + 1 + addressBytes, bytes[0] - addressBytes - 1);
}

int16_t SRecordLoader::StoreData(uint32_t address, const uint8_t* data, size_t size)
{
    if (size == 0)
        return IMAGEBUF_LOADED;
    if (address >= IMAGEBUF_SIZE || size > IMAGEBUF_SIZE - address)
        return IMAGEBUF_BEYOND_IMAGE;
    std::memcpy(image_ + address, data, size);
    dataEnd_ = std::max(dataEnd_, static_cast<int32_t>(address + size - 1));
    return IMAGEBUF_LOADED;
}

} // namespace imagebuf
