#include "cli/Gang.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>

using namespace cli;

namespace {

WriteSummary unit(const char* port, const char* result, int exit)
{
    return *ReadWriteJson({{"port", port}, {"result", result}, {"exit", exit}});
}

struct GangRun {
    int status = -1;
    QJsonArray units;
    QString err;
};

// The fake corvane-flash as a gang of fake units; `whenBothReady` runs once two units report
// their blocks going.
GangRun runGang(const QStringList& ports, const std::function<void(QProcess&)>& whenBothReady = {},
               const QStringList& more = {})
{
    QStringList args = QStringList{"write", "a.mot", "--json"} + more;
    for (const QString& port : ports)
        args << "--port" << port;
    QProcess gang;
    gang.start(FAKE_GANG_WORKER, args);
    EXPECT_TRUE(gang.waitForStarted(30000));
    QString err;
    bool signalled = false;
    QElapsedTimer waited;
    waited.start();
    while (gang.state() != QProcess::NotRunning && waited.elapsed() < 60000) {
        gang.waitForReadyRead(50);
        err += QString::fromUtf8(gang.readAllStandardError());
        if (whenBothReady && !signalled && err.count("READY") == 2) {
            signalled = true;
            whenBothReady(gang);
        }
    }
    if (gang.state() != QProcess::NotRunning) {
        EXPECT_TRUE(gang.waitForFinished(30000));
    }
    err += QString::fromUtf8(gang.readAllStandardError());
    GangRun run;
    run.status = gang.exitStatus() == QProcess::NormalExit ? gang.exitCode() : -1;
    run.units = QJsonDocument::fromJson(gang.readAllStandardOutput()).object()["units"].toArray();
    run.err = err;
    return run;
}

} // namespace

TEST(CliGang, StatusIsThatOfTheFirstFailingPortInOrder)
{
    EXPECT_EQ(GangStatus({unit("a", "done", 0), unit("b", "done", 0)}), 0);
    EXPECT_EQ(GangStatus({unit("a", "done", 0), unit("b", "stopped", 9), unit("c", "stopped", 7)}), 9);
    EXPECT_EQ(GangStatus({unit("a", "cancelled", 10), unit("b", "stopped", 9)}), 10);
    EXPECT_EQ(GangStatus({unit("a", "stopped", 0)}), 1); // a failure never passes as success
    EXPECT_EQ(GangStatus({unit("a", "done", 0), unit("b", "done", 4)}), 4);
}

TEST(CliGang, WorkerLinesParse)
{
    EXPECT_EQ(ParseWorkerLine("start 131071").kind, WorkerEvent::Kind::Start);
    EXPECT_EQ(ParseWorkerLine("start 131071").first, 131071);
    const WorkerEvent p = ParseWorkerLine("progress 4096 3");
    EXPECT_EQ(p.kind, WorkerEvent::Kind::Progress);
    EXPECT_EQ(p.first, 4096);
    EXPECT_EQ(p.second, 3);
    EXPECT_EQ(ParseWorkerLine("progress x 3").kind, WorkerEvent::Kind::Unknown);
    EXPECT_EQ(ParseWorkerLine("result {\"exit\":9}").result["exit"].toInt(), 9);
    EXPECT_EQ(ParseWorkerLine("result [").kind, WorkerEvent::Kind::Unknown);
    EXPECT_EQ(ParseWorkerLine("hello").kind, WorkerEvent::Kind::Unknown);
    WriteSummary w;
    w.port = "Com2";
    EXPECT_EQ(ParseWorkerLine(WorkerResultLine(w)).result["port"].toString(), "Com2");
}

TEST(CliGang, OneUnitsFaultNeverStopsTheOthers)
{
    const GangRun run = runGang({"/fake/done1", "/fake/fault2", "/fake/done3", "/fake/silent4"});
    EXPECT_EQ(run.status, 9) << run.err.toStdString();
    ASSERT_EQ(run.units.size(), 4);
    const char* results[] = {"done", "stopped", "done", "stopped"};
    const int exits[] = {0, 9, 0, 7};
    for (int i = 0; i < 4; ++i) {
        const QJsonObject u = run.units[i].toObject();
        EXPECT_EQ(u["result"].toString(), results[i]) << i;
        EXPECT_EQ(u["exit"].toInt(), exits[i]) << i;
    }
    EXPECT_EQ(run.units[0].toObject()["port"].toString(), "/fake/done1");
    EXPECT_EQ(run.units[0].toObject()["blocks"].toInt(), 128);
    EXPECT_EQ(run.units[1].toObject()["code"].toString(), "ERR 102");
    EXPECT_TRUE(run.err.contains(QString::fromUtf8("[/fake/fault2] ERR 102: ﾌﾗｯｼｭﾒﾓﾘｴﾗｰが発生しました")));
    EXPECT_TRUE(run.err.contains("/fake/done1 100% 4096 of 4096 bytes"));
}

// The log still holds a line for the crashed unit: the gang appends it in the worker's place.
TEST(CliGang, AWorkerThatCrashesIsAFailedUnit)
{
    QTemporaryDir dir;
    const QString log = dir.filePath("units.log");
    const GangRun run = runGang({"/fake/crash1", "/fake/done2"}, {}, {"--log", log});
    EXPECT_EQ(run.status, 1);
    ASSERT_EQ(run.units.size(), 2);
    EXPECT_EQ(run.units[0].toObject()["result"].toString(), "stopped");
    EXPECT_EQ(run.units[1].toObject()["result"].toString(), "done");
    EXPECT_TRUE(run.err.contains("[/fake/crash1] the worker ended without a result (crashed)"));
    QFile file(log);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QStringList ports;
    for (const QByteArray& line : file.readAll().split('\n'))
        if (!line.isEmpty())
            ports << QJsonDocument::fromJson(line).object()["port"].toString() + " " +
                         QJsonDocument::fromJson(line).object()["result"].toString();
    ports.sort();
    EXPECT_EQ(ports, (QStringList{"/fake/crash1 stopped", "/fake/done2 done"}));
}

// What a worker told is not the unit's ending when it crashes afterwards; either way the log has
// one line for every unit, appended by the gang.
TEST(CliGang, AWorkerThatCrashesAfterTellingItsResultIsAFailedUnit)
{
    QTemporaryDir dir;
    const QString log = dir.filePath("units.log");
    const GangRun run = runGang({"/fake/late1", "/fake/done2"}, {}, {"--log", log});
    EXPECT_EQ(run.status, 1) << run.err.toStdString();
    ASSERT_EQ(run.units.size(), 2);
    EXPECT_EQ(run.units[0].toObject()["exit"].toInt(), 1);
    EXPECT_EQ(run.units[1].toObject()["exit"].toInt(), 0);
    QFile file(log);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QStringList lines = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    for (QString& line : lines) {
        const QJsonObject record = QJsonDocument::fromJson(line.toUtf8()).object();
        line = record["port"].toString() + " " + QString::number(record["exit"].toInt());
    }
    lines.sort();
    EXPECT_EQ(lines, (QStringList{"/fake/done2 0", "/fake/late1 1"}));
}

// A unit programmed whose record did not reach the log is no clean success.
TEST(CliGang, AUnitWhoseRecordIsLostFailsWithFour)
{
    const GangRun run = runGang({"/fake/done1", "/fake/done2"}, {}, {"--log", "/dev/full"});
    EXPECT_EQ(run.status, 4) << run.err.toStdString();
    ASSERT_EQ(run.units.size(), 2);
    EXPECT_EQ(run.units[0].toObject()["result"].toString(), "done");
    EXPECT_EQ(run.units[0].toObject()["exit"].toInt(), 4);
    EXPECT_TRUE(run.err.contains(QString::fromLocal8Bit(std::strerror(ENOSPC)))) << run.err.toStdString();
}

TEST(CliGang, CtrlCReachesEveryWorkerAndEachEndsCancelled)
{
    const GangRun run = runGang({"/fake/hang1", "/fake/hang2"},
                                [](QProcess& gang) { ::kill(static_cast<pid_t>(gang.processId()), SIGINT); });
    EXPECT_EQ(run.status, 10) << run.err.toStdString();
    ASSERT_EQ(run.units.size(), 2);
    for (const QJsonValue& u : run.units)
        EXPECT_EQ(u.toObject()["result"].toString(), "cancelled");
}
