// Times FillBuf on a full 512 KB image written as S2 records (about 1.3 MB of text), as Intel
// HEX (about 1.3 MB) and as a two-segment ELF file, the three in alternating rounds, and, for
// scale, objcopy converting the S-record file as a whole process. Prints `name: value` lines:
// the median of the rounds with _min and _max, and the rates in file bytes and image bytes.
#include "imagebuf/ElfBytes.h"
#include "imagebuf/HexRecordText.h"
#include "support/SRecordText.h"

#include "imagebuf/imagebuf.h"

#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kLoadRuns = 21;
constexpr int kObjcopyRuns = 5;

std::vector<uint8_t> PseudoRandomImage()
{
    std::vector<uint8_t> image(IMAGEBUF_SIZE);
    uint32_t state = 12345;
    for (uint8_t& b : image) {
        state = state * 1103515245 + 12345;
        b = static_cast<uint8_t>(state >> 16);
    }
    return image;
}

// Record sizes cycle through 32, 32 and 16 bytes, as linkers mix full and short records.
std::string SRecordText(const std::vector<uint8_t>& image)
{
    static constexpr size_t kRecordSizes[] = {32, 32, 16};
    std::string text = SRecord(0, 0, {'b', 'e', 'n', 'c', 'h'}) + "\r\n";
    size_t next = 0;
    for (size_t address = 0; address < image.size();) {
        const size_t size = std::min(kRecordSizes[next++ % 3], image.size() - address);
        const std::vector<uint8_t> data(image.begin() + address, image.begin() + address + size);
        text += SRecord(2, static_cast<uint32_t>(address), data) + "\r\n";
        address += size;
    }
    return text + SRecord(8, 0) + "\r\n";
}

// The same sizes as Intel HEX records, the upper address bits set whenever they change (a
// record may run on across 64 KB).
std::string IntelHexText(const std::vector<uint8_t>& image)
{
    static constexpr size_t kRecordSizes[] = {32, 32, 16};
    std::string text;
    size_t next = 0;
    for (size_t address = 0, upper = SIZE_MAX; address < image.size();) {
        if (address >> 16 != upper) {
            upper = address >> 16;
            text += HexLinearBase(static_cast<uint16_t>(upper)) + "\r\n";
        }
        const size_t size = std::min(kRecordSizes[next++ % 3], image.size() - address);
        const std::vector<uint8_t> data(image.begin() + address, image.begin() + address + size);
        text += HexRecord(0x00, static_cast<uint16_t>(address), data) + "\r\n";
        address += size;
    }
    return text + kHexEndOfFile + "\r\n";
}

// Code and data as two segments, as a linker writes a program that fills the flash.
std::string ElfFile(const std::vector<uint8_t>& image)
{
    constexpr size_t kDataStart = 0x60000;
    return ElfBytes({.segments = {{.paddr = 0, .bytes = {image.begin(), image.begin() + kDataStart}},
                                  {.paddr = kDataStart, .bytes = {image.begin() + kDataStart, image.end()}}}});
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double MillisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Runs objcopy once; the time of the whole process, or nothing when it cannot run or fails.
std::optional<double> TimeObjcopy(const std::string& input, const std::string& output)
{
    std::string args[] = {"objcopy", "-I", "srec", "-O", "binary", input, output};
    char* argv[] = {args[0].data(), args[1].data(), args[2].data(), args[3].data(),
                    args[4].data(), args[5].data(), args[6].data(), nullptr};
    const Clock::time_point start = Clock::now();
    pid_t pid = 0;
    if (posix_spawnp(&pid, "objcopy", nullptr, nullptr, argv, environ) != 0)
        return std::nullopt;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    return MillisecondsSince(start);
}

std::vector<uint8_t> ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct Form {
    const char* name; // the prefix of its figures
    std::string path;
    size_t fileBytes;
    std::vector<double> loadMs;
};

Form WriteForm(const fs::path& folder, const char* name, const char* file, const std::string& bytes)
{
    const std::string path = (folder / file).string();
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return {name, path, bytes.size(), {}};
}

// Loads one form once and adds its time; false when it does not give the expected image.
bool TimeLoad(Form& form, std::vector<uint8_t>& image, const std::vector<uint8_t>& expected)
{
    ClrBuf(image.data(), IMAGEBUF_SIZE);
    int32_t dataEnd = 0;
    int32_t unused = 0;
    int32_t errorLine = 0;
    const Clock::time_point start = Clock::now();
    const int16_t result = FillBuf(image.data(), form.path.data(), &dataEnd, &unused, 0, &errorLine);
    form.loadMs.push_back(MillisecondsSince(start));
    if (result != IMAGEBUF_LOADED || dataEnd != IMAGEBUF_SIZE - 1 || image != expected) {
        std::fprintf(stderr, "bench_srec: FillBuf gave %d for %s (line %d, data end 0x%X)\n", result,
                     form.path.c_str(), errorLine, dataEnd);
        return false;
    }
    return true;
}

void PrintFigures(const Form& form)
{
    const double load = Median(form.loadMs);
    const auto [min, max] = std::minmax_element(form.loadMs.begin(), form.loadMs.end());
    std::printf("%sload_ms: %.3f\n", form.name, load);
    std::printf("%sload_ms_min: %.3f\n", form.name, *min);
    std::printf("%sload_ms_max: %.3f\n", form.name, *max);
    std::printf("%smb_per_s: %.0f\n", form.name, static_cast<double>(form.fileBytes) / 1e6 / (load / 1e3));
    std::printf("%simage_mb_per_s: %.0f\n", form.name, double{IMAGEBUF_SIZE} / 1e6 / (load / 1e3));
}

int Run(const fs::path& folder)
{
    const std::vector<uint8_t> expected = PseudoRandomImage();
    // S-records keep their figures' names from before the other forms were read.
    Form forms[] = {WriteForm(folder, "", "image.mot", SRecordText(expected)),
                    WriteForm(folder, "ihex_", "image.hex", IntelHexText(expected)),
                    WriteForm(folder, "elf_", "image.elf", ElfFile(expected))};
    const std::string input = forms[0].path;

    std::vector<uint8_t> image(IMAGEBUF_SIZE);
    for (int run = 0; run < kLoadRuns; ++run)
        for (Form& form : forms)
            if (!TimeLoad(form, image, expected))
                return 1;
    for (const Form& form : forms)
        PrintFigures(form);

    const std::string output = (folder / "image.bin").string();
    std::vector<double> objcopyMs;
    for (int run = 0; run < kObjcopyRuns; ++run) {
        const std::optional<double> ms = TimeObjcopy(input, output);
        if (!ms)
            break;
        objcopyMs.push_back(*ms);
    }
    if (objcopyMs.size() != kObjcopyRuns) {
        std::printf("objcopy_ms: n/a\n");
        return 0;
    }
    std::printf("objcopy_ms: %.1f\n", Median(objcopyMs));
    if (ReadAll(output) != expected) {
        std::fprintf(stderr, "bench_srec: objcopy and FillBuf disagree about the image\n");
        return 1;
    }
    return 0;
}

} // namespace

int main()
{
    std::string pattern = (fs::temp_directory_path() / "bench_srec.XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        std::perror("bench_srec: temporary folder");
        return 1;
    }
    const int status = Run(pattern);
    std::error_code ignored;
    fs::remove_all(pattern, ignored);
    return status;
}
