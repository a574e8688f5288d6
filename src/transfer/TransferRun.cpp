// One complete programming run: port and speed, image, page plan, header, blocks, ending.
#include "transfer/frmTx.h"

#include "link/Protocol.h"
#include "shared/Messages.h"
#include "shared/Module1.h"
#include "transfer/RunMessages.h"

#include <QLabel>
#include <QProgressBar>

#include <algorithm>

namespace {

constexpr int32_t kHighBaud = 38400;
constexpr int32_t kLowBaud = 9600;

QString hex2(int32_t value)
{
    return HexField(static_cast<uint32_t>(value), 2);
}

QString hex8(int32_t value)
{
    return HexField(static_cast<uint32_t>(value), 8);
}

} // namespace

void frmTx::Form_Activate()
{
    running_ = true;
    run_ = RunValues{};
    runSteps();
    Ending();
}

void frmTx::runSteps()
{
    Module1.CancelRequest = 0;
    Module1.TxFailed = 0;

    MSComm1->SetCommPort(Module1.PortNo);
    QString openError;
    if (!MSComm1->Open(&openError)) {
        ShowOpenError(Msg::kPortUnusable);
        Module1.TxFailed = 1;
        return;
    }
    link->SetLineSpeed(Module1.SpeedIndex != 0 ? kHighBaud : kLowBaud);
    label2_->setText(QLatin1String(Module1.HighSpeedLink != 0 ? "38.4kbps" : "9.6kbps"));
    discardInput();
    Module1.CommStatus = 0;
    run_.ClockHz = ClockHzOf(Module1.ClockMHz);

    if (LoadImage() == RunStep::Stop)
        return;
    if (Module1.PageNo != kPageThru && PlanPages() == RunStep::Stop)
        return;
    prepareProgress();
    buildName();
    // A stop asked for during the speed exchange, loading or erasing takes effect here,
    // before the unit has been told about the transfer.
    if (Module1.CancelRequest == 1)
        return;
    const RunStep header = Module1.PageNo < kPageThru ? sendPageStoreHeader() : sendDirectHeader();
    if (header == RunStep::Stop)
        return;
    WriteBlocks();
}

void frmTx::prepareProgress()
{
    shownPercent_ = 0;
    label1_->setText(QStringLiteral("0%"));
    // An image whose data ends at address 0 still needs a bar with room to fill: a maximum
    // of 0 would turn the bar into a busy indicator.
    progressBar1_->setMaximum(std::max(run_.DataEnd, 1));
    progressBar1_->setValue(0);
}

void frmTx::buildName()
{
    run_.NameField = NameFieldOf(Module1.FileTitle);
    Module1.FileTitle = run_.NameField;
    run_.NameHex = NameHexOf(run_.NameField);
}

// Sends a header and waits for the unit's first reply. A header that cannot be sent marks the
// run failed; one that gets no reply may still have been taken, so the unit is told the data
// stream is over.
frmTx::RunStep frmTx::sendHeader(QString command, int16_t count)
{
    setsum(command, count);
    Module1.RxCount = 0;
    if (link->SendCommand(command) != 0) {
        Module1.TxFailed = 1;
        return RunStep::Stop;
    }
    return awaitHeaderReply();
}

frmTx::RunStep frmTx::awaitHeaderReply()
{
    if (link->WaitReplyLong() != 0) {
        SendAbortBlock();
        return RunStep::Stop;
    }
    return RunStep::GoOn;
}

frmTx::RunStep frmTx::sendPageStoreHeader()
{
    const QString command = QString::fromLatin1(Proto::kPageStoreHeader) + hex2(Module1.PageNo) +
                            hex2(Module1.CpuIndex) + hex8(run_.ClockHz) + run_.NameHex;
    if (sendHeader(command, Proto::kPageStoreHeaderCount) == RunStep::Stop)
        return RunStep::Stop;
    if (ReplyContains(Proto::kTokenOK))
        return RunStep::GoOn;
    if (ReplyContains(Proto::kTokenFL))
        ShowFault(Msg::kMemoryFault, Msg::kErr100);
    else
        ShowFault(Msg::kCommFault, Msg::kErr010);
    discardInput();
    return RunStep::Stop;
}

frmTx::RunStep frmTx::sendDirectHeader()
{
    const QString command = QString::fromLatin1(Proto::kDirectHeader) + hex2(Module1.CpuIndex) + hex8(run_.ClockHz);
    if (sendHeader(command, Proto::kDirectHeaderCount) == RunStep::Stop)
        return RunStep::Stop;
    if (!ReplyContains(Proto::kTokenOK)) {
        if (ReplyContains(Proto::kTokenFL))
            ShowFault(Msg::kMemoryFault, Msg::kErr101);
        else
            ShowFault(Msg::kCommFault, Msg::kErr011);
        discardInput();
        return RunStep::Stop;
    }
    // The unit follows its "OK" with a "GO" of its own once it is ready for data.
    Module1.RxCount = 0;
    if (awaitHeaderReply() == RunStep::Stop)
        return RunStep::Stop;
    if (ReplyContains(Proto::kTokenGO))
        return RunStep::GoOn;
    ShowFault(Msg::kCommFault, Msg::kErr012);
    discardInput();
    return RunStep::Stop;
}

void frmTx::Ending()
{
    Module1.BinaryRx = 0;
    // Back to 9600 bit/s on both ends, so that the next memory check finds the unit.
    link->SetLineSpeed(kLowBaud);
    MSComm1->Close();
    running_ = false;
    done(QDialog::Accepted);
}
