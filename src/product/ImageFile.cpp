#include "product/ImageFile.h"

#include "imagebuf/imagebuf.h"
#include "transfer/ImageLoading.h"
#include "transfer/RunValues.h"

#include <QCryptographicHash>
#include <QFile>

#include <algorithm>

namespace product {

QString Sha256Hex(const QByteArray& bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

int32_t DataBytesOf(const std::vector<uint8_t>& image, int32_t dataEnd)
{
    int32_t end = std::min<int32_t>(dataEnd + 1, static_cast<int32_t>(image.size()));
    while (end > 0 && image[static_cast<size_t>(end - 1)] == IMAGEBUF_BLANK)
        --end;
    return end;
}

ImageFileReading ReadImageFile(const QString& path, const std::optional<QString>& pinnedSha256,
                               std::vector<uint8_t>& buffer)
{
    ImageFileReading reading;
    reading.image.file = path;
    buffer.resize(IMAGEBUF_SIZE);
    ClrBuf(buffer.data(), IMAGEBUF_SIZE);
    const imagebuf::ImageLoad load = imagebuf::LoadImageFile(QFile::encodeName(path).constData(), buffer.data());
    if (ImageFaultOf(load.result) != nullptr) {
        reading.fault = QString::fromStdString(imagebuf::FaultLine(load));
        return reading;
    }
    reading.image.format = load.format.value_or(imagebuf::ImageFormat::SRecord);
    reading.image.dataEnd = load.dataEnd;
    reading.image.sendEnd = SendEndOf(load.dataEnd);
    reading.image.dataBytes = DataBytesOf(buffer, load.dataEnd);
    // The digest is of the bytes the load read, so the image and its digest cannot differ.
    const QString digest = QString::fromStdString(load.fileSha256.value_or(std::string()));
    reading.image.fileSha256 = digest;
    if (pinnedSha256 && *pinnedSha256 != digest) {
        reading.fault = QStringLiteral("has SHA-256 %1, not the %2 the product pins").arg(digest, *pinnedSha256);
        reading.digestFault = true;
    }
    return reading;
}

} // namespace product
