// The S-record file into the image buffer, through the image-buffer library.
#include "transfer/frmTx.h"

#include "imagebuf/imagebuf.h"
#include "shared/Messages.h"
#include "shared/Module1.h"
#include "transfer/RunMessages.h"

#include <QFile>

frmTx::RunStep frmTx::LoadImage()
{
    run_.DataEnd = 0;
    run_.ErrorLine = 0;
    int32_t unused = 0;
    ClrBuf(Module1.ImageBuf.data(), kImageSize);
    // The library takes the name as a writable, zero-terminated buffer in the file-name encoding.
    QByteArray path = QFile::encodeName(Module1.FilePath);
    const int16_t result = FillBuf(Module1.ImageBuf.data(), path.data(), &run_.DataEnd, &unused, Module1.CpuIndex,
                                   &run_.ErrorLine);
    Module1.FilePath = QFile::decodeName(path.constData());
    run_.SendEnd = SendEndOf(run_.DataEnd);

    if (result == IMAGEBUF_CANNOT_OPEN) {
        ShowOpenError(Msg::kFileUnopenable);
        Module1.TxFailed = 1;
        return RunStep::Stop;
    }
    if (result == IMAGEBUF_BAD_CHECKSUM) {
        ShowFault(NumberText(run_.ErrorLine) + QString::fromUtf8(Msg::kChecksumOnLine), Msg::kErr001);
        Module1.TxFailed = 1;
        return RunStep::Stop;
    }
    if (result >= IMAGEBUF_NOT_A_RECORD) {
        ShowFault(NumberText(run_.ErrorLine) + QString::fromUtf8(Msg::kDataFaultOnLine), Msg::kErr002);
        discardInput();
        Module1.TxFailed = 1;
        return RunStep::Stop;
    }
    return RunStep::GoOn;
}
