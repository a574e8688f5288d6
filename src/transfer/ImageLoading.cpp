// The S-record file into the image buffer, through the image-buffer library.
#include "transfer/ImageLoading.h"

#include "transfer/RunValues.h"
#include "transfer/TransferRun.h"

#include "imagebuf/imagebuf.h"
#include "shared/MessageTable.h"
#include "shared/Module1.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

bool FileCanBeOpened(const QString& path)
{
    if (path.isEmpty() || QFileInfo(path).isDir())
        return false;
    QFile file(path);
    return file.open(QIODevice::ReadOnly);
}

QString FileTitleOf(const QString& path)
{
    const qsizetype separator = std::max(path.lastIndexOf(QLatin1Char('\\')), path.lastIndexOf(QLatin1Char('/')));
    return path.mid(separator + 1);
}

LoadedImage LoadImageFile()
{
    LoadedImage image;
    int32_t unused = 0;
    ClrBuf(Module1.ImageBuf.data(), kImageSize);
    // The library takes the name as a writable, zero-terminated buffer in the file-name encoding.
    QByteArray path = QFile::encodeName(Module1.FilePath);
    image.result =
        FillBuf(Module1.ImageBuf.data(), path.data(), &image.dataEnd, &unused, Module1.CpuIndex, &image.errorLine);
    Module1.FilePath = QFile::decodeName(path.constData());
    return image;
}

const MessageRow* ImageFaultOf(int16_t result)
{
    if (result == IMAGEBUF_CANNOT_OPEN)
        return &Messages::kOpenFile;
    if (result == IMAGEBUF_BAD_CHECKSUM)
        return &Messages::kErr001;
    if (result >= IMAGEBUF_NOT_A_RECORD)
        return &Messages::kErr002;
    return nullptr;
}

QString ImageFaultPrefix(const MessageRow& fault, int32_t errorLine)
{
    return &fault == &Messages::kOpenFile ? QString() : NumberText(errorLine);
}

TransferRun::RunStep TransferRun::LoadImage()
{
    const LoadedImage image = LoadImageFile();
    values_.DataEnd = image.dataEnd;
    values_.ErrorLine = image.errorLine;
    values_.SendEnd = SendEndOf(values_.DataEnd);
    report_.dataEnd = values_.DataEnd;
    report_.sendEnd = values_.SendEnd;

    const MessageRow* fault = ImageFaultOf(image.result);
    report_.imageLoaded = fault == nullptr;
    if (fault == nullptr)
        return RunStep::GoOn;
    stopWith(*fault, ImageFaultPrefix(*fault, values_.ErrorLine));
    // A malformed record may have been a unit's reply pasted into the file: nothing of it stays.
    if (fault == &Messages::kErr002)
        discardInput();
    Module1.TxFailed = 1;
    return RunStep::Stop;
}
