// The S-record file into the image buffer, through the image-buffer library.
#include "transfer/ImageLoading.h"

#include "transfer/RunValues.h"
#include "transfer/TransferRun.h"

#include "imagebuf/imagebuf.h"
#include "shared/MessageTable.h"
#include "shared/Module1.h"

#include <QFile>

#include <algorithm>

imagebuf::ImageLoad LoadChosenImage(const std::optional<ImagePatch>& patch)
{
    static_assert(IMAGEBUF_SIZE == Proto::kImageBytes, "the library fills the unit's whole image");
    ClrBuf(Module1.ImageBuf.data(), IMAGEBUF_SIZE);
    // FillBuf's own loader, called where the caller wants to know the format and the fault's
    // reason as well; the result, data end and line are FillBuf's to the letter.
    const QByteArray path = QFile::encodeName(Module1.FilePath);
    imagebuf::ImageLoad image = imagebuf::LoadImageFile(path.constData(), Module1.ImageBuf.data());
    if (!patch || ImageFaultOf(image.result) != nullptr)
        return image;
    const qsizetype size = patch->bytes.size();
    Q_ASSERT(patch->address >= 0 && patch->address + size <= Proto::kImageBytes);
    std::copy_n(patch->bytes.constData(), size, reinterpret_cast<char*>(Module1.ImageBuf.data()) + patch->address);
    image.dataEnd = std::max<int32_t>(image.dataEnd, patch->address + static_cast<int32_t>(size) - 1);
    return image;
}

QString ImageAddressText(qint64 address)
{
    const QString digits = QString::number(address < 0 ? -address : address, 16).toUpper();
    return (address < 0 ? QStringLiteral("-0x") : QStringLiteral("0x")) + digits.rightJustified(5, QLatin1Char('0'));
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

const MessageRow* ShowImageFault(const imagebuf::ImageLoad& image)
{
    const MessageRow* fault = ImageFaultOf(image.result);
    if (fault != nullptr)
        ShowMessage(*fault, fault == &Messages::kOpenFile ? QString() : NumberText(image.errorLine));
    return fault;
}

TransferRun::RunStep TransferRun::LoadImage()
{
    const imagebuf::ImageLoad image = LoadChosenImage(patch_);
    report_.image = image;
    values_.DataEnd = image.dataEnd;
    values_.ErrorLine = image.errorLine;
    values_.SendEnd = SendEndOf(values_.DataEnd);
    report_.dataEnd = values_.DataEnd;
    report_.sendEnd = values_.SendEnd;

    const MessageRow* fault = ShowImageFault(image);
    if (fault == nullptr)
        return RunStep::GoOn;
    markStop(fault);
    // A malformed record may have been a unit's reply pasted into the file: nothing of it stays.
    if (fault == &Messages::kErr002)
        discardInput();
    Module1.TxFailed = 1;
    return RunStep::Stop;
}
