// The data phase: the image in acknowledged 33-byte blocks, with progress and the stop request.
#include "transfer/TransferRun.h"

#include "link/Protocol.h"
#include "shared/MessageBox.h"
#include "shared/MessageTable.h"
#include "shared/Module1.h"

namespace {

constexpr int kSendsPerBlock = 2; // an unclear verdict earns one resend

} // namespace

void TransferRun::WriteBlocks()
{
    Module1.BinaryRx = 1;
    txBlock_.resize(Proto::kBlockBytes); // built once, refilled for every block
    int32_t position = 0;
    while (position <= values_.SendEnd) {
        char* block = txBlock_.data();
        uint8_t sum = 0;
        for (int k = 0; k < Proto::kBlockDataBytes; ++k, ++position) {
            const uint8_t byte = Module1.ImageBuf[static_cast<size_t>(position)];
            block[k] = static_cast<char>(byte);
            sum = static_cast<uint8_t>(sum + byte);
        }
        block[Proto::kBlockChecksumIndex] = static_cast<char>(sum ^ 0xFF);

        if (sendBlock() == RunStep::Stop) {
            // Every early end tells the unit that the data stream is over.
            SendAbortBlock();
            return;
        }
        ++report_.blocksAccepted;
        showProgress(position);
    }
    if (SendEndBlock())
        report_.result = RunReport::Result::Done;
    else
        stopAfterPrimitive();
}

// Sends the block built in txBlock_ until the unit accepts it, at most twice.
TransferRun::RunStep TransferRun::sendBlock()
{
    for (int unclear = 0;;) {
        if (Module1.CancelRequest == 1)
            return stopOnRequest();
        Module1.RxCount = 0;
        if (link_.SendData(txBlock_) != 0) {
            Module1.TxFailed = 1;
            return stopAfterPrimitive();
        }
        if (link_.WaitReply() != 0)
            return stopAfterPrimitive();
        const uint8_t verdict = Module1.RxBytes[0];
        if (verdict == Proto::kAckWritten)
            return RunStep::GoOn;
        if (verdict == Proto::kAckFlashFault) {
            stopWith(Messages::kErr102);
            discardInput();
            return RunStep::Stop;
        }
        if (++unclear == kSendsPerBlock) {
            stopWith(Messages::kErr013);
            discardInput();
            return RunStep::Stop;
        }
    }
}

void TransferRun::showProgress(int32_t position)
{
    // The last blocks may lie wholly beyond the data; they count as complete.
    const bool complete = position > values_.DataEnd;
    front_.ShowProgress(complete ? barMaximum_ : position, complete ? 100 : PercentOf(position, values_.DataEnd));
}

bool TransferRun::SendAbortBlock()
{
    return sendMarkerBlock(Proto::kAbortFill);
}

bool TransferRun::SendEndBlock()
{
    return sendMarkerBlock(Proto::kEndFill);
}

bool TransferRun::sendMarkerBlock(char fill)
{
    const QByteArray block(Proto::kBlockBytes, fill);
    // No answer can come to a block that never left: waiting for one would only add a
    // misleading receive time-out to the send failure already shown.
    if (link_.SendData(block) != 0)
        return false;
    link_.WaitReply();
    return true;
}
