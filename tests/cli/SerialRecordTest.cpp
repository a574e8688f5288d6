// Each THRU target's own number through corvane-flash against simulated units and a real record:
// two gangs at once on one record hand out distinct numbers, each in exactly one done row and in
// the image its unit received; a killed worker's number is void and never given again; a record
// that cannot be reached stops the write before any byte is sent.
#include "FlashProcess.h"

#include "record/RecordLocation.h"
#include "support/PostgresServer.h"
#include "support/SimulatedUnit.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QUuid>

#include <gtest/gtest.h>

#include <csignal>
#include <map>
#include <set>

namespace {

constexpr int kTargets = 5;
constexpr int kPlace = 0x800; // past the image's own data, so the run sends up to it

class SerialRecord : public FlashProcessTest {
protected:
    QString product(int imageBytes = 2000, int place = kPlace, const QString& more = {})
    {
        image("thru.mot", imageBytes, 3);
        QFile file(dir_.filePath(QStringLiteral("board.toml")));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QStringLiteral("name = \"Board\"\nspeed = 38400\n[thru]\nfile = \"thru.mot\"\ncpu = \"SH7045\"\n"
                                  "clock = 20\n[thru.serial]\naddress = %1\nformat = \"be\"\nbytes = 4\nfirst = 1000\n%2")
                       .arg(QString::number(place), more)
                       .toUtf8());
        return file.fileName();
    }
    QStringList gang(const QString& line, const QString& record, std::initializer_list<int> ports)
    {
        QStringList arguments{"write", "--product", line, "--record", record, "--yes", "--quiet"};
        for (int port : ports)
            arguments << "--port" << QString::number(port);
        return arguments;
    }
    // A unit that writes every THRU image it receives to a file of the test's.
    unitsim::Options tellingImages(int comPort, unitsim::Options options = {})
    {
        options.thruImageFile = imageFileOf(comPort).toStdString();
        return options;
    }
    QString imageFileOf(int comPort) const { return dir_.filePath(QStringLiteral("thru%1.bin").arg(comPort)); }
    // The number the unit's latest THRU image holds, big-endian at the place.
    quint64 numberIn(int comPort, int place = kPlace) const
    {
        QFile file(imageFileOf(comPort));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
        const QByteArray image = file.readAll();
        EXPECT_GE(image.size(), place + 4);
        quint64 number = 0;
        for (int i = 0; i < 4 && place + i < image.size(); ++i)
            number = number << 8 | static_cast<uint8_t>(image[place + i]);
        return number;
    }
    // Two gangs of three units at once, five targets each: every number the units received.
    std::multiset<quint64> twoGangsAtOnce(const QString& record)
    {
        SimulatedUnit units[] = {SimulatedUnit(1, tellingImages(1)), SimulatedUnit(2, tellingImages(2)),
                                 SimulatedUnit(3, tellingImages(3)), SimulatedUnit(4, tellingImages(4)),
                                 SimulatedUnit(5, tellingImages(5)), SimulatedUnit(6, tellingImages(6))};
        const QString line = product();
        std::multiset<quint64> received;
        for (int target = 0; target < kTargets; ++target) {
            QProcess* a = start(gang(line, record, {1, 2, 3}));
            QProcess* b = start(gang(line, record, {4, 5, 6}));
            for (QProcess* process : {a, b}) {
                const Ran ran = finish(process);
                EXPECT_EQ(ran.status, 0) << ran.err.toStdString() << ran.out.toStdString();
            }
            for (int comPort = 1; comPort <= 6; ++comPort)
                received.insert(numberIn(comPort));
        }
        return received;
    }
    // Each serial number of the record's done rows with how many rows name it.
    static std::map<quint64, int> doneRows(const QString& where)
    {
        std::map<quint64, int> rows;
        QString reason;
        const QString name = QUuid::createUuid().toString();
        {
            std::optional<QSqlDatabase> db = record::Connect(*record::ParseLocation(where, &reason), name, &reason);
            EXPECT_TRUE(db) << reason.toStdString();
            QSqlQuery query(db.value_or(QSqlDatabase()));
            EXPECT_TRUE(query.exec(QStringLiteral("SELECT serial FROM runs WHERE result = 'done'")));
            while (query.next())
                ++rows[query.value(0).toULongLong()];
        }
        QSqlDatabase::removeDatabase(name);
        return rows;
    }
    static void expectEachInOneDoneRow(const std::multiset<quint64>& received, const std::map<quint64, int>& rows)
    {
        EXPECT_EQ(received.size(), 2u * 3 * kTargets);
        EXPECT_EQ(std::set<quint64>(received.begin(), received.end()).size(), received.size()) << "a number twice";
        EXPECT_EQ(rows.size(), received.size());
        for (const quint64 number : received)
            EXPECT_EQ(rows.count(number) ? rows.at(number) : 0, 1) << number;
    }
};

TEST_F(SerialRecord, TwoGangsOnOnePostgresServerGiveEveryTargetItsOwnNumber)
{
    if (!PostgresServer::BinFolder())
        GTEST_SKIP() << "PostgreSQL is not installed";
    PostgresServer server;
    ASSERT_TRUE(server.started());
    const std::multiset<quint64> received = twoGangsAtOnce(server.Url());
    expectEachInOneDoneRow(received, doneRows(server.ConnectionString()));
}

TEST_F(SerialRecord, TwoGangsOnOneSqliteFileGiveEveryTargetItsOwnNumber)
{
    const QString record = dir_.filePath(QStringLiteral("record.sqlite"));
    const std::multiset<quint64> received = twoGangsAtOnce(record);
    expectEachInOneDoneRow(received, doneRows(record));
}

TEST_F(SerialRecord, AWorkerKilledDuringTheBlocksLeavesItsNumberVoidNeverToBeGivenAgain)
{
    unitsim::Options paced;
    paced.pace = true;
    SimulatedUnit slow(1, paced), fast(2, tellingImages(2));
    const QString line = product(0x2000, 0x2000);
    const QString record = dir_.filePath(QStringLiteral("record.sqlite"));
    QProcess* gangProcess = start(gang(line, record, {1, 2}));
    ASSERT_TRUE(slow->WaitUntil([&] { return slow->BlocksReceived() >= 20; }, 30000));
    // The gang's worker for Com1 is the child whose arguments name port 1.
    const QString children = QString::fromLatin1(
        [&] {
            QFile file(QStringLiteral("/proc/%1/task/%1/children").arg(gangProcess->processId()));
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        }());
    pid_t worker = 0;
    for (const QString& child : children.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(child));
        if (cmdline.open(QIODevice::ReadOnly) && cmdline.readAll().split('\0').contains("1"))
            worker = child.toInt();
    }
    ASSERT_NE(worker, 0) << children.toStdString();
    ASSERT_EQ(::kill(worker, SIGKILL), 0);
    const Ran ganged = finish(gangProcess);
    EXPECT_EQ(ganged.status, 1) << ganged.err.toStdString(); // a worker that crashed
    const quint64 fastNumber = numberIn(2, 0x2000);

    // The next start finds the killer's number reserved by a process that is gone.
    const Ran summary = run({"record", "--record", record, "--json"});
    ASSERT_EQ(summary.status, 0) << summary.err.toStdString();
    const QJsonObject serials = summary.json().value("serials").toArray()[0].toObject();
    const QJsonArray voided = serials.value("void").toArray();
    ASSERT_EQ(voided.size(), 1) << summary.out.toStdString();
    const quint64 killed = voided[0].toObject().value("from").toInteger();
    EXPECT_EQ(voided[0].toObject().value("to").toInteger(), killed);
    EXPECT_NE(killed, fastNumber);
    EXPECT_TRUE(serials.value("reserved").toArray().isEmpty()) << summary.out.toStdString();

    const Ran next = run({"write", "--product", line, "--record", record, "--port", "2", "--yes", "--quiet"});
    ASSERT_EQ(next.status, 0) << next.err.toStdString();
    EXPECT_GT(numberIn(2, 0x2000), std::max(killed, fastNumber));
}

TEST_F(SerialRecord, PlanShowsTheNextNumberAndWhatIsLeftAndAUsedUpRangeIsRefusedBeforeAnyByte)
{
    SimulatedUnit unit(1);
    const QString line = product(2000, kPlace, QStringLiteral("step = 5\nlast = 1005\n"));
    const QString record = dir_.filePath(QStringLiteral("record.sqlite"));
    const QStringList plan{"plan", "--product", line, "--record", record, "--port", "1"};
    const QStringList write{"write", "--product", line, "--record", record, "--port", "1", "--yes", "--quiet"};
    for (const char* expected : {"serial: next 1000 at 0x00800 (be): 00 00 03 E8; 2 left",
                                 "serial: next 1005 at 0x00800 (be): 00 00 03 ED; 1 left"}) {
        const Ran planned = run(plan);
        EXPECT_EQ(planned.status, 0) << planned.err.toStdString();
        EXPECT_TRUE(planned.out.contains(expected)) << planned.out.toStdString();
        ASSERT_EQ(run(write).status, 0);
    }
    const Ran usedUp = run(plan);
    EXPECT_EQ(usedUp.status, 4);
    EXPECT_TRUE(usedUp.out.contains("serial: used up, 0 left (last 1005)")) << usedUp.out.toStdString();
    const size_t received = unit->ReceivedBytes().size();
    const Ran refused = run(write);
    EXPECT_EQ(refused.status, 4);
    EXPECT_TRUE(refused.err.contains("Board's serial numbers are used up: the last is 1005")) << refused.err.toStdString();
    EXPECT_EQ(unit->ReceivedBytes().size(), received);
}

TEST_F(SerialRecord, AStoppedServerRefusesTheWriteBeforeAnyByteIsSent)
{
    if (!PostgresServer::BinFolder())
        GTEST_SKIP() << "PostgreSQL is not installed";
    PostgresServer server;
    ASSERT_TRUE(server.started());
    server.Stop();
    SimulatedUnit unit(1);
    const Ran ran = run({"write", "--product", product(), "--record", server.ConnectionString(), "--port", "1",
                         "--yes", "--quiet"});
    EXPECT_EQ(ran.status, 4) << ran.err.toStdString();
    EXPECT_TRUE(ran.err.contains("cannot use the record")) << ran.err.toStdString();
    EXPECT_TRUE(unit->ReceivedBytes().empty());
}

} // namespace
