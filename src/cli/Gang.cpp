#include "cli/Gang.h"

#include "cli/Commands.h"
#include "shared/ExitStatus.h"

#include <QEventLoop>
#include <QJsonDocument>

#include <csignal>
#include <unistd.h>

namespace cli {

struct Gang::Unit {
    WorkerSpec spec;
    QProcess process;
    QByteArray outPending, errPending;
    std::optional<GangUnit> result; // as the worker told it, under the port's own label
    std::unique_ptr<ProgressPrinter> steps; // not a terminal: a line at every 10 %
    qsizetype index = 0; // in the workers' order
    bool started = false, finished = false;
    QDateTime startTime;
    double startedAt = 0;
    int64_t total = 0, sent = 0;
    int percent = 0;
};

WorkerEvent ParseWorkerLine(const QString& line)
{
    WorkerEvent event;
    const qsizetype blank = line.indexOf(QLatin1Char(' '));
    const QString word = line.left(blank);
    const QString rest = blank < 0 ? QString() : line.mid(blank + 1);
    const QStringList fields = rest.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    bool ok1 = false, ok2 = true;
    if (word == QLatin1String("start") && fields.size() == 1) {
        event.first = fields[0].toLongLong(&ok1);
        event.kind = WorkerEvent::Kind::Start;
    } else if (word == QLatin1String("progress") && fields.size() == 2) {
        event.first = fields[0].toLongLong(&ok1);
        event.second = fields[1].toLongLong(&ok2);
        event.kind = WorkerEvent::Kind::Progress;
    } else if (word == QLatin1String("result")) {
        const QJsonDocument doc = QJsonDocument::fromJson(rest.toUtf8());
        ok1 = doc.isObject();
        event.result = doc.object();
        event.kind = WorkerEvent::Kind::Result;
    }
    if (!ok1 || !ok2)
        return WorkerEvent{};
    return event;
}

QString WorkerResultLine(const WriteSummary& summary)
{
    return QStringLiteral("result ") +
           QString::fromUtf8(QJsonDocument(WriteJson(summary)).toJson(QJsonDocument::Compact));
}

void GangUnit::SetExit(int status)
{
    summary.exit = status;
    told.insert(QStringLiteral("exit"), status);
}

int GangStatus(const QList<WriteSummary>& units)
{
    for (const WriteSummary& unit : units) {
        if (unit.report.result != RunReport::Result::Done || unit.exit != Exit::kDone)
            return unit.exit != Exit::kDone ? unit.exit : Exit::kInternal;
    }
    return Exit::kDone;
}

Gang::Gang(QList<WorkerSpec> workers, Streams& streams, bool quiet)
    : specs_(std::move(workers)), streams_(streams), quiet_(quiet)
{
}

Gang::~Gang()
{
    for (auto& unit : units_) {
        if (unit->process.state() != QProcess::NotRunning) {
            unit->process.kill();
            unit->process.waitForFinished(5000);
        }
    }
}

QString Gang::lineOf(const Unit& unit) const
{
    if (unit.finished && unit.result) {
        const WriteSummary& s = unit.result->summary;
        const QString code = StoppingCode(s);
        return QStringLiteral("%1 %2%3, exit %4")
            .arg(unit.spec.label, ResultWord(s), code.isEmpty() ? QString() : QStringLiteral(" ") + code)
            .arg(s.exit);
    }
    if (!unit.started)
        return unit.spec.label + QStringLiteral(" checking the unit");
    return LiveProgressLine(unit.spec.label, {unit.sent, unit.total, unit.percent, streams_.clock() - unit.startedAt});
}

void Gang::drawLines()
{
    if (!streams_.stderrTerminal || quiet_)
        return;
    if (drawn_)
        streams_.err << "\x1b[" << units_.size() << 'A';
    for (const auto& unit : units_)
        streams_.err << "\r\x1b[K" << lineOf(*unit) << '\n';
    streams_.err.flush();
    drawn_ = true;
}

void Gang::writeAbove(const QString& line)
{
    if (drawn_) {
        streams_.err << "\x1b[" << units_.size() << "A\r\x1b[J";
        drawn_ = false;
    }
    streams_.err << line << '\n';
    streams_.err.flush();
    drawLines();
}

QList<GangUnit> Gang::Run(const UnitEnded& ended)
{
    ended_ = ended;
    QEventLoop loop;
    for (const WorkerSpec& spec : specs_) {
        auto unit = std::make_unique<Unit>();
        unit->spec = spec;
        unit->index = static_cast<qsizetype>(units_.size());
        Unit* u = unit.get();
        if (!streams_.stderrTerminal && !quiet_)
            u->steps = std::make_unique<ProgressPrinter>(streams_.err, false, streams_.clock, spec.label);
        // A process group of its own: the terminal's Ctrl-C reaches the gang only, which
        // passes it on once to every worker.
        u->process.setChildProcessModifier([] { ::setpgid(0, 0); });
        connect(&u->process, &QProcess::readyReadStandardOutput, this, [this, u] { onOutput(*u); });
        connect(&u->process, &QProcess::readyReadStandardError, this, [this, u] { onErrors(*u); });
        connect(&u->process, &QProcess::finished, this, [this, u, &loop](int code, QProcess::ExitStatus status) {
            onFinished(*u, code, status);
            if (--running_ == 0)
                loop.quit();
        });
        connect(&u->process, &QProcess::errorOccurred, this, [this, u, &loop](QProcess::ProcessError error) {
            if (error != QProcess::FailedToStart)
                return;
            onFinished(*u, Exit::kInternal, QProcess::CrashExit);
            if (--running_ == 0)
                loop.quit();
        });
        units_.push_back(std::move(unit));
    }
    drawLines();
    running_ = static_cast<int>(units_.size());
    for (auto& unit : units_) {
        unit->startTime = QDateTime::currentDateTimeUtc();
        unit->process.start(unit->spec.program, unit->spec.arguments);
    }
    if (running_ > 0)
        loop.exec();
    QList<GangUnit> results;
    for (const auto& unit : units_)
        results.append(*unit->result);
    return results;
}

void Gang::Stop()
{
    for (auto& unit : units_)
        if (unit->process.state() == QProcess::Running)
            ::kill(static_cast<pid_t>(unit->process.processId()), SIGTERM);
}

namespace {

QList<QString> completeLines(QByteArray& pending, const QByteArray& fresh)
{
    pending += fresh;
    QList<QString> lines;
    qsizetype end = 0;
    while ((end = pending.indexOf('\n')) >= 0) {
        lines.append(QString::fromUtf8(pending.left(end)));
        pending.remove(0, end + 1);
    }
    return lines;
}

} // namespace

void Gang::onOutput(Unit& unit)
{
    for (const QString& line : completeLines(unit.outPending, unit.process.readAllStandardOutput())) {
        const WorkerEvent event = ParseWorkerLine(line);
        switch (event.kind) {
        case WorkerEvent::Kind::Start:
            unit.started = true;
            unit.startedAt = streams_.clock();
            unit.total = BlockBytesFor(static_cast<int32_t>(event.first));
            unit.sent = 0;
            unit.percent = 0;
            if (unit.steps)
                unit.steps->Start(static_cast<int32_t>(event.first));
            break;
        case WorkerEvent::Kind::Progress:
            unit.sent = std::min(event.first, unit.total);
            unit.percent = static_cast<int>(event.second);
            if (unit.steps)
                unit.steps->Show(static_cast<int32_t>(event.first), unit.percent);
            break;
        case WorkerEvent::Kind::Result:
            if (const std::optional<WriteSummary> summary = ReadWriteJson(event.result)) {
                unit.result = GangUnit{*summary, event.result, unit.startTime, {}};
                unit.result->summary.port = unit.spec.label;
                unit.result->told.insert(QStringLiteral("port"), unit.spec.label);
            }
            break;
        case WorkerEvent::Kind::Unknown:
            break;
        }
    }
    drawLines();
}

void Gang::onErrors(Unit& unit)
{
    for (const QString& line : completeLines(unit.errPending, unit.process.readAllStandardError()))
        writeAbove(QStringLiteral("[%1] %2").arg(unit.spec.label, line));
}

void Gang::onFinished(Unit& unit, int exitCode, QProcess::ExitStatus status)
{
    onOutput(unit);
    onErrors(unit);
    unit.finished = true;
    const QString how = status == QProcess::NormalExit ? QStringLiteral("status %1").arg(exitCode)
                                                       : QStringLiteral("crashed");
    if (!unit.result) {
        // It ended without telling its result: a failed unit, whatever its status says. A
        // second Ctrl-C ends a worker at once, before it can tell its result: cancelled.
        WriteSummary lost;
        lost.port = unit.spec.label;
        lost.exit = status == QProcess::NormalExit && exitCode != Exit::kDone ? exitCode : Exit::kInternal;
        unit.result = GangUnit{lost, WriteJson(lost), unit.startTime, {}};
        writeAbove(QStringLiteral("[%1] the worker ended without a result (%2)").arg(unit.spec.label, how));
    } else if (status != QProcess::NormalExit || exitCode != unit.result->summary.exit) {
        // What it told may not have come true: it crashed, or ended otherwise, after telling.
        if (unit.result->summary.exit == Exit::kDone)
            unit.result->SetExit(status == QProcess::NormalExit ? exitCode : Exit::kInternal);
        writeAbove(QStringLiteral("[%1] the worker ended with %2 after telling its result").arg(unit.spec.label, how));
    }
    unit.result->end = QDateTime::currentDateTimeUtc();
    if (ended_)
        ended_(unit.index, *unit.result);
    drawLines();
}

} // namespace cli
