#include "SRecordImage.h"

#include <QFile>
#include <QFileInfo>

namespace {

constexpr uint32_t kImageBytes = 0x80000;
constexpr size_t kBytesPerRecord = 32;

QByteArray record(char type, uint32_t address, const uint8_t* data, size_t count)
{
    const int addressBytes = type == '2' || type == '8' ? 3 : 2;
    std::vector<uint8_t> bytes{static_cast<uint8_t>(addressBytes + count + 1)};
    for (int i = addressBytes - 1; i >= 0; --i)
        bytes.push_back(static_cast<uint8_t>(address >> (8 * i)));
    bytes.insert(bytes.end(), data, data + count);
    unsigned sum = 0;
    for (const uint8_t b : bytes)
        sum += b;
    bytes.push_back(static_cast<uint8_t>(~sum));
    QByteArray line("S");
    line.append(type);
    line.append(QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()))
                    .toHex()
                    .toUpper());
    line.append("\r\n");
    return line;
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
