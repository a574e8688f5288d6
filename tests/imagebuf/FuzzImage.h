#pragma once

// What the image loaders' fuzz targets share: the input as a file in the scratch folder, and
// the promises of the call interface that hold for every file, whatever its format. Each
// target defines kFuzzTarget, the name its broken promises are reported under.

#include "imagebuf/ImageLoad.h"
#include "imagebuf/TextImageFile.h"
#include "imagebuf/imagebuf.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

extern const char* const kFuzzTarget;

inline void Require(bool holds, const char* promise)
{
    if (!holds) {
        std::fprintf(stderr, "%s: broken promise: %s\n", kFuzzTarget, promise);
        std::abort();
    }
}

inline std::string InputPath(const char* extension)
{
    const char* folder = std::getenv("FUZZ_IMAGE_DIR");
    return std::string(folder != nullptr ? folder : "/tmp") + "/input." + std::to_string(getpid()) +
           extension;
}

inline void WriteInput(const std::string& path, std::string_view text)
{
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    Require(fd >= 0, "the input file can be written");
    size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = write(fd, text.data() + written, text.size() - written);
        Require(n > 0, "the input file can be written");
        written += static_cast<size_t>(n);
    }
    close(fd);
}

// Exactly IMAGEBUF_SIZE bytes on the heap, so that AddressSanitizer reports any byte written
// beside them.
struct FuzzImage {
    std::unique_ptr<uint8_t[]> bytes = std::make_unique<uint8_t[]>(IMAGEBUF_SIZE);
};

// Loads the file at `path` through FillBuf and through LoadImageFile, each into a blank image,
// and checks what holds for every file; returns the second load. `whole` keeps FillBuf's image.
inline imagebuf::ImageLoad LoadAndCheckEveryPromise(const std::string& path, FuzzImage& whole)
{
    static FuzzImage other;
    ClrBuf(whole.bytes.get(), IMAGEBUF_SIZE);
    int32_t dataEnd = -7;
    int32_t unused = 0x55AA;
    int32_t errorLine = -7;
    std::string pathBytes = path;
    const int16_t result =
        FillBuf(whole.bytes.get(), pathBytes.data(), &dataEnd, &unused, 75, &errorLine);

    Require(unused == 0x55AA, "the unused result is left alone");
    Require(pathBytes == path, "the path is not modified");
    Require(result >= IMAGEBUF_LOADED && result <= IMAGEBUF_NOT_FOR_THE_UNIT,
            "an existing file gives a documented result");
    Require(dataEnd >= 0 && dataEnd < IMAGEBUF_SIZE, "the data end lies inside the image");
    Require(result == IMAGEBUF_LOADED ? errorLine == 0 : errorLine >= 1,
            "an error line is given, and only on a fault");
    static const std::string blank(IMAGEBUF_SIZE, static_cast<char>(IMAGEBUF_BLANK));
    Require(std::memcmp(whole.bytes.get() + dataEnd + 1, blank.data() + dataEnd + 1,
                        IMAGEBUF_SIZE - dataEnd - 1) == 0,
            "nothing is written above the data end");

    ClrBuf(other.bytes.get(), IMAGEBUF_SIZE);
    const imagebuf::ImageLoad load = imagebuf::LoadImageFile(path.c_str(), other.bytes.get());
    Require(load.result == result && load.dataEnd == dataEnd && load.errorLine == errorLine,
            "FillBuf and LoadImageFile agree");
    Require(std::memcmp(whole.bytes.get(), other.bytes.get(), IMAGEBUF_SIZE) == 0,
            "FillBuf and LoadImageFile give the same image");
    Require(load.format.has_value(), "an existing file has a format");
    Require(load.fileSha256.has_value() && load.fileSha256->size() == 64, "an existing file has a digest");
    Require((load.fault.reason == imagebuf::FaultReason::None) == load.Loaded() &&
                imagebuf::FaultLine(load).empty() == load.Loaded(),
            "a reason and a fault text are given, and only on a fault");
    Require(load.fault.address.has_value() ==
                    (load.fault.reason == imagebuf::FaultReason::OutsideImage) &&
                load.fault.address.value_or(IMAGEBUF_SIZE) >= IMAGEBUF_SIZE,
            "an address is given for data outside the image, and lies outside it");
    return load;
}

// How a text format's records are checksummed: the character a record starts with, how many
// characters before its first counted byte, and whether the checksum byte is the sum's
// complement (S-records) or its negation (Intel HEX).
struct RecordSum {
    char lead;
    size_t uncounted;
    bool complement;
};

inline int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Rewrites the last byte of every line that is made of whole hex bytes behind the record's
// lead so that its checksum is right; other lines stay as they are. Mutations then reach the
// address and data paths beyond the checksum test.
inline std::string WithChecksumsMended(std::string text, const RecordSum& shape)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    size_t start = 0;
    while (start < text.size()) {
        size_t end = std::min(text.find('\n', start), text.size());
        const size_t next = end + 1;
        if (end > start && text[end - 1] == '\r')
            --end;
        const size_t digits = end - start >= shape.uncounted ? end - start - shape.uncounted : 0;
        bool wholeBytes = digits >= 2 * shape.uncounted && digits % 2 == 0 && text[start] == shape.lead;
        unsigned sum = 0;
        for (size_t i = start + shape.uncounted; wholeBytes && i + 2 < end; i += 2) {
            const int high = HexValue(text[i]);
            const int low = HexValue(text[i + 1]);
            wholeBytes = high >= 0 && low >= 0;
            sum += static_cast<unsigned>(high << 4 | low);
        }
        if (wholeBytes) {
            const unsigned checksum = (shape.complement ? ~sum : -sum) & 0xFF;
            text[end - 2] = kDigits[checksum >> 4];
            text[end - 1] = kDigits[checksum & 15];
        }
        start = next;
    }
    return text;
}

// A text file read in the smallest pieces loads as it did read whole (`load`, `whole`).
inline void RequireTheSameInPieces(const std::string& path, const imagebuf::ImageLoad& load, const FuzzImage& whole)
{
    static FuzzImage pieces;
    ClrBuf(pieces.bytes.get(), IMAGEBUF_SIZE);
    const imagebuf::ImageLoad inPieces =
        imagebuf::LoadImageFile(path.c_str(), pieces.bytes.get(), imagebuf::kSmallestReadChunk);
    Require(inPieces.result == load.result && inPieces.dataEnd == load.dataEnd &&
                inPieces.errorLine == load.errorLine && inPieces.fault.text == load.fault.text &&
                inPieces.fileSha256 == load.fileSha256,
            "reading in small pieces gives the same result");
    Require(std::memcmp(whole.bytes.get(), pieces.bytes.get(), IMAGEBUF_SIZE) == 0,
            "reading in small pieces gives the same image");
}
