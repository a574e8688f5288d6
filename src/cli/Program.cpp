#include "cli/Program.h"

#include "cli/ExitStatus.h"
#include "cli/Gang.h"
#include "cli/PortsCommand.h"
#include "cli/StopSignal.h"

namespace cli {

QStringList WorkerArguments(const Invocation& inv, const PortSpec& port)
{
    QStringList args{QStringLiteral("write"), inv.file, QStringLiteral("--port"), port.device};
    if (port.number != 0)
        args[3] = QString::number(port.number);
    args << inv.forwarded << QStringLiteral("--worker");
    return args;
}

namespace {

int runGang(const Invocation& inv, Streams& streams, const QString& workerProgram)
{
    QList<WorkerSpec> specs;
    for (const PortSpec& port : inv.ports)
        specs.append({port.label, workerProgram, WorkerArguments(inv, port)});
    Gang gang(specs, streams, inv.quiet);
    // Every Ctrl-C goes on to the workers: the first stops their runs, a second ends them at once.
    StopSignal stop(true);
    QObject::connect(&stop, &StopSignal::stopRequested, &gang, [&gang] { gang.Stop(); });
    const QList<WriteSummary> units = gang.Run();
    streams.out << (inv.json ? JsonText(GangJson(units)) : GangText(units));
    streams.out.flush();
    return GangStatus(units);
}

} // namespace

int RunProgram(const QStringList& arguments, Streams& streams, const SessionMaker& makeSession,
               const QString& workerProgram)
{
    if (!arguments.isEmpty() && arguments.first() == QLatin1String("ports"))
        return RunPortsCommand(arguments.mid(1), streams);
    const ParseOutcome parsed = ParseArguments(arguments, ReadStoredChoices());
    if (!parsed.invocation) {
        streams.err << parsed.text << '\n';
        streams.err.flush();
        return Exit::kUsage;
    }
    const Invocation& inv = *parsed.invocation;
    switch (inv.command) {
    case Command::Help:
    case Command::Version:
        streams.out << parsed.text;
        streams.out.flush();
        return Exit::kDone;
    case Command::Cpus:
        streams.out << (inv.json ? JsonText(CpusJson()) : CpusText());
        streams.out.flush();
        return Exit::kDone;
    case Command::Info:
    case Command::Plan:
    case Command::Write:
        break;
    }
    if (inv.command == Command::Write && inv.ports.size() > 1)
        return runGang(inv, streams, workerProgram);

    CliFront front(inv, streams);
    std::unique_ptr<FlashSession> session = makeSession(inv.choices, front, inv.trace);
    if (!session) {
        streams.err << "corvane-flash: this build has no run core to talk to the unit\n";
        streams.err.flush();
        return Exit::kInternal;
    }
    StopSignal stop;
    QObject::connect(&stop, &StopSignal::stopRequested, &stop, [&front, &session] {
        front.NoteStop();
        session->RequestStop();
    });
    if (inv.command == Command::Info)
        return RunInfo(*session, front, inv, streams);
    if (inv.command == Command::Plan)
        return RunPlan(*session, front, inv, streams);
    const WriteSummary summary = RunWrite(*session, front, inv, streams);
    if (inv.worker)
        streams.out << WorkerResultLine(summary) << '\n';
    else
        streams.out << (inv.json ? JsonText(WriteJson(summary)) : WriteText(summary));
    streams.out.flush();
    return summary.exit;
}

} // namespace cli
