// Images as the SH and H8 toolchains and srec_cat write them, made at test time: every form of
// one program loads to the same image and data end, and the SH linker's default stack section
// is refused with its address. The tools are Debian packages that ./test.sh installs; under CI
// a missing one fails the test, elsewhere it skips it.
#include "ImageFixture.h"
#include "support/SRecordText.h"

#include "imagebuf/ImageLoad.h"

#include <QProcess>
#include <QStandardPaths>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

namespace {

using imagebuf::ImageFormat;
using imagebuf::ImageLoad;

// Code with a gap before its data, as small programs have.
constexpr const char* kShProgram = R"(
        .text
        .global start
start:
        mov.l   data_addr, r1
        mov.l   @r1, r0
        add     #1, r0
        bra     start
        mov.l   r0, @r1
        .align 2
data_addr:
        .long   value
        .data
value:  .long   0x12345678
        .ascii  "corvane"
)";

constexpr const char* kH8Program = R"(
        .h8300h
        .text
        .global _start
_start:
        mov.l   #value, er1
        mov.w   @er1, r0
        inc.w   #1, r0
        mov.w   r0, @er1
        bra     _start
        .data
value:  .word   0x1234
        .ascii  "h8data"
)";

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The 1-based number of the first line of `text` that holds `needle`, 0 when none does.
int32_t LineHolding(const std::string& text, const std::string& needle)
{
    std::istringstream lines(text);
    std::string line;
    for (int32_t number = 1; std::getline(lines, line); ++number)
        if (line.find(needle) != std::string::npos)
            return number;
    return 0;
}

struct LoadedImage {
    ImageLoad load;
    std::vector<uint8_t> image = std::vector<uint8_t>(IMAGEBUF_SIZE, IMAGEBUF_BLANK);
};

class ToolchainImages : public ImageFixture {
protected:
    // Fails (under CI) or skips the test when a tool is not installed; check IsSkipped() and
    // HasFatalFailure() after it.
    void RequireTools(std::initializer_list<const char*> tools)
    {
        for (const char* tool : tools) {
            if (!QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
                continue;
            if (std::getenv("CI") != nullptr)
                FAIL() << tool << " is not installed (tools/deps.sh lists its package)";
            GTEST_SKIP() << tool << " is not installed";
        }
    }

    // Runs a tool in the test's folder and fails the test when it does not succeed.
    void Run(const QString& tool, const QStringList& arguments)
    {
        QProcess process;
        process.setWorkingDirectory(dir_.path());
        process.start(tool, arguments);
        ASSERT_TRUE(process.waitForFinished(60000)) << tool.toStdString();
        ASSERT_TRUE(process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0)
            << tool.toStdString() << " " << arguments.join(' ').toStdString() << ":\n"
            << process.readAllStandardError().toStdString();
    }

    std::string PathOf(const char* name) const { return dir_.filePath(QString::fromLatin1(name)).toStdString(); }

    LoadedImage LoadAs(const char* name, ImageFormat format)
    {
        LoadedImage loaded;
        loaded.load = imagebuf::LoadImageFile(PathOf(name).c_str(), loaded.image.data());
        EXPECT_EQ(loaded.load.format, format) << name;
        return loaded;
    }

    // Every form loads, to the image of the first and its data end.
    void ExpectAlike(const std::vector<std::pair<const char*, ImageFormat>>& forms)
    {
        const LoadedImage first = LoadAs(forms[0].first, forms[0].second);
        EXPECT_EQ(first.load.result, IMAGEBUF_LOADED) << imagebuf::FaultLine(first.load);
        for (const auto& [name, format] : forms) {
            const LoadedImage other = LoadAs(name, format);
            EXPECT_EQ(other.load.result, IMAGEBUF_LOADED) << name << ": " << imagebuf::FaultLine(other.load);
            EXPECT_EQ(other.load.dataEnd, first.load.dataEnd) << name;
            EXPECT_EQ(FirstDifference(other.image, first.image), -1) << name;
        }
    }

    // The image holds `binary` (objcopy's raw output, gaps filled blank) at `start`, nothing else.
    void ExpectImageIs(const char* name, ImageFormat format, const char* binary, uint32_t start)
    {
        const std::string bytes = ReadFile(PathOf(binary));
        ASSERT_FALSE(bytes.empty());
        const LoadedImage loaded = LoadAs(name, format);
        EXPECT_EQ(loaded.load.dataEnd, static_cast<int32_t>(start + bytes.size() - 1));
        EXPECT_EQ(FirstDifference(loaded.image, ExpectedImage({{start, {bytes.begin(), bytes.end()}}})), -1);
    }

    void BuildShProgram()
    {
        WriteFile(kShProgram, "app.s");
        Run("sh-elf-as", {"-big", "-o", "app.o", "app.s"});
        Run("sh-elf-ld", {"-EB", "-Ttext=0", "-o", "app.elf", "app.o"});
    }
};

TEST_F(ToolchainImages, ShProgramWithoutItsStackLoadsAlikeAsElfSRecordsAndIntelHex)
{
    RequireTools({"sh-elf-as", "sh-elf-ld", "sh-elf-objcopy"});
    if (IsSkipped() || HasFatalFailure())
        return;
    ASSERT_NO_FATAL_FAILURE(BuildShProgram());
    for (auto [format, name] : {std::pair{"elf32-sh", "flash.elf"}, {"srec", "flash.mot"},
                                {"ihex", "flash.hex"}})
        ASSERT_NO_FATAL_FAILURE(Run("sh-elf-objcopy", {"-R", ".stack", "-O", format, "app.elf", name}));
    ASSERT_NO_FATAL_FAILURE(Run("sh-elf-objcopy", {"-R", ".stack", "-O", "binary", "--gap-fill", "0xff",
                                                   "app.elf", "flash.bin"}));

    ExpectAlike({{"flash.elf", ImageFormat::Elf}, {"flash.mot", ImageFormat::SRecord},
                 {"flash.hex", ImageFormat::IntelHex}});
    ExpectImageIs("flash.elf", ImageFormat::Elf, "flash.bin", 0);
}

TEST_F(ToolchainImages, ShDefaultStackSectionIsADataFaultAtItsAddressInEveryForm)
{
    RequireTools({"sh-elf-as", "sh-elf-ld", "sh-elf-objcopy"});
    if (IsSkipped() || HasFatalFailure())
        return;
    ASSERT_NO_FATAL_FAILURE(BuildShProgram());
    ASSERT_NO_FATAL_FAILURE(Run("sh-elf-objcopy", {"-O", "srec", "app.elf", "app.mot"}));
    ASSERT_NO_FATAL_FAILURE(Run("sh-elf-objcopy", {"-O", "ihex", "app.elf", "app.hex"}));
    const std::string outside = "data at 0x3FFFFF00 lies outside the image (0x00000-0x7FFFF)";

    const LoadedImage elf = LoadAs("app.elf", ImageFormat::Elf);
    EXPECT_EQ(elf.load.result, IMAGEBUF_BEYOND_IMAGE);
    EXPECT_EQ(elf.load.fault.address, 0x3FFFFF00u);
    EXPECT_EQ(imagebuf::FaultLine(elf.load), "segment 3: " + outside);

    const LoadedImage srec = LoadAs("app.mot", ImageFormat::SRecord);
    EXPECT_EQ(srec.load.result, IMAGEBUF_BEYOND_IMAGE);
    const int32_t srecLine = LineHolding(ReadFile(PathOf("app.mot")), "3FFFFF00");
    EXPECT_EQ(imagebuf::FaultLine(srec.load), "line " + std::to_string(srecLine) + ": " + outside);

    // The data record right after the one that sets the upper address bits to 0x3FFF.
    const LoadedImage hex = LoadAs("app.hex", ImageFormat::IntelHex);
    EXPECT_EQ(hex.load.result, IMAGEBUF_BEYOND_IMAGE);
    const int32_t hexLine = LineHolding(ReadFile(PathOf("app.hex")), ":020000043FFF") + 1;
    EXPECT_EQ(imagebuf::FaultLine(hex.load), "line " + std::to_string(hexLine) + ": " + outside);
}

TEST_F(ToolchainImages, H8ProgramLoadsAlikeAsSRecordsAndIntelHex)
{
    RequireTools({"h8300-hms-as", "h8300-hms-ld", "h8300-hms-objcopy"});
    if (IsSkipped() || HasFatalFailure())
        return;
    WriteFile(kH8Program, "app.s");
    ASSERT_NO_FATAL_FAILURE(Run("h8300-hms-as", {"-o", "app.o", "app.s"}));
    ASSERT_NO_FATAL_FAILURE(Run("h8300-hms-ld", {"-mh8300h", "-o", "app.coff", "app.o"}));
    // Its linker writes COFF, not ELF: the programmer gets records.
    for (auto [format, name] : {std::pair{"srec", "app.mot"}, {"ihex", "app.hex"}})
        ASSERT_NO_FATAL_FAILURE(Run("h8300-hms-objcopy", {"-O", format, "app.coff", name}));
    ASSERT_NO_FATAL_FAILURE(Run("h8300-hms-objcopy", {"-O", "binary", "--gap-fill", "0xff", "app.coff", "app.bin"}));

    ExpectAlike({{"app.mot", ImageFormat::SRecord}, {"app.hex", ImageFormat::IntelHex}});
    ExpectImageIs("app.hex", ImageFormat::IntelHex, "app.bin", 0x100);
}

// Data around every 64 KB boundary of the image, and at its very end, as S2 records.
std::string SRecordsAcross64KBoundaries()
{
    std::string text;
    uint32_t state = 2024;
    for (uint32_t boundary = 0x10000; boundary <= IMAGEBUF_SIZE; boundary += 0x10000) {
        const uint32_t start = boundary - 0x53;
        const uint32_t end = std::min<uint32_t>(boundary + 0x31, IMAGEBUF_SIZE);
        for (uint32_t address = start; address < end; address += 29) {
            std::vector<uint8_t> data(std::min<uint32_t>(29, end - address));
            for (uint8_t& b : data) {
                state = state * 1103515245 + 12345;
                b = static_cast<uint8_t>(state >> 16);
            }
            text += SRecord(2, address, data) + "\n";
        }
    }
    return text + SRecord(8, 0) + "\n";
}

TEST_F(ToolchainImages, SrecCatIntelHexAcross64KBoundariesMatchesTheSRecords)
{
    RequireTools({"srec_cat"});
    if (IsSkipped() || HasFatalFailure())
        return;
    WriteFile(SRecordsAcross64KBoundaries(), "data.mot");
    // Linear addressing (type 04), in short and long records, and segmented addressing (type 02).
    ASSERT_NO_FATAL_FAILURE(Run("srec_cat", {"data.mot", "-o", "linear.hex", "-Intel"}));
    ASSERT_NO_FATAL_FAILURE(Run("srec_cat", {"data.mot", "-o", "long.hex", "-Intel", "-Output_Block_Size=255"}));
    ASSERT_NO_FATAL_FAILURE(Run("srec_cat", {"data.mot", "-o", "segment.hex", "-Intel", "--address-length=3"}));
    EXPECT_NE(LineHolding(ReadFile(PathOf("linear.hex")), ":020000040007"), 0);
    EXPECT_NE(LineHolding(ReadFile(PathOf("segment.hex")), ":020000027000"), 0);

    ExpectAlike({{"data.mot", ImageFormat::SRecord}, {"linear.hex", ImageFormat::IntelHex},
                 {"long.hex", ImageFormat::IntelHex}, {"segment.hex", ImageFormat::IntelHex}});
    EXPECT_EQ(LoadAs("segment.hex", ImageFormat::IntelHex).load.dataEnd, IMAGEBUF_SIZE - 1);
}

} // namespace
