// The session on the real run core: the window's memory check, page plan and transfer start,
// with the command line's front in place of the windows.
#include "cli/FlashSession.h"

#include "link/Link.h"
#include "link/MSComm.h"
#include "main/PageReading.h"
#include "main/PageRecord.h"
#include "shared/MemoryView.h"
#include "shared/MessageBox.h"
#include "shared/MessageTable.h"
#include "shared/Module1.h"
#include "transfer/ImageLoading.h"
#include "transfer/RunStart.h"
#include "transfer/TransferRun.h"

#include <algorithm>
#include <functional>

namespace cli {

namespace {

// --trace: the link's steps as the front's trace lines. Of the data blocks only the first, the
// last and those not answered "O" are told; the rest would drown the exchange around them.
class TraceObserver final : public LinkObserver {
public:
    explicit TraceObserver(SessionFront& front) : front_(front) {}
    ~TraceObserver() override { tellLastBlock(); }

    void Sent(const QByteArray& bytes, bool dataBlock) override
    {
        if (!dataBlock) {
            tellLastBlock();
            blocks_ = 0;
            front_.Trace(SessionFront::TraceKind::Sent, lineText(bytes));
            return;
        }
        if (isMarker(bytes)) {
            // The end or abort block: the data block before it was the last one.
            tellLastBlock();
            blockPending_ = true;
            blockTold_ = true;
            lastBlock_ = bytes;
            front_.Trace(SessionFront::TraceKind::Block,
                         QStringLiteral("%1 block").arg(bytes.startsWith(Proto::kAbortFill) ? QStringLiteral("abort")
                                                                                 : QStringLiteral("end")));
            markerSent_ = true;
            return;
        }
        ++blocks_;
        blockPending_ = true;
        blockTold_ = blocks_ == 1;
        lastBlock_ = bytes;
        if (blockTold_)
            front_.Trace(SessionFront::TraceKind::Block, blockText(QByteArray()));
    }
    void Received(const QByteArray& reply) override
    {
        if (blockPending_) {
            blockPending_ = false;
            if (markerSent_) {
                markerSent_ = false;
                front_.Trace(SessionFront::TraceKind::Received, lineText(reply));
            } else if (reply != "O") {
                front_.Trace(SessionFront::TraceKind::Block, blockText(reply));
                blockTold_ = true;
            }
            return;
        }
        front_.Trace(SessionFront::TraceKind::Received, lineText(reply));
    }
    void SpeedChanged(const QString& settings) override
    {
        front_.Trace(SessionFront::TraceKind::Speed, settings);
    }
    void PortNoted(const QString& note) override { front_.Trace(SessionFront::TraceKind::Port, note); }
    void Waited(const char* what, uint32_t elapsedMs, bool ok) override
    {
        if (blocks_ > 1 && !ok)
            tellLastBlock();
        if (blocks_ > 1 && ok)
            return; // the waits of the blocks in between, like the blocks themselves
        front_.Trace(SessionFront::TraceKind::Wait, QStringLiteral("%1 %2 ms%3")
                                                        .arg(QString::fromLatin1(what))
                                                        .arg(elapsedMs)
                                                        .arg(ok ? QString() : QStringLiteral(" (timed out or failed)")));
    }

private:
    // The marker blocks carry one byte value throughout: 0x00 ends the data, 0xFF aborts it.
    static bool isMarker(const QByteArray& bytes)
    {
        const QByteArray data = bytes.left(Proto::kBlockDataBytes);
        return data.size() == Proto::kBlockDataBytes &&
               (data.count(Proto::kEndFill) == Proto::kBlockDataBytes ||
                data.count(Proto::kAbortFill) == Proto::kBlockDataBytes);
    }
    static QString lineText(QByteArray bytes)
    {
        while (bytes.endsWith('\n') || bytes.endsWith('\r'))
            bytes.chop(1);
        return QString::fromLocal8Bit(bytes.toPercentEncoding(" !\"#$&'()*+,-./:;<=>?@[]^_`{|}~"));
    }
    QString blockText(const QByteArray& reply) const
    {
        QString text = QStringLiteral("%1 (%2 bytes) %3").arg(blocks_).arg(lastBlock_.size()).arg(
            QString::fromLatin1(lastBlock_.left(8).toHex(' ')));
        if (!reply.isNull())
            text += QStringLiteral(" answered \"%1\"").arg(lineText(reply));
        return text;
    }
    void tellLastBlock()
    {
        if (blocks_ > 1 && !blockTold_) {
            front_.Trace(SessionFront::TraceKind::Block, blockText(QByteArray()) + QStringLiteral(" (last)"));
            blockTold_ = true;
        }
    }

    SessionFront& front_;
    int blocks_ = 0;
    bool blockPending_ = false;
    bool blockTold_ = false;
    bool markerSent_ = false;
    QByteArray lastBlock_;
};

class CoreSession final : public FlashSession {
public:
    CoreSession(const SavedChoices& choices, const QString& device, const TlsFiles& tls, SessionFront& front,
                bool trace)
        : choices_(choices), device_(device), tls_(tls), front_(front)
    {
        if (trace)
            trace_ = std::make_unique<TraceObserver>(front);
        SetMessagePresenter([this](const QString& text, const QString& title, MsgButtons buttons, MsgIcon,
                                   const MessageRow* row) {
            if (buttons == MsgButtons::OkCancel)
                return front_.Ask(title, text) ? MsgResult::Ok : MsgResult::Cancel;
            front_.Message(row, title, text);
            return MsgResult::Ok;
        });
    }
    ~CoreSession() override { SetMessagePresenter({}); }

    PageReading ReadPages() override
    {
        return check([](MSComm& port, Link& link) { return ReadPageRecords(port, link); });
    }

    PageReading ReadFirstPage() override { return check(ReadFirstPageRecord); }

    // The run's own image loading, with the same messages; the image stays in
    // Module1.ImageBuf as the run would leave it.
    imagebuf::ImageLoad LoadImage() override
    {
        ApplyChoices(choices_, Module1);
        const imagebuf::ImageLoad image = LoadChosenImage(patch_);
        ShowImageFault(image);
        return image;
    }

    void SetImagePatch(const ImagePatch& patch) override { patch_ = patch; }

    bool PrepareTransfer() override
    {
        ApplyChoices(choices_, Module1);
        if (!PrepareTransferStart())
            return false;
        choices_.FileTitle = Module1.FileTitle; // each later step applies the choices again
        return true;
    }

    RunReport Write() override
    {
        ApplyChoices(choices_, Module1);
        std::unique_ptr<MSComm> port = openablePort();
        Link link(*port, kTransferWindowLink);
        link.SetObserver(trace_.get());
        TransferRun run(*port, link, view_, front_);
        run.SetImagePatch(patch_);
        run_ = &run;
        if (stopRequested_)
            run.RequestStop();
        const RunReport report = run.Run();
        run_ = nullptr;
        return report;
    }

    QByteArray ImageBytes(int32_t sendEnd) const override
    {
        const int32_t count = std::clamp<int32_t>(sendEnd + 1, 0, Proto::kImageBytes);
        return QByteArray(reinterpret_cast<const char*>(Module1.ImageBuf.data()), count);
    }

    void RequestStop() override
    {
        stopRequested_ = true;
        if (run_ != nullptr)
            run_->RequestStop();
        else
            Module1.CancelRequest = 1;
    }

private:
    // A check as the main window makes it, on its own port and link.
    PageReading check(const std::function<PageReading(MSComm&, Link&)>& reader)
    {
        ApplyChoices(choices_, Module1);
        std::unique_ptr<MSComm> port = openablePort();
        Link link(*port, kMainWindowLink);
        link.SetObserver(trace_.get());
        const PageReading reading = reader(*port, link);
        view_.Show(reading.pages);
        return reading;
    }

    // The port the choices name: ComN as the window resolves it, or the device itself.
    std::unique_ptr<MSComm> openablePort()
    {
        std::unique_ptr<MSComm> port = CreateMSComm(tls_);
        if (!device_.isEmpty())
            port->SetDevice(device_);
        return port;
    }

    SavedChoices choices_;
    QString device_;
    TlsFiles tls_;
    SessionFront& front_;
    PageRecordsView view_;
    std::optional<ImagePatch> patch_;
    std::unique_ptr<TraceObserver> trace_;
    TransferRun* run_ = nullptr;
    bool stopRequested_ = false;
};

} // namespace

std::unique_ptr<FlashSession> CreateFlashSession(const SavedChoices& choices, const QString& device,
                                                 const TlsFiles& tls, SessionFront& front, bool trace)
{
    return std::make_unique<CoreSession>(choices, device, tls, front, trace);
}

} // namespace cli
