#pragma once

// The commands info, plan and write on one unit's session, and the front that shows them.

#include "cli/Console.h"
#include "cli/FlashSession.h"
#include "cli/Options.h"
#include "cli/Output.h"

#include <QList>
#include <QTextStream>

#include <functional>
#include <optional>

namespace cli {

struct Streams {
    QTextStream& out;
    QTextStream& err;
    bool stdinTerminal = false;
    bool stderrTerminal = false;
    std::function<std::optional<QString>()> readAnswer;
    std::function<double()> clock; // seconds, monotonic
};

// The command line's SessionFront: messages and questions on standard error, progress unless
// --quiet, trace lines with --trace. In a gang worker the progress goes to standard output as
// events for the gang's display.
class CliFront : public SessionFront {
public:
    CliFront(const Invocation& invocation, Streams& streams);

    void Message(const MessageRow* row, const QString& title, const QString& text) override;
    bool Ask(const QString& title, const QString& text) override;
    // The summary tells the blocks' speed; nothing to show while the run goes.
    void ShowSpeed(bool) override {}
    void StartProgress(int32_t maximum) override;
    void ShowProgress(int32_t position, int percent) override;
    void Trace(TraceKind kind, const QString& detail) override;

    // Ctrl-C or SIGTERM came: questions from now on are answered Cancel.
    void NoteStop() { stopRequested_ = true; }
    bool StopRequested() const { return stopRequested_; }
    void FinishProgress();

private:
    const Invocation& inv_;
    Streams& streams_;
    ProgressPrinter progress_;
    bool stopRequested_ = false;
    double traceStart_ = 0;
};

// What and where an image file's fault was, the line after its message: "line 4: data at
// 0x3FFFFF00 lies outside the image (0x00000-0x7FFFF)".
void PrintImageFault(const imagebuf::ImageLoad& image, QTextStream& err);

// The commands; plan and write go on past the memory check only when it read every page.
// Each prints its result (text or --json) on `streams.out` and returns the exit status.
int RunInfo(FlashSession& session, CliFront& front, const Invocation& inv, Streams& streams);
int RunPlan(FlashSession& session, CliFront& front, const Invocation& inv, Streams& streams);
// plan's work without its printing: the summary and the status.
int PlanOnUnit(FlashSession& session, const Invocation& inv, Streams& streams, PlanSummary& summary);
// What a write does between the unit's check and its run (a THRU target's number reserved and
// placed); false stops the write there, with the summary's status set, before anything is sent.
using BeforeRun = std::function<bool(FlashSession& session, WriteSummary& summary)>;
// write prints nothing itself: a gang's worker and a lone write print the summary differently.
WriteSummary RunWrite(FlashSession& session, CliFront& front, const Invocation& inv, Streams& streams,
                      const BeforeRun& beforeRun = {});

} // namespace cli
