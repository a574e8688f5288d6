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
#include "transfer/PagePlan.h"
#include "transfer/RunValues.h"
#include "transfer/TransferRun.h"


namespace cli {

namespace {

// The memory view as the main window's labels would hold it after the latest memory check:
// a page not read keeps what it showed before, and the window starts with empty captions.
class CaptionView final : public MemoryView {
public:
    QString CpuCaption(int page) const override { return valid(page) ? cpu_[page - 1] : QString(); }
    QString SizeCaption(int page) const override { return valid(page) ? size_[page - 1] : QString(); }
    void Show(int page, const PageCaptions& captions)
    {
        cpu_[page - 1] = captions.cpu;
        size_[page - 1] = captions.size;
    }

private:
    static bool valid(int page) { return page >= 1 && page <= 4; }
    std::array<QString, 4> cpu_, size_;
};

class ForwardingFront final : public RunFront {
public:
    explicit ForwardingFront(SessionFront& front) : front_(front) {}
    void ShowSpeed(bool highSpeed) override { front_.ShowSpeed(highSpeed); }
    void StartProgress(int32_t maximum) override { front_.StartProgress(maximum); }
    void ShowProgress(int32_t position, int percent) override { front_.ShowProgress(position, percent); }

private:
    SessionFront& front_;
};

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
                         QStringLiteral("%1 block").arg(bytes.startsWith('\xFF') ? QStringLiteral("abort")
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
        const QByteArray data = bytes.left(32);
        return data.size() == 32 && (data.count('\0') == 32 || data.count('\xFF') == 32);
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
    CoreSession(const FlashChoices& choices, SessionFront& front, bool trace)
        : choices_(choices), front_(front), runFront_(front)
    {
        if (trace)
            trace_ = std::make_unique<TraceObserver>(front);
        SetMessagePresenter([this](const QString& text, const QString& title, MsgButtons buttons, MsgIcon icon) {
            if (buttons == MsgButtons::OkCancel)
                return front_.Ask(title, text) ? MsgResult::Ok : MsgResult::Cancel;
            front_.Message(title, text, icon == MsgIcon::Exclamation);
            return MsgResult::Ok;
        });
    }
    ~CoreSession() override { SetMessagePresenter({}); }

    PageReading ReadPages() override
    {
        applyChoices();
        std::unique_ptr<MSComm> port = openablePort();
        Link link(*port, kMainWindowLink);
        link.SetObserver(trace_.get());
        const ::PageReading read = ReadPageRecords(*port, link, [this](int page, const PageInfo& info) {
            view_.Show(page, CaptionsOf(info));
        });
        PageReading reading;
        reading.opened = read.opened;
        reading.answered = read.answered;
        for (size_t i = 0; i < read.pages.size(); ++i) {
            if (!read.pages[i])
                continue;
            const PageInfo& info = *read.pages[i];
            const PageCaptions captions = CaptionsOf(info);
            PageView page;
            page.empty = info.status != 1;
            page.cpuCode = info.cpu;
            page.clockHz = info.clockHz;
            page.sizeBytes = info.sizeBytes;
            page.cpu = captions.cpu;
            page.clock = captions.clock;
            page.name = captions.name;
            page.size = captions.size;
            reading.pages[i] = page;
        }
        return reading;
    }

    PlanOutcome Plan() override
    {
        applyChoices();
        PlanOutcome outcome;
        int32_t dataEnd = 0;
        if (!loadImage(&dataEnd))
            return outcome;
        outcome.loaded = true;
        outcome.dataEnd = dataEnd;
        outcome.sendEnd = SendEndOf(dataEnd);
        const PagePlan plan = PlanPagesFor(Module1.PageNo, dataEnd, view_);
        if (plan.refusal != nullptr)
            outcome.refusal = QString::fromUtf8(plan.refusal->code);
        for (const PagePlan::Question& q : plan.questions())
            outcome.questions.append({q.title, q.text});
        outcome.erase = plan.erase();
        return outcome;
    }

    RunOutcome Write() override
    {
        applyChoices();
        RunOutcome outcome;
        Module1.HighSpeedLink = 0;
        if (!FileCanBeOpened(Module1.FilePath)) {
            ShowMessage(Messages::kOpenFile);
            outcome.stoppedBy = QString::fromLatin1(Messages::kOpenFile.code);
            outcome.txFailed = true;
            return outcome;
        }
        Module1.FileTitle = FileTitleOf(Module1.FilePath);

        std::unique_ptr<MSComm> port = openablePort();
        Link link(*port, kTransferWindowLink);
        link.SetObserver(trace_.get());
        TransferRun run(*port, link, view_, runFront_);
        run_ = &run;
        if (stopRequested_)
            run.RequestStop();
        const RunReport report = run.Run();
        run_ = nullptr;

        outcome.result = report.result == RunReport::Result::Done        ? RunOutcome::Result::Done
                         : report.result == RunReport::Result::Cancelled ? RunOutcome::Result::Cancelled
                                                                         : RunOutcome::Result::Stopped;
        if (report.stoppedBy != nullptr)
            outcome.stoppedBy = QString::fromUtf8(report.stoppedBy);
        outcome.questionRefused = report.questionRefused;
        outcome.txFailed = Module1.TxFailed != 0;
        outcome.erasedPages = report.erasedPages;
        outcome.blocksAccepted = report.blocksAccepted;
        outcome.blockBaud = report.blockBaud;
        outcome.dataEnd = report.dataEnd;
        outcome.sendEnd = report.sendEnd;
        return outcome;
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
    void applyChoices()
    {
        Module1.PortNo = choices_.portNo;
        Module1.CpuIndex = choices_.cpuIndex;
        Module1.ClockMHz = choices_.clockMHz;
        Module1.PageNo = choices_.pageNo;
        Module1.SpeedIndex = choices_.speedIndex;
        Module1.FilePath = choices_.filePath;
    }

    // The port the choices name: ComN as the window resolves it, or the device path itself.
    std::unique_ptr<MSComm> openablePort()
    {
        std::unique_ptr<MSComm> port = CreateMSComm();
        if (choices_.portNo == 0)
            port->SetDevice(choices_.device);
        return port;
    }

    // The run's own image loading, with the same messages; the image stays in
    // Module1.ImageBuf as the run would leave it.
    bool loadImage(int32_t* dataEnd)
    {
        const LoadedImage image = LoadImageFile();
        if (const MessageRow* fault = ImageFaultOf(image.result)) {
            ShowMessage(*fault, ImageFaultPrefix(*fault, image.errorLine));
            return false;
        }
        *dataEnd = image.dataEnd;
        return true;
    }

    FlashChoices choices_;
    SessionFront& front_;
    ForwardingFront runFront_;
    CaptionView view_;
    std::unique_ptr<TraceObserver> trace_;
    TransferRun* run_ = nullptr;
    bool stopRequested_ = false;
};

} // namespace

std::unique_ptr<FlashSession> CreateFlashSession(const FlashChoices& choices, SessionFront& front, bool trace)
{
    return std::make_unique<CoreSession>(choices, front, trace);
}

} // namespace cli
