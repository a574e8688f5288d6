#pragma once

#include "link/Link.h"
#include "link/MSComm.h"
#include "link/Protocol.h"
#include "transfer/ImageLoading.h"
#include "shared/MemoryView.h"
#include "shared/MessageTable.h"
#include "transfer/PagePlan.h"
#include "transfer/RunFront.h"
#include "transfer/RunValues.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdint>

// How one transfer run ended, for a front end that has to tell (a command line's result and
// exit status); the window shows only the messages.
struct RunReport {
    enum class Result {
        Done,      // the end-of-data block went out after the last data block
        Stopped,   // a message (stoppedRow) or an erase question answered Cancel (questionRefused)
        Cancelled, // the stop request, seen before the header or before a block
    };
    Result result = Result::Stopped;
    // The message table's row of the message that stopped the run (the port layer's refusal
    // also for a step whose refusal the layer had reported before); none for a refused
    // question or a stop request.
    const MessageRow* stoppedRow = nullptr;
    bool questionRefused = false;
    QString portError;          // the port layer's reason when the port could not be opened
    QList<int> erasedPages;     // operator page numbers 1..4, in erase order, each answered "OK"
    int32_t blocksAccepted = 0; // data blocks answered "O"
    int32_t blockBaud = Proto::kBaudLow;  // line speed of the data phase, as the speed exchange left it
    int32_t dataEnd = 0;
    int32_t sendEnd = 0;
    // The image load as the run made it: its format, and what and where a fault was. Not
    // loaded (the file could not be opened) when the run stopped before it.
    imagebuf::ImageLoad image;
    bool txFailed = false;      // TxFailed as the run left it: the unit is not worth a memory check
};

// The status a run ends with: 0 when done; a refused question is 6, or 10 when the stop
// request refused it; a stop request 10; else the status of the message that stopped it.
int ExitStatusOf(const RunReport& report, bool stopRequested);

// One complete programming run on a port and its link: opening, speed, image, page plan,
// header, blocks, and always the same ending (unit and port back at 9600 bit/s, port closed).
// It takes the operator's choices from Module1 and leaves TxFailed there, as the window
// always has; what it shows goes through the front and the message presenter.
class TransferRun {
public:
    TransferRun(MSComm& port, Link& link, const MemoryView& memoryView, RunFront& front);
    TransferRun(const TransferRun&) = delete;
    TransferRun& operator=(const TransferRun&) = delete;

    // Bytes the run places over its image once loaded, before it plans or sends anything.
    void SetImagePatch(std::optional<ImagePatch> patch) { patch_ = std::move(patch); }
    // The whole run, from opening the port to the ending.
    RunReport Run();
    // Asks the run to stop at its next look at the request (before the header and before every
    // block send); nothing else.
    void RequestStop();

    // The marker blocks that end the data stream early (all 0xFF) and after the last block
    // (all 0x00). The caller never looks at the outcome: the primitives report their own
    // failures. True when the block left the port.
    bool SendAbortBlock();
    bool SendEndBlock();

    // The values of the latest run.
    const RunValues& Values() const { return values_; }

private:
    enum class RunStep { GoOn, Stop };

    // TransferRun.cpp
    void runSteps();
    void prepareProgress();
    void buildName();
    RunStep sendPageStoreHeader();
    RunStep sendDirectHeader();
    RunStep sendHeader(QString command, int16_t count);
    RunStep awaitHeaderReply();
    RunStep judgeHeaderReply(const MessageRow& memoryFault, const MessageRow& commFault);
    void Ending();
    // ImageLoading.cpp
    RunStep LoadImage();
    // PagePlanning.cpp
    RunStep PlanPages();
    RunStep carryOut(const PagePlan::Part& part);
    RunStep ErasePage(int16_t n);
    // BlockWrite.cpp
    void WriteBlocks();
    RunStep sendBlock();
    bool sendMarkerBlock(char fill);
    void showProgress(int32_t position);

    // The run's own messages and questions, and the stops they mark in the report.
    RunStep stopWith(const MessageRow& row, const QString& prefix = {});
    void markStop(const MessageRow* row);
    bool ask(const PagePlan::Question& question);
    // A primitive failed after its own message (or none, when the port layer had already
    // reported the same refusal).
    RunStep stopAfterPrimitive();
    RunStep stopOnRequest();
    void discardInput();

    MSComm& port_;
    Link& link_;
    const MemoryView& memoryView_;
    RunFront& front_;

    std::optional<ImagePatch> patch_;
    RunValues values_;
    RunReport report_;
    int32_t barMaximum_ = 1;
    QByteArray txBlock_; // reused for every data block
};
