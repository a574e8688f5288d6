#include "cli/Commands.h"

#include "cli/UnitRecord.h"
#include "shared/ExitStatus.h"
#include "shared/Module1.h"
#include "transfer/RunValues.h"

#include <QTime>

namespace cli {

CliFront::CliFront(const Invocation& invocation, Streams& streams)
    : inv_(invocation),
      streams_(streams),
      progress_(streams.err, streams.stderrTerminal, streams.clock),
      traceStart_(streams.clock())
{
}

void CliFront::Message(const MessageRow* row, const QString& title, const QString& text)
{
    progress_.Interrupt();
    streams_.err << MessageLine(row, title, text) << '\n';
    streams_.err.flush();
    progress_.Redraw();
}

bool CliFront::Ask(const QString& title, const QString& text)
{
    progress_.Interrupt();
    QuestionPolicy policy{inv_.yes, streams_.stdinTerminal && !inv_.worker, streams_.readAnswer};
    if (stopRequested_)
        policy = QuestionPolicy{}; // a stopping run erases nothing more
    const bool ok = AnswerQuestion(title, text, policy, streams_.err);
    progress_.Redraw();
    return ok;
}

void CliFront::StartProgress(int32_t maximum)
{
    if (inv_.worker) {
        streams_.out << "start " << maximum << '\n';
        streams_.out.flush();
    } else if (!inv_.quiet) {
        progress_.Start(maximum);
    }
}

void CliFront::ShowProgress(int32_t position, int percent)
{
    if (inv_.worker) {
        streams_.out << "progress " << position << ' ' << percent << '\n';
        streams_.out.flush();
    } else if (!inv_.quiet) {
        progress_.Show(position, percent);
    }
}

void CliFront::FinishProgress()
{
    progress_.Finish();
}

void CliFront::Trace(TraceKind kind, const QString& detail)
{
    if (!inv_.trace)
        return;
    progress_.Interrupt();
    streams_.err << TraceLine(QTime::currentTime(), streams_.clock() - traceStart_, kind, detail) << '\n';
    streams_.err.flush();
    progress_.Redraw();
}

void PrintImageFault(const imagebuf::ImageLoad& image, QTextStream& err)
{
    err << QString::fromStdString(imagebuf::FaultLine(image)) << '\n';
    err.flush();
}

int RunInfo(FlashSession& session, CliFront&, const Invocation& inv, Streams& streams)
{
    const PageReading reading = session.ReadPages();
    if (inv.json)
        streams.out << JsonText(InfoJson(inv.ports[0].label, reading.pages));
    else
        streams.out << PagesText(reading.pages);
    streams.out.flush();
    return ExitStatusOf(reading);
}

namespace {

// The plan against the pages read, of the image the run would send.
int planImage(FlashSession& session, PlanSummary& summary, Streams& streams)
{
    const imagebuf::ImageLoad image = session.LoadImage();
    summary.image = image;
    if (const MessageRow* fault = ImageFaultOf(image.result)) {
        PrintImageFault(image, streams.err);
        return fault->exitStatus;
    }
    summary.imageSha256 = Sha256Hex(session.ImageBytes(SendEndOf(image.dataEnd)));
    PageRecordsView view;
    view.Show(summary.pages);
    summary.plan = PlanPagesFor(summary.pageNo, image.dataEnd, view);
    return summary.plan.refusal != nullptr ? summary.plan.refusal->exitStatus : Exit::kDone;
}

} // namespace

int PlanOnUnit(FlashSession& session, const Invocation& inv, Streams& streams, PlanSummary& summary)
{
    summary.pageNo = inv.choices.PageNo;
    int status = session.PrepareTransfer() ? Exit::kDone : Messages::kOpenFile.exitStatus;
    if (status == Exit::kDone) {
        const PageReading reading = session.ReadPages();
        summary.pages = reading.pages;
        // A plan against pages never read would be a guess.
        status = ExitStatusOf(reading);
    }
    if (status == Exit::kDone)
        status = planImage(session, summary, streams);
    return status;
}

int RunPlan(FlashSession& session, CliFront&, const Invocation& inv, Streams& streams)
{
    PlanSummary summary;
    const int status = PlanOnUnit(session, inv, streams, summary);
    if (inv.json)
        streams.out << JsonText(PlanJson(summary));
    else
        streams.out << PlanText(summary);
    streams.out.flush();
    return status;
}

WriteSummary RunWrite(FlashSession& session, CliFront& front, const Invocation& inv, Streams& streams,
                      const BeforeRun& beforeRun)
{
    WriteSummary summary;
    summary.port = inv.ports[0].label;
    summary.pageNo = inv.choices.PageNo;
    if (!session.PrepareTransfer()) {
        summary.report.stoppedRow = &Messages::kOpenFile;
        summary.exit = Messages::kOpenFile.exitStatus;
        return summary;
    }

    // A THRU run touches no page: it needs only to know that the unit answers.
    const bool thru = inv.choices.PageNo == kPageThru;
    const PageReading before = thru ? session.ReadFirstPage() : session.ReadPages();
    if (front.StopRequested()) {
        summary.report.result = RunReport::Result::Cancelled;
        summary.exit = Exit::kCancelled;
        return summary;
    }
    // The run plans against the pages read: with any page unread it would erase on a guess,
    // and the header (THRU's too) would wait its 55 s for a unit that is not there.
    if (const int status = ExitStatusOf(before); status != Exit::kDone) {
        summary.exit = status;
        summary.report.stoppedRow = before.stoppedRow;
        return summary;
    }
    if (beforeRun && !beforeRun(session, summary))
        return summary;

    const double started = streams.clock();
    summary.report = session.Write();
    summary.seconds = streams.clock() - started;
    // The run leaves its image in the buffer: the digest is of the bytes it sent, or would
    // have sent had it gone on.
    if (summary.report.image.Loaded())
        summary.imageSha256 = Sha256Hex(session.ImageBytes(summary.report.sendEnd));
    front.FinishProgress();
    summary.exit = ExitStatusOf(summary.report, front.StopRequested());
    if (StoppedByImage(summary))
        PrintImageFault(summary.report.image, streams.err);
    if (!summary.report.txFailed && !thru)
        summary.pages = session.ReadPages().pages;
    return summary;
}

} // namespace cli
