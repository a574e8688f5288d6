#include "cli/Commands.h"

#include "cli/ExitStatus.h"

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

void CliFront::Message(const QString& code, const QString& text, bool)
{
    shown_.append({code, text});
    progress_.Interrupt();
    streams_.err << MessageLine(code, text) << '\n';
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

int ReadingStatus(const PageReading& reading, const QList<CliFront::Shown>& messages, qsizetype firstMessage)
{
    if (std::all_of(reading.pages.begin(), reading.pages.end(), [](const auto& page) { return page.has_value(); }))
        return Exit::kDone;
    if (messages.size() > firstMessage)
        return ExitStatusFor(messages.last().code, messages.last().text);
    return reading.opened ? Exit::kNoAnswer : Exit::kPort;
}

int OutcomeStatus(const RunOutcome& outcome, const QList<CliFront::Shown>& messages, bool stopRequested)
{
    switch (outcome.result) {
    case RunOutcome::Result::Done:
        return Exit::kDone;
    case RunOutcome::Result::Cancelled:
        return Exit::kCancelled;
    case RunOutcome::Result::Stopped:
        break;
    }
    if (outcome.questionRefused)
        return stopRequested ? Exit::kCancelled : Exit::kRefused;
    for (qsizetype i = messages.size() - 1; i >= 0; --i)
        if (messages[i].code == outcome.stoppedBy)
            return ExitStatusFor(messages[i].code, messages[i].text);
    // Stopped without a message the front saw: never report it as done.
    return outcome.stoppedBy.isEmpty() ? Exit::kGarbled : ExitStatusFor(outcome.stoppedBy, QString());
}

int RunInfo(FlashSession& session, CliFront& front, const Invocation& inv, Streams& streams)
{
    const PageReading reading = session.ReadPages();
    const int status = ReadingStatus(reading, front.Messages(), 0);
    if (inv.json)
        streams.out << JsonText(InfoJson(inv.ports[0].label, reading.pages));
    else
        streams.out << PagesText(reading.pages);
    streams.out.flush();
    return status;
}

int RunPlan(FlashSession& session, CliFront& front, const Invocation& inv, Streams& streams)
{
    PlanSummary summary;
    summary.pageNo = inv.choices.pageNo;
    const PageReading reading = session.ReadPages();
    summary.pages = reading.pages;
    int status = Exit::kDone;
    if (!reading.answered) {
        // Nothing to plan against: the memory view would be a guess.
        status = ReadingStatus(reading, front.Messages(), 0);
        if (reading.opened)
            status = Exit::kNoAnswer;
    } else {
        const qsizetype before = front.Messages().size();
        summary.plan = session.Plan();
        summary.loaded = summary.plan.loaded;
        if (!summary.loaded)
            status = front.Messages().size() > before
                         ? ExitStatusFor(front.Messages().last().code, front.Messages().last().text)
                         : Exit::kFile;
        else if (!summary.plan.refusal.isEmpty())
            status = Exit::kPageRules;
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
    summary.pageNo = inv.choices.pageNo;
    summary.result = QStringLiteral("stopped");

    const PageReading before = session.ReadPages();
    if (front.StopRequested()) {
        summary.result = QStringLiteral("cancelled");
        summary.exit = Exit::kCancelled;
        return summary;
    }
    if (!before.opened || !before.answered) {
        // The window would go on and wait out the header's 55 s for a unit that is not there;
        // a script learns it at once.
        summary.exit = before.opened ? Exit::kNoAnswer : ReadingStatus(before, front.Messages(), 0);
        if (!front.Messages().isEmpty())
            summary.code = front.Messages().last().code;
        return summary;
    }

    const double started = streams.clock();
    const RunOutcome outcome = session.Write();
    summary.seconds = streams.clock() - started;
    front.FinishProgress();
    summary.exit = OutcomeStatus(outcome, front.Messages(), front.StopRequested());
    summary.result = outcome.result == RunOutcome::Result::Done ? QStringLiteral("done")
                     : summary.exit == Exit::kCancelled         ? QStringLiteral("cancelled")
                                                                : QStringLiteral("stopped");
    if (outcome.result == RunOutcome::Result::Stopped)
        summary.code = outcome.stoppedBy;
    summary.speed = outcome.blockBaud;
    summary.erased = outcome.erasedPages;
    summary.blocks = outcome.blocksAccepted;
    if (!outcome.txFailed)
        summary.pages = session.ReadPages().pages;
    return summary;
}

} // namespace cli
