#pragma once

#include "imagebuf/imagebuf.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace imagebuf {

// What the line-based readers (S-records, Intel HEX) share: cutting text into lines a piece at
// a time, so that a file never has to be held whole, the line count, the first fault and the
// data end. `Reader` judges one line in its `TakeLine` and declares its longest record line as
// `kLongestLine`. The first fault or an end record finishes the load; text given after that is
// ignored.
template <class Reader>
class LineReader {
public:
    explicit LineReader(uint8_t* image) : image_(image) {}

    // Takes the complete lines at the front of `text` and returns how many bytes they used.
    // With `atEnd` the rest is the file's last line, even without a line end. Otherwise an
    // unfinished line is left for the next call, unless it is already too long to be a record:
    // then it is judged at once, so the caller never has to hold more than
    // Reader::kLongestLine + 2 bytes of one line.
    size_t TakeText(std::string_view text, bool atEnd)
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
            } else if ((atEnd && !rest.empty()) || rest.size() > Reader::kLongestLine + 1) {
                length = rest.size();
                next = text.size();
            } else {
                break;
            }
            std::string_view line = rest.substr(0, length);
            if (!line.empty() && line.back() == '\r')
                line.remove_suffix(1);
            ++line_;
            result_ = static_cast<Reader*>(this)->TakeLine(line);
            used = next;
        }
        return used;
    }

    bool Finished() const { return ended_ || result_ != 0; }
    int16_t Result() const { return result_; }
    int32_t DataEnd() const { return dataEnd_; }
    // The physical line of the fault, 0 while there is none. Counted wide because a file of
    // blank lines may outnumber the reported range.
    int32_t ErrorLine() const
    {
        return result_ == 0 ? 0 : static_cast<int32_t>(std::min<int64_t>(line_, INT32_MAX));
    }
    // With IMAGEBUF_BEYOND_IMAGE: the lowest address of the faulty record outside the image.
    uint32_t FaultAddress() const { return faultAddress_; }

protected:
    // Addresses are taken wide so that a base plus an offset never wraps into the image.
    int16_t StoreData(uint64_t address, const uint8_t* data, size_t size)
    {
        if (size == 0)
            return IMAGEBUF_LOADED;
        if (address >= IMAGEBUF_SIZE || size > IMAGEBUF_SIZE - address) {
            faultAddress_ = static_cast<uint32_t>(std::max<uint64_t>(address, IMAGEBUF_SIZE));
            return IMAGEBUF_BEYOND_IMAGE;
        }
        std::memcpy(image_ + address, data, size);
        dataEnd_ = std::max(dataEnd_, static_cast<int32_t>(address + size - 1));
        return IMAGEBUF_LOADED;
    }

    void EndOfRecords() { ended_ = true; }

private:
    uint8_t* image_;
    int32_t dataEnd_ = 0;
    int64_t line_ = 0;
    uint32_t faultAddress_ = 0;
    int16_t result_ = 0;
    bool ended_ = false;
};

// Value of every character as a hex digit; kNotHex for the rest. One lookup per character
// keeps the decoding free of branches until the end of the line.
inline constexpr uint8_t kNotHex = 0xFF;
struct HexValues {
    uint8_t of[256];
};
constexpr HexValues MakeHexValues()
{
    HexValues values{};
    for (uint8_t& v : values.of)
        v = kNotHex;
    for (int i = 0; i < 10; ++i)
        values.of['0' + i] = static_cast<uint8_t>(i);
    for (int i = 0; i < 6; ++i) {
        values.of['A' + i] = static_cast<uint8_t>(10 + i);
        values.of['a' + i] = static_cast<uint8_t>(10 + i);
    }
    return values;
}
inline constexpr HexValues kHexValues = MakeHexValues();

// Decodes the hex digit pairs of `digits` into `bytes` (room for digits.size() / 2) and returns
// IMAGEBUF_BAD_HEX_DIGIT, IMAGEBUF_ODD_DIGIT_COUNT or IMAGEBUF_LOADED; `*sum` is the sum of the
// decoded bytes.
inline int16_t DecodeHex(std::string_view digits, uint8_t* bytes, unsigned* sum)
{
    const size_t byteCount = digits.size() / 2;
    uint8_t invalid = 0;
    unsigned total = 0;
    for (size_t i = 0; i < byteCount; ++i) {
        const uint8_t high = kHexValues.of[static_cast<uint8_t>(digits[2 * i])];
        const uint8_t low = kHexValues.of[static_cast<uint8_t>(digits[2 * i + 1])];
        invalid |= high | low;
        bytes[i] = static_cast<uint8_t>(high << 4 | low);
        total += bytes[i];
    }
    const bool oddDigits = digits.size() % 2 != 0;
    if (oddDigits)
        invalid |= kHexValues.of[static_cast<uint8_t>(digits.back())];
    *sum = total;
    if ((invalid & 0xF0) != 0)
        return IMAGEBUF_BAD_HEX_DIGIT;
    if (oddDigits)
        return IMAGEBUF_ODD_DIGIT_COUNT;
    return IMAGEBUF_LOADED;
}

} // namespace imagebuf
