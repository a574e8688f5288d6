// The file around the records: opening, reading in pieces, the call's arguments, ClrBuf.
#include "ImageFixture.h"
#include "support/SRecordText.h"

#include "ElfBytes.h"

#include "imagebuf/TextImageFile.h"

#include <QCryptographicHash>

#include <sys/stat.h>

#include <algorithm>

namespace {

class FillBufFile : public ImageFixture {};

TEST_F(FillBufFile, MissingFileCannotBeOpened)
{
    EXPECT_EQ(LoadPath(dir_.filePath("missing.mot").toStdString()),
              (Loaded{IMAGEBUF_CANNOT_OPEN, 0, 0}));
}

// Refused at once as what they are, before a byte is read: a pipe would wait for its writer,
// a device such as /dev/zero would never end.
TEST_F(FillBufFile, WhatIsNotARegularFileIsRefusedUnread)
{
    const std::string pipe = dir_.filePath("pipe.mot").toStdString();
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    for (const std::string& path : {dir_.path().toStdString(), pipe, std::string("/dev/zero")}) {
        EXPECT_EQ(LoadPath(path), (Loaded{IMAGEBUF_CANNOT_OPEN, 0, 0})) << path;
        const imagebuf::ImageLoad load = imagebuf::LoadImageFile(path.c_str(), ImageStart());
        EXPECT_EQ(imagebuf::FaultLine(load), "cannot be opened: not a regular file") << path;
        EXPECT_FALSE(load.fileSha256.has_value()) << path;
    }
}

TEST_F(FillBufFile, Utf8FileNameLoads)
{
    const std::string path = WriteFile(SRecord(1, 0x40, {7}) + "\n", "データ 1.mot");
    EXPECT_EQ(LoadPath(path), (Loaded{IMAGEBUF_LOADED, 0x40, 0}));
}

TEST_F(FillBufFile, NullPathOrBufferCannotBeOpened)
{
    const std::string path = WriteFile(SRecord(1, 0x40, {7}) + "\n");
    std::string pathBytes = path;
    int32_t dataEnd = 5;
    int32_t errorLine = 5;
    EXPECT_EQ(FillBuf(ImageStart(), nullptr, &dataEnd, nullptr, 0, &errorLine),
              IMAGEBUF_CANNOT_OPEN);
    EXPECT_EQ(FillBuf(nullptr, pathBytes.data(), &dataEnd, nullptr, 0, &errorLine),
              IMAGEBUF_CANNOT_OPEN);
    EXPECT_EQ(dataEnd, 0);
    EXPECT_EQ(errorLine, 0);
}

TEST_F(FillBufFile, NullResultPointersAreNotWritten)
{
    std::string path = WriteFile(SRecord(1, 0x40, {7}) + "\n");
    ClrBuf(ImageStart(), IMAGEBUF_SIZE);
    EXPECT_EQ(FillBuf(ImageStart(), path.data(), nullptr, nullptr, 0, nullptr), IMAGEBUF_LOADED);
    EXPECT_EQ(ImageStart()[0x40], 7);
}

TEST_F(FillBufFile, NoStateCarriesOverFromAFailedLoad)
{
    ASSERT_EQ(Load(SRecord(1, 0x10, {1}) + "\nX\n"), (Loaded{IMAGEBUF_NOT_A_RECORD, 0x10, 2}));
    EXPECT_EQ(Load(SRecord(1, 0x08, {1}) + "\n"), (Loaded{IMAGEBUF_LOADED, 0x08, 0}));
}

std::string Sha256Of(std::string_view bytes)
{
    return QCryptographicHash::hash(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())),
                                    QCryptographicHash::Sha256)
        .toHex()
        .toStdString();
}

// The digest is of the whole file as read, whatever its format and wherever its records end.
TEST_F(FillBufFile, DigestCoversEveryByteOfTheFile)
{
    const std::string records = SRecord(1, 0x40, {7}) + "\n";
    const std::string elf = ElfBytes({.segments = {{.paddr = 0x10, .bytes = {1, 2, 3}}}});
    for (const std::string& bytes : {std::string(), records, records + SRecord(9, 0) + "\nnot read\n",
                                     "junk\n" + records, std::string(":00000001FF\r\n"), elf, elf.substr(0, 20)}) {
        const imagebuf::ImageLoad load = imagebuf::LoadImageFile(WriteFile(bytes).c_str(), ImageStart());
        EXPECT_EQ(load.fileSha256, Sha256Of(bytes)) << bytes;
    }
}

// Files larger than the smallest read piece, with the lines the piece boundaries can cut.
struct ChunkCase {
    const char* name;
    std::string text;
};

std::string ManyRecords(const std::string& extraAtLine2000)
{
    std::string text = SRecord(0, 0, {'m', 'a', 'n', 'y'}) + "\r\n";
    for (uint32_t i = 1; i < 3000; ++i) {
        if (i == 2000)
            text += extraAtLine2000;
        std::vector<uint8_t> data(i % 40, static_cast<uint8_t>(i));
        text += SRecord(static_cast<int>(1 + i % 3), i * 97 % 0x7F000, data);
        text += i % 5 == 0 ? "\n\n" : "\r\n";
    }
    return text;
}

const ChunkCase kChunkCases[] = {
    {"Valid", ManyRecords("") + SRecord(9, 0)},
    {"ChecksumFaultLate", ManyRecords("S104000001FB\n")},
    {"LongestLinesLate", ManyRecords(SRecord(1, 0x300, std::vector<uint8_t>(252, 3)) + "\r\n")},
    {"OverLongLineLate", ManyRecords("S2" + std::string(5000, 'A') + "\n")},
    {"TruncatedEnd", ManyRecords("") + SRecord(2, 0x100, {1, 2, 3}).substr(0, 9)},
    // The rest is read for the digest alone, in pieces as well.
    {"FaultEarly", SRecord(1, 0x10, {1}) + "\nX\n" + ManyRecords("")},
};

class FillBufChunks : public ImageFixture, public ::testing::WithParamInterface<ChunkCase> {};

TEST_P(FillBufChunks, ResultDoesNotDependOnReadPieceSize)
{
    const std::string path = WriteFile(GetParam().text);
    const Loaded whole = LoadPath(path);
    const std::vector<uint8_t> wholeImage = Image();
    ASSERT_GT(whole.dataEnd, 0);
    const std::string digest = Sha256Of(GetParam().text);

    for (size_t chunk : {size_t{0}, imagebuf::kSmallestReadChunk, imagebuf::kSmallestReadChunk + 7,
                         size_t{4096}, size_t{65536}, imagebuf::kReadChunk}) {
        std::vector<uint8_t> image(IMAGEBUF_SIZE, IMAGEBUF_BLANK);
        const imagebuf::ImageLoad r = imagebuf::LoadImageFile(path.c_str(), image.data(), chunk);
        EXPECT_EQ((Loaded{r.result, r.dataEnd, r.errorLine}), whole) << "piece size " << chunk;
        EXPECT_EQ(FirstDifference(image, wholeImage), -1) << "piece size " << chunk;
        EXPECT_EQ(r.fileSha256, digest) << "piece size " << chunk;
    }
}

INSTANTIATE_TEST_SUITE_P(Files, FillBufChunks, ::testing::ValuesIn(kChunkCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ClrBuf, FillsExactlyTheGivenSize)
{
    std::vector<uint8_t> buffer(64, 0);
    ClrBuf(buffer.data() + 8, 40);
    EXPECT_EQ(std::count(buffer.begin(), buffer.end(), IMAGEBUF_BLANK), 40);
    EXPECT_EQ(buffer[7], 0);
    EXPECT_EQ(buffer[8], IMAGEBUF_BLANK);
    EXPECT_EQ(buffer[47], IMAGEBUF_BLANK);
    EXPECT_EQ(buffer[48], 0);
}

TEST(ClrBuf, ZeroOrNegativeSizeDoesNothing)
{
    std::vector<uint8_t> buffer(16, 0);
    ClrBuf(buffer.data(), 0);
    ClrBuf(buffer.data(), -1);
    ClrBuf(buffer.data(), INT32_MIN);
    EXPECT_EQ(std::count(buffer.begin(), buffer.end(), 0), 16);
}

} // namespace
