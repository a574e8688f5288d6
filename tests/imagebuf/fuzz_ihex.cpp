// libFuzzer target for the Intel HEX reader. Each input is written to a file and loaded through
// FillBuf and LoadImageFile, and again read in the smallest pieces; a copy with every record's
// checksum mended is loaded too, so that mutations reach the address and data paths beyond
// the checksum test. Any broken promise of the call interface aborts.
// Built and run by run_fuzz.sh, not by the project build.
#include "FuzzImage.h"

#include "imagebuf/TextImageFile.h"

#include <algorithm>

extern const char* const kFuzzTarget = "fuzz_ihex";

namespace {

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Rewrites the last byte of every line that is made of whole hex bytes behind ":" so that its
// checksum is right; other lines stay as they are.
std::string WithChecksumsMended(std::string text)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    size_t start = 0;
    while (start < text.size()) {
        size_t end = std::min(text.find('\n', start), text.size());
        const size_t next = end + 1;
        if (end > start && text[end - 1] == '\r')
            --end;
        const size_t digits = end - start >= 1 ? end - start - 1 : 0;
        bool wholeBytes = digits >= 2 && digits % 2 == 0 && text[start] == ':';
        unsigned sum = 0;
        for (size_t i = start + 1; wholeBytes && i + 2 < end; i += 2) {
            const int high = HexValue(text[i]);
            const int low = HexValue(text[i + 1]);
            wholeBytes = high >= 0 && low >= 0;
            sum += static_cast<unsigned>(high << 4 | low);
        }
        if (wholeBytes) {
            const unsigned checksum = -sum & 0xFF;
            text[end - 2] = kDigits[checksum >> 4];
            text[end - 1] = kDigits[checksum & 15];
        }
        start = next;
    }
    return text;
}

void LoadAndCheck(const std::string& path, std::string_view text)
{
    static FuzzImage whole;
    static FuzzImage pieces;
    WriteInput(path, text);
    const imagebuf::ImageLoad load = LoadAndCheckEveryPromise(path, whole);

    const size_t first = text.find_first_not_of("\r\n");
    const bool hex = first != std::string_view::npos && text[first] == ':';
    Require(hex == (load.format == imagebuf::ImageFormat::IntelHex),
            "Intel HEX is read when the first character is ':'");
    const int64_t lines = std::count(text.begin(), text.end(), '\n') + 1;
    Require(!hex || load.Loaded() ||
                (load.fault.place == imagebuf::FaultPlace::Line &&
                 load.fault.number == load.errorLine && load.errorLine <= lines),
            "a fault of a HEX file is on one of its lines");

    ClrBuf(pieces.bytes.get(), IMAGEBUF_SIZE);
    const imagebuf::ImageLoad inPieces =
        imagebuf::LoadImageFile(path.c_str(), pieces.bytes.get(), imagebuf::kSmallestReadChunk);
    Require(inPieces.result == load.result && inPieces.dataEnd == load.dataEnd &&
                inPieces.errorLine == load.errorLine && inPieces.fault.text == load.fault.text,
            "reading in small pieces gives the same result");
    Require(std::memcmp(whole.bytes.get(), pieces.bytes.get(), IMAGEBUF_SIZE) == 0,
            "reading in small pieces gives the same image");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::string path = InputPath(".hex");
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    LoadAndCheck(path, text);
    LoadAndCheck(path, WithChecksumsMended(std::string(text)));
    unlink(path.c_str());
    return 0;
}
