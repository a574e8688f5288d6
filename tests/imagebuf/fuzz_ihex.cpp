// libFuzzer target for the Intel HEX reader. Each input is written to a file and loaded through
// FillBuf and LoadImageFile, and again read in the smallest pieces; a copy with every record's
// checksum mended is loaded too, so that mutations reach the address and data paths beyond
// the checksum test. Any broken promise of the call interface aborts.
// Built and run by run_fuzz.sh, not by the project build.
#include "FuzzImage.h"

#include <algorithm>

extern const char* const kFuzzTarget = "fuzz_ihex";

namespace {

constexpr RecordSum kRecordSum{':', 1, false};

void LoadAndCheck(const std::string& path, std::string_view text)
{
    static FuzzImage whole;
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

    RequireTheSameInPieces(path, load, whole);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::string path = InputPath(".hex");
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    LoadAndCheck(path, text);
    LoadAndCheck(path, WithChecksumsMended(std::string(text), kRecordSum));
    unlink(path.c_str());
    return 0;
}
