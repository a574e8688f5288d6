#include "SRecordImage.h"

#include "support/SRecordText.h"

#include <QFile>
#include <QFileInfo>

namespace {

constexpr uint32_t kImageBytes = 0x80000;
constexpr size_t kBytesPerRecord = 32;

QByteArray record(char type, uint32_t address, const uint8_t* data, size_t count)
{
    return QByteArray::fromStdString(SRecord(type - '0', address, std::vector<uint8_t>(data, data + count))) + "\r\n";
}

} // namespace

QByteArray SRecordLine(char type, uint32_t address, const std::vector<uint8_t>& data)
{
    return record(type, address, data.data(), data.size());
}

ImageChunk PatternChunk(uint32_t address, uint32_t count, uint8_t seed)
{
    ImageChunk chunk{address, std::vector<uint8_t>(count)};
    for (uint32_t i = 0; i < count; ++i)
        chunk.bytes[i] = static_cast<uint8_t>((address + i) * 7 + (address + i) / 251 + seed) % 0xFF;
    return chunk;
}

bool WriteSRecordFile(const QString& path, const std::vector<ImageChunk>& chunks)
{
    QByteArray text("S00600004844521B\r\n");
    for (const ImageChunk& chunk : chunks)
        for (size_t offset = 0; offset < chunk.bytes.size(); offset += kBytesPerRecord)
            text += record('2', chunk.address + static_cast<uint32_t>(offset), chunk.bytes.data() + offset,
                           std::min(kBytesPerRecord, chunk.bytes.size() - offset));
    text += record('8', 0, nullptr, 0);
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text) == text.size();
}

std::vector<uint8_t> ImageOf(const std::vector<ImageChunk>& chunks)
{
    std::vector<uint8_t> image(kImageBytes, 0xFF);
    for (const ImageChunk& chunk : chunks)
        std::copy(chunk.bytes.begin(), chunk.bytes.end(), image.begin() + chunk.address);
    return image;
}

QString TitleOf(const QString& path)
{
    return QFileInfo(path).fileName();
}
