// The S-record file into the image buffer, through the image-buffer library.
#include "transfer/TransferRun.h"

#include "imagebuf/imagebuf.h"
#include "shared/MessageTable.h"
#include "shared/Module1.h"

#include <QFile>

TransferRun::RunStep TransferRun::LoadImage()
{
    values_.DataEnd = 0;
    values_.ErrorLine = 0;
    int32_t unused = 0;
    ClrBuf(Module1.ImageBuf.data(), kImageSize);
    // The library takes the name as a writable, zero-terminated buffer in the file-name encoding.
    QByteArray path = QFile::encodeName(Module1.FilePath);
    const int16_t result = FillBuf(Module1.ImageBuf.data(), path.data(), &values_.DataEnd, &unused, Module1.CpuIndex,
                                   &values_.ErrorLine);
    Module1.FilePath = QFile::decodeName(path.constData());
    values_.SendEnd = SendEndOf(values_.DataEnd);
    report_.dataEnd = values_.DataEnd;
    report_.sendEnd = values_.SendEnd;

    if (result == IMAGEBUF_CANNOT_OPEN) {
        stopWith(Messages::kOpenFile);
        Module1.TxFailed = 1;
        return RunStep::Stop;
    }
    if (result == IMAGEBUF_BAD_CHECKSUM) {
        stopWith(Messages::kErr001, NumberText(values_.ErrorLine));
        Module1.TxFailed = 1;
        return RunStep::Stop;
    }
    if (result >= IMAGEBUF_NOT_A_RECORD) {
        stopWith(Messages::kErr002, NumberText(values_.ErrorLine));
        discardInput();
        Module1.TxFailed = 1;
        return RunStep::Stop;
    }
    return RunStep::GoOn;
}
