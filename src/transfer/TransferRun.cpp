// One complete programming run: port and speed, image, page plan, header, blocks, ending.
#include "transfer/TransferRun.h"

#include "link/Protocol.h"
#include "shared/MessageBox.h"
#include "shared/MessageTable.h"
#include "shared/Module1.h"
#include "transfer/RunMessages.h"

#include <algorithm>

namespace {

QString hex2(int32_t value)
{
    return HexField(static_cast<uint32_t>(value), 2);
}

QString hex8(int32_t value)
{
    return HexField(static_cast<uint32_t>(value), 8);
}

} // namespace

TransferRun::TransferRun(MSComm& port, Link& link, const MemoryView& memoryView, RunFront& front)
    : port_(port), link_(link), memoryView_(memoryView), front_(front)
{
}

int ExitStatusOf(const RunReport& report, bool stopRequested)
{
    switch (report.result) {
    case RunReport::Result::Done:
        return Exit::kDone;
    case RunReport::Result::Cancelled:
        return Exit::kCancelled;
    case RunReport::Result::Stopped:
        break;
    }
    if (report.questionRefused)
        return stopRequested ? Exit::kCancelled : Exit::kRefused;
    return StatusOfStop(report.stoppedRow);
}

RunReport TransferRun::Run()
{
    values_ = RunValues{};
    report_ = RunReport{};
    runSteps();
    Ending();
    report_.txFailed = Module1.TxFailed != 0;
    return report_;
}

void TransferRun::RequestStop()
{
    Module1.CancelRequest = 1;
}

void TransferRun::runSteps()
{
    Module1.CancelRequest = 0;
    Module1.TxFailed = 0;

    port_.SetCommPort(Module1.PortNo);
    if (!port_.Open(&report_.portError)) {
        // The window names only the port; the layer's reason stays in the report.
        stopWith(Messages::kOpenTransferPort);
        Module1.TxFailed = 1;
        return;
    }
    link_.SetLineSpeed(Module1.SpeedIndex != 0 ? Proto::kBaudHigh : Proto::kBaudLow);
    front_.ShowSpeed(Module1.HighSpeedLink != 0);
    report_.blockBaud = Module1.HighSpeedLink != 0 ? Proto::kBaudHigh : Proto::kBaudLow;
    discardInput();
    Module1.CommStatus = 0;
    values_.ClockHz = ClockHzOf(Module1.ClockMHz);

    if (LoadImage() == RunStep::Stop)
        return;
    if (Module1.PageNo != kPageThru && PlanPages() == RunStep::Stop)
        return;
    prepareProgress();
    buildName();
    // A stop asked for during the speed exchange, loading or erasing takes effect here,
    // before the unit has been told about the transfer.
    if (Module1.CancelRequest == 1) {
        stopOnRequest();
        return;
    }
    const RunStep header = Module1.PageNo < kPageThru ? sendPageStoreHeader() : sendDirectHeader();
    if (header == RunStep::Stop)
        return;
    WriteBlocks();
}

void TransferRun::prepareProgress()
{
    // An image whose data ends at address 0 still needs a bar with room to fill: a maximum
    // of 0 would turn the bar into a busy indicator.
    barMaximum_ = std::max(values_.DataEnd, 1);
    front_.StartProgress(barMaximum_);
}

void TransferRun::buildName()
{
    values_.NameField = NameFieldOf(Module1.FileTitle);
    Module1.FileTitle = values_.NameField;
    values_.NameHex = NameHexOf(values_.NameField);
}

// Sends a header and waits for the unit's first reply. A header that cannot be sent marks the
// run failed; one that gets no reply may still have been taken, so the unit is told the data
// stream is over.
TransferRun::RunStep TransferRun::sendHeader(QString command, int16_t count)
{
    setsum(command, count);
    Module1.RxCount = 0;
    if (link_.SendCommand(command) != 0) {
        Module1.TxFailed = 1;
        return stopAfterPrimitive();
    }
    return awaitHeaderReply();
}

TransferRun::RunStep TransferRun::awaitHeaderReply()
{
    if (link_.WaitReplyLong() != 0) {
        stopAfterPrimitive();
        SendAbortBlock();
        return RunStep::Stop;
    }
    return RunStep::GoOn;
}

// Both headers' first reply: "OK" goes on (also beside an "FL"), "FL" is a memory fault,
// anything else a communication fault.
TransferRun::RunStep TransferRun::judgeHeaderReply(const MessageRow& memoryFault, const MessageRow& commFault)
{
    if (ReplyContains(Module1.RxBytes, Proto::kTokenOK))
        return RunStep::GoOn;
    if (ReplyContains(Module1.RxBytes, Proto::kTokenFL))
        stopWith(memoryFault);
    else
        stopWith(commFault);
    discardInput();
    return RunStep::Stop;
}

TransferRun::RunStep TransferRun::sendPageStoreHeader()
{
    const QString command = QString::fromLatin1(Proto::kPageStoreHeader) + hex2(Module1.PageNo) +
                            hex2(Module1.CpuIndex) + hex8(values_.ClockHz) + values_.NameHex;
    if (sendHeader(command, Proto::kPageStoreHeaderCount) == RunStep::Stop)
        return RunStep::Stop;
    return judgeHeaderReply(Messages::kErr100, Messages::kErr010);
}

TransferRun::RunStep TransferRun::sendDirectHeader()
{
    const QString command = QString::fromLatin1(Proto::kDirectHeader) + hex2(Module1.CpuIndex) + hex8(values_.ClockHz);
    if (sendHeader(command, Proto::kDirectHeaderCount) == RunStep::Stop)
        return RunStep::Stop;
    if (judgeHeaderReply(Messages::kErr101, Messages::kErr011) == RunStep::Stop)
        return RunStep::Stop;
    // The unit follows its "OK" with a "GO" of its own once it is ready for data.
    Module1.RxCount = 0;
    if (awaitHeaderReply() == RunStep::Stop)
        return RunStep::Stop;
    if (ReplyContains(Module1.RxBytes, Proto::kTokenGO))
        return RunStep::GoOn;
    stopWith(Messages::kErr012);
    discardInput();
    return RunStep::Stop;
}

void TransferRun::Ending()
{
    Module1.BinaryRx = 0;
    // Back to 9600 bit/s on both ends, so that the next memory check finds the unit.
    link_.SetLineSpeed(Proto::kBaudLow);
    port_.Close();
}

TransferRun::RunStep TransferRun::stopWith(const MessageRow& row, const QString& prefix)
{
    ShowMessage(row, prefix);
    markStop(&row);
    return RunStep::Stop;
}

void TransferRun::markStop(const MessageRow* row)
{
    if (report_.stoppedRow == nullptr)
        report_.stoppedRow = row;
    report_.result = RunReport::Result::Stopped;
}

bool TransferRun::ask(const PagePlan::Question& question)
{
    if (AskToErase(question.text, question.title))
        return true;
    report_.questionRefused = true;
    report_.result = RunReport::Result::Stopped;
    return false;
}

TransferRun::RunStep TransferRun::stopAfterPrimitive()
{
    // Every failing primitive has shown its message, except a write the port refused for the
    // reason it had already reported: that one is still the port layer's.
    const MessageRow* fault = link_.LastFault();
    markStop(fault != nullptr ? fault : &Messages::kPortRefusal);
    return RunStep::Stop;
}

TransferRun::RunStep TransferRun::stopOnRequest()
{
    report_.result = RunReport::Result::Cancelled;
    return RunStep::Stop;
}

void TransferRun::discardInput()
{
    port_.ClearInBuffer();
}
