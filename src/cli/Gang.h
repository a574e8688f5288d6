#pragma once

// Several units at once: one worker process per port, each a corvane-flash of its own, so that
// one unit's fault or hang never stops the others.

#include "cli/Console.h"
#include "cli/Output.h"

#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QProcess>
#include <QStringList>

#include <functional>
#include <memory>

namespace cli {

struct Streams;

struct WorkerSpec {
    QString label;      // the port as the operator named it
    QString program;
    QStringList arguments;
};

// A worker's standard output, one event a line.
struct WorkerEvent {
    enum class Kind { Start, Progress, Result, Unknown };
    Kind kind = Kind::Unknown;
    int64_t first = 0, second = 0; // start: maximum; progress: position, percent
    QJsonObject result;
};
WorkerEvent ParseWorkerLine(const QString& line);
// The line a worker writes for its result.
QString WorkerResultLine(const WriteSummary& summary);

// One unit of a gang: the summary its worker told, read into the type a lone write prints, and
// the result document as told, which the gang prints; with when the worker started and ended.
struct GangUnit {
    WriteSummary summary;
    QJsonObject told;
    QDateTime start, end;
    // A status the gang decides (a crash, a lost record): the summary and the document agree.
    void SetExit(int status);
};

// 0 when every unit is done with status 0, else the status of the first failing unit in the
// given order. A unit can be done with another status: its record did not reach the log.
int GangStatus(const QList<WriteSummary>& units);

class Gang : public QObject {
    Q_OBJECT

public:
    Gang(QList<WorkerSpec> workers, Streams& streams, bool quiet);
    ~Gang() override;

    // Starts every worker and returns their units when all have ended, in the workers' order;
    // `ended` hears each unit as its worker ends, and may change its status.
    using UnitEnded = std::function<void(qsizetype index, GangUnit& unit)>;
    QList<GangUnit> Run(const UnitEnded& ended = {});
    // Ctrl-C: each running worker gets SIGTERM and stops its run as the stop button does.
    void Stop();

private:
    struct Unit;
    void onOutput(Unit& unit);
    void onErrors(Unit& unit);
    void onFinished(Unit& unit, int exitCode, QProcess::ExitStatus status);
    void writeAbove(const QString& line);
    void drawLines();
    QString lineOf(const Unit& unit) const;

    UnitEnded ended_;
    QList<WorkerSpec> specs_;
    Streams& streams_;
    bool quiet_;
    std::vector<std::unique_ptr<Unit>> units_;
    int running_ = 0;
    bool drawn_ = false;
};

} // namespace cli
