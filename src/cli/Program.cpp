#include "cli/Program.h"

#include "shared/ExitStatus.h"
#include "cli/Gang.h"
#include "cli/LogFile.h"
#include "cli/PortsCommand.h"
#include "cli/ProductCommands.h"
#include "cli/ProductionRecord.h"
#include "cli/RecordCommand.h"
#include "cli/StopSignal.h"
#include "cli/UnitRecord.h"

#include <QDateTime>
#include <QJsonDocument>

namespace cli {

QStringList WorkerArguments(const Invocation& inv, const PortSpec& port)
{
    QStringList args{QStringLiteral("write")};
    if (inv.product.isEmpty())
        args << inv.file;
    else
        args << QStringLiteral("--product") << inv.product;
    args << QStringLiteral("--port") << (port.number != 0 ? QString::number(port.number) : port.device);
    args << inv.forwarded << QStringLiteral("--worker");
    return args;
}

namespace {

// What a command keeps of its units' runs. Both are opened before any unit is touched: a line
// that cannot keep its record must not program a unit whose record would be lost.
struct Keeping {
    std::unique_ptr<LogFile> log;
    std::unique_ptr<record::Record> record;
    bool failed = false;
};

Keeping openKeeping(const Invocation& inv, Streams& streams, const product::Product* product)
{
    Keeping keeping;
    if (!inv.log.isEmpty()) {
        QString reason;
        keeping.log = LogFile::Open(inv.log, &reason);
        if (!keeping.log) {
            streams.err << QStringLiteral("corvane-flash: cannot append to the log '%1': %2\n").arg(inv.log, reason);
            streams.err.flush();
            keeping.failed = true;
            return keeping;
        }
    }
    if (const QString where = RecordWhere(inv, product); !where.isEmpty()) {
        keeping.record = OpenRecord(where, streams.err);
        keeping.failed = !keeping.record;
    }
    return keeping;
}

// A gang's workers tell their runs and the gang keeps them; a worker keeps only its numbers.
RunRecords runRecordsOf(const Invocation& inv, const Keeping& keeping)
{
    return RunRecords(inv, keeping.log.get(), inv.worker ? nullptr : keeping.record.get());
}

// The log's records of a gang's unit: its write's, or one per run of a product's.
QList<QJsonObject> gangRecords(const GangUnit& unit, const Invocation& inv, const PortSpec& port,
                               const product::Product* product)
{
    if (product == nullptr)
        return {LogRecord(unit.told, inv, port, unit.start, unit.end)};
    return ProductLogRecords(unit.told, inv, *product, port, unit.start, unit.end);
}

// Each unit's record is kept by the gang as its worker ends, from what the worker told or
// from its crash, so that every unit has exactly one line whatever signal ended its worker (a
// product's unit one per run).
int runGang(const Invocation& inv, Streams& streams, const QString& workerProgram, const RunRecords& records,
            const product::Product* product)
{
    QList<WorkerSpec> specs;
    for (const PortSpec& port : inv.ports)
        specs.append({port.label, workerProgram, WorkerArguments(inv, port)});
    Gang gang(specs, streams, inv.quiet);
    // Every Ctrl-C goes on to the workers: the first stops their runs, a second ends them at once.
    StopSignal stop(true);
    QObject::connect(&stop, &StopSignal::stopRequested, &gang, [&gang] { gang.Stop(); });
    const QList<GangUnit> units = gang.Run([&](qsizetype index, GangUnit& unit) {
        bool kept = true;
        for (const QJsonObject& record : records.Keeps() ? gangRecords(unit, inv, inv.ports[index], product)
                                                         : QList<QJsonObject>{})
            kept = records.Add(record, streams) && kept;
        if (!kept && unit.summary.exit == Exit::kDone)
            unit.SetExit(Exit::kFile);
    });
    QList<WriteSummary> summaries;
    QList<QJsonObject> told;
    for (const GangUnit& unit : units) {
        summaries.append(unit.summary);
        told.append(unit.told);
    }
    QJsonObject json = GangJson(told);
    if (product != nullptr)
        json.insert(QStringLiteral("product"), ProductJson(*product));
    const QString runs = product != nullptr ? ProductLine(*product) + ProductRunsText(told) + QLatin1Char('\n') : QString();
    streams.out << (inv.json ? JsonText(json) : runs + GangText(summaries));
    streams.out.flush();
    return GangStatus(summaries);
}

int runWrite(const Invocation& inv, FlashSession& session, CliFront& front, Streams& streams, const RunRecords& records)
{
    const QDateTime start = QDateTime::currentDateTimeUtc();
    WriteSummary summary = RunWrite(session, front, inv, streams);
    const QDateTime end = QDateTime::currentDateTimeUtc();
    // A unit programmed without its record is no clean success for the line; the result still
    // says the unit is done.
    if (records.Keeps() && !records.Add(LogRecord(WriteJson(summary), inv, inv.ports[0], start, end), streams) &&
        summary.exit == Exit::kDone)
        summary.exit = Exit::kFile;
    if (inv.worker)
        streams.out << WorkerResultLine(summary) << '\n';
    else
        streams.out << (inv.json ? JsonText(WriteJson(summary)) : WriteText(summary));
    streams.out.flush();
    return summary.exit;
}

// A lone write of a product, or a gang worker's: every run kept as it ends.
int runProductWrite(const Invocation& inv, const product::Product& product, const SessionMaker& makeSession,
                    Streams& streams, const RunRecords& records, const TargetNumbers* numbers)
{
    CliFront front(inv, streams);
    const ProductWrite write = WriteProduct(inv, product, makeSession, front, streams,
                                            [&](const Invocation& run, ProductRun& ran) {
        if (!records.Keeps())
            return;
        const QJsonObject record =
            WithProduct(LogRecord(WriteJson(ran.summary), run, inv.ports[0], ran.start, ran.end), product);
        if (!records.Add(record, streams) && ran.summary.exit == Exit::kDone)
            ran.summary.exit = Exit::kFile;
    }, numbers);
    const QJsonObject json = ProductWriteJson(product, inv.ports[0].label, write);
    if (inv.worker)
        streams.out << QStringLiteral("result ") << QJsonDocument(json).toJson(QJsonDocument::Compact) << '\n';
    else
        streams.out << (inv.json ? JsonText(json) : ProductWriteText(product, inv.ports[0].label, write));
    streams.out.flush();
    return write.exit;
}

// write --product: the record and the numbers left are made sure of before any port opens.
int writeProduct(const Invocation& inv, const product::Product& product, Streams& streams,
                 const SessionMaker& makeSession, const QString& workerProgram)
{
    const Keeping keeping = openKeeping(inv, streams, &product);
    if (keeping.failed)
        return Exit::kFile;
    const product::SerialRule* rule = SerialRuleFor(inv, &product);
    if (rule != nullptr) {
        const std::optional<record::Outlook> left = NumbersLeft(*keeping.record, product, *rule, streams.err);
        if (!left || !left->next)
            return Exit::kFile;
    }
    if (inv.ports.size() > 1)
        return runGang(inv, streams, workerProgram, runRecordsOf(inv, keeping), &product);
    std::optional<TargetNumbers> numbers;
    if (rule != nullptr)
        numbers.emplace(*keeping.record, product, *rule);
    return runProductWrite(inv, product, makeSession, streams, runRecordsOf(inv, keeping),
                           numbers ? &*numbers : nullptr);
}

// The commands of a product file, which is read and checked before any port opens.
int runProduct(const Invocation& inv, Streams& streams, const SessionMaker& makeSession, const QString& workerProgram)
{
    const std::optional<product::Product> product = ReadProductOf(inv, streams.err);
    if (!product)
        return Exit::kFile;
    if (product::RunsOf(*product, inv.thru).empty()) {
        streams.err << QStringLiteral("corvane-flash: --thru: %1 has no [thru] image\n").arg(inv.product);
        streams.err.flush();
        return Exit::kUsage;
    }
    if (inv.command == Command::Plan) {
        const Keeping keeping = openKeeping(inv, streams, &*product);
        if (keeping.failed)
            return Exit::kFile;
        return RunProductPlan(inv, *product, makeSession, streams, keeping.record.get());
    }
    if (inv.command == Command::Check)
        return RunProductCheck(inv, *product, makeSession, streams);
    return writeProduct(inv, *product, streams, makeSession, workerProgram);
}

// info, plan and a lone write on one unit's session.
int runOnUnit(const Invocation& inv, Streams& streams, const SessionMaker& makeSession, const RunRecords& records)
{
    CliFront front(inv, streams);
    std::unique_ptr<FlashSession> session =
        makeSession(inv.choices, inv.ports[0].fixedDevice(), inv.tls, front, inv.trace);
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
    return runWrite(inv, *session, front, streams, records);
}

} // namespace

int RunProgram(const QStringList& arguments, Streams& streams, const SessionMaker& makeSession,
               const QString& workerProgram)
{
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
    case Command::Ports:
        return RunPortsCommand(inv, streams);
    case Command::Info:
    case Command::Plan:
    case Command::Write:
    case Command::Check:
    case Command::Record:
        break;
    }
    if (!inv.product.isEmpty())
        return runProduct(inv, streams, makeSession, workerProgram);
    const Keeping keeping = openKeeping(inv, streams, nullptr);
    if (keeping.failed)
        return Exit::kFile;
    if (inv.command == Command::Record)
        return RunRecordCommand(inv, *keeping.record, streams);
    if (inv.command == Command::Write && inv.ports.size() > 1)
        return runGang(inv, streams, workerProgram, runRecordsOf(inv, keeping), nullptr);
    return runOnUnit(inv, streams, makeSession, runRecordsOf(inv, keeping));
}

} // namespace cli
