#include "cli/Commands.h"

#include "cli/UnitRecord.h"
#include "shared/ExitStatus.h"
#include "transfer/RunValues.h"

#include <QTime>

#include <algorithm>

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

void CliFront::ShowSpeed(bool highSpeed)
{
    if (inv_.worker) {
        streams_.out << "speed " << (highSpeed ? 1 : 0) << '\n';
        streams_.out.flush();
    }
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

void PrintImageFault(const LoadedImage& image, QTextStream& err)
{
    err << QString::fromStdString(imagebuf::FaultLine(image)) << '\n';
    err.flush();
}

int ReadingStatus(const PageReading& reading)
{
    if (std::all_of(reading.pages.begin(), reading.pages.end(), [](const auto& page) { return page.has_value(); }))
        return Exit::kDone;
    if (reading.stoppedRow != nullptr)
        return reading.stoppedRow->exitStatus;
    return reading.opened ? Exit::kNoAnswer : Exit::kPort;
}

int ReportStatus(const RunReport& report, bool stopRequested)
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
    // Stopped without a message of the table: never report it as done.
    return report.stoppedRow != nullptr && report.stoppedRow->exitStatus != Exit::kDone ? report.stoppedRow->exitStatus
                                                                                        : Exit::kGarbled;
}

int RunInfo(FlashSession& session, CliFront&, const Invocation& inv, Streams& streams)
{
    const PageReading reading = session.ReadPages();
    if (inv.json)
        streams.out << JsonText(InfoJson(inv.ports[0].label, reading.pages));
    else
        streams.out << PagesText(reading.pages);
    streams.out.flush();
    return ReadingStatus(reading);
}

int RunPlan(FlashSession& session, CliFront&, const Invocation& inv, Streams& streams)
{
    PlanSummary summary;
    summary.pageNo = inv.choices.PageNo;
    summary.fileSha256 = FileSha256(inv.file);
    const PageReading reading = session.ReadPages();
    summary.pages = reading.pages;
    int status = Exit::kDone;
    if (!reading.answered) {
        // Nothing to plan against: the memory view would be a guess.
        status = reading.opened ? Exit::kNoAnswer : ReadingStatus(reading);
    } else {
        const LoadedImage image = session.LoadImage();
        summary.image = image;
        if (const MessageRow* fault = ImageFaultOf(image.result)) {
            PrintImageFault(image, streams.err);
            status = fault->exitStatus;
        } else {
            summary.imageSha256 = Sha256Hex(session.ImageBytes(SendEndOf(image.dataEnd)));
            PageRecordsView view;
            view.Show(reading.pages);
            summary.plan = PlanPagesFor(summary.pageNo, image.dataEnd, view);
            if (summary.plan.refusal != nullptr)
                status = Exit::kPageRules;
        }
    }
    if (inv.json)
        streams.out << JsonText(PlanJson(summary));
    else
        streams.out << PlanText(summary);
    streams.out.flush();
    return status;
}

WriteSummary RunWrite(FlashSession& session, CliFront& front, const Invocation& inv, Streams& streams)
{
    WriteSummary summary;
    summary.port = inv.ports[0].label;
    summary.pageNo = inv.choices.PageNo;
    summary.fileSha256 = FileSha256(inv.file);

    const PageReading before = session.ReadPages();
    if (front.StopRequested()) {
        summary.report.result = RunReport::Result::Cancelled;
        summary.exit = Exit::kCancelled;
        return summary;
    }
    if (!before.opened || !before.answered) {
        // The window would go on and wait out the header's 55 s for a unit that is not there;
        // a script learns it at once.
        summary.exit = before.opened ? Exit::kNoAnswer : ReadingStatus(before);
        summary.report.stoppedRow = before.stoppedRow;
        return summary;
    }

    const double started = streams.clock();
    summary.report = session.Write();
    summary.seconds = streams.clock() - started;
    // The run leaves its image in the buffer: the digest is of the bytes it sent, or would
    // have sent had it gone on.
    if (summary.report.image.Loaded())
        summary.imageSha256 = Sha256Hex(session.ImageBytes(summary.report.sendEnd));
    front.FinishProgress();
    summary.exit = ReportStatus(summary.report, front.StopRequested());
    if (StoppedByImage(summary))
        PrintImageFault(summary.report.image, streams.err);
    if (!summary.report.txFailed)
        summary.pages = session.ReadPages().pages;
    return summary;
}

} // namespace cli
