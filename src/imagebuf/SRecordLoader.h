#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace imagebuf {

// "S", the type digit, the count byte and 255 counted bytes: no record line is longer.
inline constexpr size_t kLongestRecordLine = 2 + 2 * (1 + 255);

// Reads S-record text into an image of IMAGEBUF_SIZE bytes, a piece at a time, so that a file
// never has to be held whole. The first fault or a terminator finishes the load; text given
// after that is ignored.
class SRecordLoader {
public:
    explicit SRecordLoader(uint8_t* image) : image_(image) {}

    // Takes the complete lines at the front of `text` and returns how many bytes they used.
    // With `atEnd` the rest is the file's last line, even without a line end. Otherwise an
    // unfinished line is left for the next call, unless it is already too long to be a record:
    // then it is judged at once, so the caller never has to hold more than
    // kLongestRecordLine + 2 bytes of one line.
    size_t TakeText(std::string_view text, bool atEnd);

    bool Finished() const { return ended_ || result_ != 0; }
    int16_t Result() const { return result_; }
    int32_t DataEnd() const { return dataEnd_; }
    // The physical line of the fault, 0 while there is none. Counted wide because a file of
    // blank lines may outnumber the reported range.
    int32_t ErrorLine() const
    {
        return result_ == 0 ? 0 : static_cast<int32_t>(std::min<int64_t>(line_, INT32_MAX));
    }

private:
    int16_t TakeLine(std::string_view line);
    int16_t StoreData(uint32_t address, const uint8_t* data, size_t size);

    uint8_t* image_;
    int32_t dataEnd_ = 0;
    int64_t line_ = 0;
    int16_t result_ = 0;
    bool ended_ = false;
};

} // namespace imagebuf
