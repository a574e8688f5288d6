#include "ImageFixture.h"

#include <algorithm>
#include <fstream>

void PrintTo(const Loaded& loaded, std::ostream* out)
{
    *out << "{result " << loaded.result << ", dataEnd 0x" << std::hex << loaded.dataEnd
         << std::dec << ", errorLine " << loaded.errorLine << "}";
}

std::vector<uint8_t> ExpectedImage(const std::vector<Placed>& placed)
{
    std::vector<uint8_t> image(IMAGEBUF_SIZE, IMAGEBUF_BLANK);
    for (const Placed& p : placed)
        std::copy(p.bytes.begin(), p.bytes.end(), image.begin() + p.address);
    return image;
}

int64_t FirstDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b)
{
    const auto [inA, inB] = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
    return inA == a.end() && inB == b.end() ? -1 : inA - a.begin();
}

ImageFixture::ImageFixture() : storage_(kGuard + IMAGEBUF_SIZE + kGuard, kGuardByte)
{
    EXPECT_TRUE(dir_.isValid());
}

std::string ImageFixture::WriteFile(std::string_view text, const std::string& name)
{
    const std::string path = dir_.filePath(QString::fromStdString(name)).toStdString();
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    EXPECT_TRUE(out.good()) << path;
    return path;
}

Loaded ImageFixture::LoadPath(const std::string& path)
{
    ClrBuf(ImageStart(), IMAGEBUF_SIZE);
    Loaded loaded{-99, -99, -99};
    int32_t unused = 0x1234;
    std::string pathBytes = path;
    loaded.result =
        FillBuf(ImageStart(), pathBytes.data(), &loaded.dataEnd, &unused, 3, &loaded.errorLine);
    EXPECT_EQ(unused, 0x1234);
    EXPECT_EQ(pathBytes, path);
    ExpectGuardsIntact();
    return loaded;
}

std::vector<uint8_t> ImageFixture::Image() const
{
    return {storage_.begin() + kGuard, storage_.begin() + kGuard + IMAGEBUF_SIZE};
}

void ImageFixture::ExpectGuardsIntact() const
{
    const auto isGuard = [](uint8_t b) { return b == kGuardByte; };
    EXPECT_TRUE(std::all_of(storage_.begin(), storage_.begin() + kGuard, isGuard));
    EXPECT_TRUE(std::all_of(storage_.end() - kGuard, storage_.end(), isGuard));
}
