// The data phase: the image in acknowledged 33-byte blocks, with progress and the stop button.
#include "transfer/frmTx.h"

#include "link/Protocol.h"
#include "shared/Messages.h"
#include "shared/Module1.h"
#include "transfer/RunMessages.h"

#include <QLabel>
#include <QProgressBar>

namespace {

constexpr int kBlockDataBytes = 32;
constexpr int kChecksumIndex = 32;
constexpr int kBlockBytes = 33;
constexpr int kSendsPerBlock = 2; // an unclear verdict earns one resend
constexpr char kAbortFill = '\xFF';
constexpr char kEndFill = '\0';

} // namespace

void frmTx::WriteBlocks()
{
    Module1.BinaryRx = 1;
    txBlock_.resize(kBlockBytes); // built once, refilled for every block
    int32_t position = 0;
    while (position <= run_.SendEnd) {
        char* block = txBlock_.data();
        uint8_t sum = 0;
        for (int k = 0; k < kBlockDataBytes; ++k, ++position) {
            const uint8_t byte = Module1.ImageBuf[static_cast<size_t>(position)];
            block[k] = static_cast<char>(byte);
            sum = static_cast<uint8_t>(sum + byte);
        }
        block[kChecksumIndex] = static_cast<char>(sum ^ 0xFF);

        for (int unclear = 0;;) {
            if (Module1.CancelRequest == 1) {
                SendAbortBlock();
                return;
            }
            Module1.RxCount = 0;
            if (link->SendData(txBlock_) != 0) {
                Module1.TxFailed = 1;
                SendAbortBlock();
                return;
            }
            if (link->WaitReply() != 0) {
                SendAbortBlock();
                return;
            }
            const uint8_t verdict = Module1.RxBytes[0];
            if (verdict == Proto::kAckWritten)
                break;
            if (verdict == Proto::kAckFlashFault) {
                ShowFault(Msg::kFlashFault, Msg::kErr102);
                discardInput();
                SendAbortBlock();
                return;
            }
            if (++unclear == kSendsPerBlock) {
                ShowFault(Msg::kCommFault, Msg::kErr013);
                discardInput();
                SendAbortBlock();
                return;
            }
        }
        showProgress(position);
    }
    SendEndBlock();
}

void frmTx::showProgress(int32_t position)
{
    // The last blocks may lie wholly beyond the data; they count as complete.
    const bool complete = position > run_.DataEnd;
    const int percent = complete ? 100 : PercentOf(position, run_.DataEnd);
    if (percent != shownPercent_) {
        shownPercent_ = percent;
        label1_->setText(QString::number(percent) + QLatin1Char('%'));
    }
    progressBar1_->setValue(complete ? progressBar1_->maximum() : position);
}

void frmTx::SendAbortBlock()
{
    sendMarkerBlock(kAbortFill);
}

void frmTx::SendEndBlock()
{
    sendMarkerBlock(kEndFill);
}

void frmTx::sendMarkerBlock(char fill)
{
    const QByteArray block(kBlockBytes, fill);
    // No answer can come to a block that never left: waiting for one would only add a
    // misleading receive time-out to the send failure already shown.
    if (link->SendData(block) == 0)
        link->WaitReply();
}
