// corvane-flash as a process against the simulated unit on a pseudo-terminal: what a script
// sees on standard output, standard error and in the exit status, and what the unit was told.
#include "FlashProcess.h"

#include "link/SerialMSComm.h"
#include "support/SimulatedUnit.h"
#include "support/RampImage.h"

#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/stat.h>
#include <cstring>

namespace {

unitsim::PageRecord record(const char* name, uint32_t size)
{
    unitsim::PageRecord r;
    r.status = 1;
    r.cpu = 0;
    r.clockHz = 16000000;
    r.name.fill(' ');
    const QByteArray bytes = QByteArray::fromStdString(name);
    std::copy(bytes.begin(), bytes.end(), r.name.begin());
    r.size = size;
    return r;
}

// The digest as coreutils computes it, independent of the command's own.
QString sha256sum(const QString& path)
{
    QProcess process;
    process.start(QStringLiteral("sha256sum"), {path});
    EXPECT_TRUE(process.waitForFinished(30000));
    return QString::fromLatin1(process.readAllStandardOutput().left(64));
}

class FlashCommand : public FlashProcessTest {
protected:
    static QStringList common() { return {"--port", "1", "--cpu", "3048f", "--clock", "16", "--quiet"}; }
};

TEST_F(FlashCommand, InfoShowsEmptyAndFullPagesAsTextAndJson)
{
    SimulatedUnit unit(1);
    unit->SetPage(1, record("\xC3\xBD\xC4.MOT", 2048), RampImageBytes(2048, 1)); // "ﾃｽﾄ.MOT"

    const Ran text = run({"info", "--port", "Com1"});
    EXPECT_EQ(text.status, 0) << text.err.toStdString();
    const QString shown = QString::fromUtf8(text.out);
    EXPECT_TRUE(shown.contains(QStringLiteral("------"))) << shown.toStdString();
    EXPECT_TRUE(shown.contains(QString::fromUtf8("ﾃｽﾄ.MOT"))) << shown.toStdString();

    const Ran json = run({"info", "--port", "com1", "--json"});
    EXPECT_EQ(json.status, 0);
    const QJsonArray pages = json.json().value("pages").toArray();
    ASSERT_EQ(pages.size(), 4) << json.out.toStdString();
    EXPECT_EQ(pages[0].toObject(), (QJsonObject{{"page", 1}, {"empty", true}}));
    const QJsonObject full = pages[1].toObject();
    EXPECT_EQ(full.value("page").toInt(), 2);
    EXPECT_FALSE(full.value("empty").toBool());
    EXPECT_EQ(full.value("cpu").toString(), "3048F");
    EXPECT_EQ(full.value("clock_hz").toInt(), 16000000);
    EXPECT_EQ(full.value("size").toInt(), 2048);
    EXPECT_TRUE(full.value("name").toString().startsWith(QString::fromUtf8("ﾃｽﾄ.MOT")));
}

TEST_F(FlashCommand, WriteToAPageAndThroughAtBothSpeeds)
{
    SimulatedUnit unit(1);
    const QString file = image("PROG.MOT", 1000);
    struct Case {
        const char* page;
        const char* speed;
        int baud;
    } cases[] = {{"2", "9600", 9600}, {"3", "38400", 38400}, {"thru", "9600", 9600}, {"thru", "38400", 38400}};
    for (const Case& c : cases) {
        const Ran ran = run(common() + QStringList{"write", file, "--page", c.page, "--speed", c.speed, "--json"});
        const QJsonObject o = ran.json();
        EXPECT_EQ(ran.status, 0) << c.page << c.speed << ran.err.toStdString();
        EXPECT_EQ(o.value("result").toString(), "done") << c.page << c.speed;
        EXPECT_EQ(o.value("speed").toInt(), c.baud) << c.page << c.speed;
        EXPECT_EQ(o.value("blocks").toInt(), 32) << c.page << c.speed; // 1024 bytes: whole 128-byte units
        EXPECT_EQ(unit->UnitBaud(), 9600);
        const std::vector<uint8_t> expected = RampImageBytes(1000, 3);
        if (QByteArray(c.page) == "thru") {
            const std::vector<uint8_t> thru = unit->ThruImage();
            ASSERT_GE(thru.size(), expected.size());
            EXPECT_TRUE(std::equal(expected.begin(), expected.end(), thru.begin())) << c.speed;
        } else {
            const int page = QByteArray(c.page).toInt() - 1;
            EXPECT_EQ(unit->Page(page).status, 1) << c.page;
            const std::vector<uint8_t> data = unit->PageData(page);
            EXPECT_TRUE(std::equal(expected.begin(), expected.end(), data.begin())) << c.page;
            EXPECT_EQ(o.value("pages").toArray()[page].toObject().value("size").toInt(), 1024) << c.page;
        }
    }
}

// A THRU run touches no page: one query tells that the unit answers, and no page is read after.
TEST_F(FlashCommand, ThruWriteAsksOnePageBeforeItsRunAndNoneAfter)
{
    SimulatedUnit unit(1);
    const QString file = image("PROG.MOT", 1000);
    const Ran ran = run(common() + QStringList{"write", file, "--page", "thru", "--speed", "38400", "--json"});
    EXPECT_EQ(ran.status, 0) << ran.err.toStdString();
    EXPECT_TRUE(ran.json().value("pages").isNull());

    QStringList heads;
    for (const std::string& line : unit->CommandLines())
        heads << QString::fromStdString(line).left(2);
    // The query of page 1, the speed exchange up, the direct header, the speed exchange down.
    EXPECT_EQ(heads.join(' ').toStdString(), "C9 CC CF CC");
    EXPECT_EQ(unit->CommandLines().front(), "C90200FD");
}

// An image running on from page 1 into page 2 asks before page 2 is erased.
TEST_F(FlashCommand, EraseQuestionAnsweredByYesOrCancelledWithoutATerminal)
{
    SimulatedUnit unit(1);
    unit->SetPage(1, record("OLD.MOT", 512), RampImageBytes(512, 9));
    const QString file = image("BIG.MOT", 0x20000 + 64);

    const Ran plan = run(common() + QStringList{"plan", file, "--page", "1", "--json"});
    EXPECT_EQ(plan.status, 0) << plan.err.toStdString();
    EXPECT_EQ(plan.json().value("questions").toArray().size(), 1) << plan.out.toStdString();
    EXPECT_EQ(plan.json().value("erase").toArray(), QJsonArray{2});

    const Ran refused = run(common() + QStringList{"write", file, "--page", "1", "--json"});
    EXPECT_EQ(refused.status, 6) << refused.err.toStdString();
    EXPECT_EQ(refused.json().value("result").toString(), "stopped");
    EXPECT_EQ(unit->Page(1), record("OLD.MOT", 512)) << "nothing erased";
    EXPECT_EQ(unit->BlocksReceived(), 0);

    const Ran yes = run(common() + QStringList{"write", file, "--page", "1", "--yes", "--speed", "38400", "--json"});
    EXPECT_EQ(yes.status, 0) << yes.err.toStdString();
    EXPECT_EQ(yes.json().value("erased").toArray(), QJsonArray{2});
    EXPECT_EQ(unit->Page(0).status, 1);
}

// One case for each row of the page rules: an image of one, two, three or four pages on a page
// that can or cannot hold it.
TEST_F(FlashCommand, PlanRefusesWhatThePagesAboveCannotHoldAndSendsNothingThatChangesTheUnit)
{
    SimulatedUnit unit(1);
    const QString small = image("SMALL.MOT", 256);
    const QString twoPages = image("TWO.MOT", 0x20000 + 64);
    const QString threePages = image("THREE.MOT", 0x40000 + 64);
    const QString fourPages = image("FOUR.MOT", 0x60000 + 64);
    struct Case {
        QString file;
        const char* page;
        int status;
        QJsonValue refused;
        QJsonArray erase;
    } cases[] = {{small, "1", 0, QJsonValue::Null, {}},
                 {twoPages, "3", 0, QJsonValue::Null, {4}},
                 {twoPages, "4", 5, "ERR 402", {}},
                 {threePages, "2", 0, QJsonValue::Null, {3, 4}},
                 {threePages, "3", 5, "ERR 401", {}},
                 {fourPages, "1", 0, QJsonValue::Null, {2, 3, 4}},
                 {fourPages, "2", 5, "ERR 400", {}},
                 {small, "thru", 0, QJsonValue::Null, {}}};
    for (const Case& c : cases) {
        const Ran ran = run(common() + QStringList{"plan", c.file, "--page", c.page, "--json"});
        const QString which = QFileInfo(c.file).fileName() + QStringLiteral(" on page ") + QString::fromLatin1(c.page);
        EXPECT_EQ(ran.status, c.status) << which.toStdString() << ran.err.toStdString();
        EXPECT_EQ(ran.json().value("refused"), c.refused) << which.toStdString() << ran.out.toStdString();
        EXPECT_EQ(ran.json().value("erase").toArray(), c.erase) << which.toStdString() << ran.out.toStdString();
        EXPECT_EQ(ran.json().value("questions").toArray(), QJsonArray{}) << "the pages above are empty";
    }
    EXPECT_FALSE(unit->AnyPageHoldsData());
    EXPECT_EQ(unit->BlocksReceived(), 0);
}

// Older data of page 1 running on into page 2 is erased only after the question.
TEST_F(FlashCommand, OlderDataRunningIntoTheChosenPageAsksBeforeItIsErased)
{
    SimulatedUnit unit(1);
    unit->SetPage(0, record("OLD.MOT", 200 * 1024), RampImageBytes(512, 9));
    const QString file = image("NEW.MOT", 512);

    const Ran plan = run(common() + QStringList{"plan", file, "--page", "2", "--json"});
    EXPECT_EQ(plan.status, 0) << plan.err.toStdString();
    EXPECT_EQ(plan.json().value("questions").toArray().size(), 1) << plan.out.toStdString();
    EXPECT_EQ(plan.json().value("erase").toArray(), QJsonArray{1}) << plan.out.toStdString();
    EXPECT_EQ(unit->Page(0), record("OLD.MOT", 200 * 1024));

    const Ran yes = run(common() + QStringList{"write", file, "--page", "2", "--yes", "--json"});
    EXPECT_EQ(yes.status, 0) << yes.err.toStdString();
    EXPECT_EQ(yes.json().value("erased").toArray(), QJsonArray{1}) << yes.out.toStdString();
    EXPECT_EQ(unit->Page(0).status, 0) << "page 1 erased";
    EXPECT_EQ(unit->Page(1).size, 512u);
}

TEST_F(FlashCommand, WriteOfAnImageThePagesCannotHoldSendsNoBlock)
{
    SimulatedUnit unit(1);
    const Ran ran = run(common() + QStringList{"write", image("BIG.MOT", 0x40000 + 64), "--page", "3", "--json"});
    EXPECT_EQ(ran.status, 5) << ran.err.toStdString();
    EXPECT_EQ(ran.json().value("code").toString(), "ERR 401") << ran.out.toStdString();
    EXPECT_TRUE(ran.err.contains("ERR 401"));
    EXPECT_EQ(unit->BlocksReceived(), 0);
    EXPECT_FALSE(unit->AnyPageHoldsData());
}

// A toolchain's stack section far beyond the flash: the box names the line, the line after it
// says what lies where, and nothing reaches the unit.
TEST_F(FlashCommand, AnImageFaultSaysWhatAndWhereAfterItsBox)
{
    SimulatedUnit unit(1);
    const QString file = dir_.filePath("STACK.MOT");
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write("S0060000617070B8\nS107000012345678E4\nS10500049ABCA0\nS3093FFFFF0000000000B9\nS9030000FC\n");
    out.close();
    const Ran ran = run(common() + QStringList{"write", file, "--json"});
    EXPECT_EQ(ran.status, 4) << ran.err.toStdString();
    EXPECT_TRUE(ran.err.contains("ERR 002:  4"));
    EXPECT_TRUE(ran.err.contains("\nline 4: data at 0x3FFFFF00 lies outside the image (0x00000-0x7FFFF)\n"))
        << ran.err.toStdString();
    EXPECT_EQ(ran.json().value("format").toString(), "srec");
    EXPECT_EQ(ran.json().value("fault").toObject().value("address").toInteger(), 0x3FFFFF00);
    EXPECT_EQ(unit->BlocksReceived(), 0);
}

TEST_F(FlashCommand, ExitStatusesAgainstTheUnit)
{
    SimulatedUnit unit(1);
    const QString file = image("PROG.MOT", 256);
    EXPECT_EQ(run(common() + QStringList{"write"}).status, 2);
    EXPECT_EQ(run(common() + QStringList{"write", dir_.filePath("MISSING.MOT")}).status, 4);
    EXPECT_EQ(run({"info", "--port", dir_.filePath("nodevice")}).status, 3);

    unitsim::Faults faults;
    faults.flashFaultAtBlock = 2;
    unit->SetFaults(faults);
    Ran ran = run(common() + QStringList{"write", file, "--json"});
    EXPECT_EQ(ran.status, 9) << ran.err.toStdString();
    EXPECT_EQ(ran.json().value("code").toString(), "ERR 102");

    faults = {};
    faults.badRecordSumPage = 0;
    unit->SetFaults(faults);
    ran = run(common() + QStringList{"info"});
    EXPECT_EQ(ran.status, 8) << ran.err.toStdString();
    EXPECT_TRUE(ran.err.contains("ERR 200"));

    faults = {};
    faults.mute = true;
    unit->SetFaults(faults);
    const int blocksBefore = unit->BlocksReceived();
    ran = run(common() + QStringList{"write", file});
    EXPECT_EQ(ran.status, 7) << ran.err.toStdString();
    EXPECT_EQ(unit->BlocksReceived(), blocksBefore) << "no header wait for a unit that does not answer";
}

// The block's wait runs out, the data stream is ended with the abort block all the same, and
// the command tells a unit that stopped answering. Neither the ramp nor a command line holds
// the abort block's 0xFF bytes.
TEST_F(FlashCommand, AUnitSilentFromABlockOnEndsWriteWithNoAnswerAfterTheAbortBlock)
{
    unitsim::Options options;
    options.faults.vanishAfterBlocks = 5;
    SimulatedUnit unit(1, options);
    const Ran ran = run(common() + QStringList{"write", image("PROG.MOT", 4096), "--json"});
    EXPECT_EQ(ran.status, 7) << ran.err.toStdString();
    EXPECT_EQ(ran.json().value("code").toString(), "ERR 030");
    EXPECT_EQ(unit->BlocksReceived(), 6);
    const std::vector<uint8_t> heard = unit->ReceivedBytes();
    const QByteArray bytes(reinterpret_cast<const char*>(heard.data()), static_cast<qsizetype>(heard.size()));
    EXPECT_EQ(bytes.count(QByteArray(33, '\xFF')), 1) << "the abort block, once";
}

// A pipe or a device never ends a read, or blocks at opening: refused before any port opens.
TEST_F(FlashCommand, AFileThatIsNoRegularFileIsRefusedBeforeThePortOpens)
{
    SimulatedUnit unit(1);
    const QString fifo = dir_.filePath("image.fifo");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    for (const QString& file : {fifo, QStringLiteral("/dev/zero")}) {
        for (const char* command : {"plan", "write"}) {
            const Ran ran = run(common() + QStringList{command, file, "--json"});
            EXPECT_EQ(ran.status, 4) << command << " " << file.toStdString() << ": " << ran.err.toStdString();
            EXPECT_TRUE(ran.json().value("file_sha256").isNull());
        }
    }
    EXPECT_TRUE(unit->CommandLines().empty());
}

// Ctrl-C and SIGTERM alike are the stop button.
TEST_F(FlashCommand, InterruptOrTerminateDuringTheBlocksAbortsAndLeavesTheUnitAt9600)
{
    unitsim::Options options;
    options.faults.replyDelayMs = 5; // keeps the blocks going while the signal comes
    SimulatedUnit unit(1, options);
    const QString file = image("LONG.MOT", 64 * 1024);
    for (const int signal : {SIGINT, SIGTERM}) {
        const int blocksBefore = unit->BlocksReceived();
        QProcess* process = start(common() + QStringList{"write", file, "--speed", "38400", "--json"});
        ASSERT_TRUE(unit->WaitUntil([&] { return unit->BlocksReceived() >= blocksBefore + 4; }, 30000)) << signal;
        ::kill(static_cast<pid_t>(process->processId()), signal);
        const Ran ran = finish(process);
        EXPECT_EQ(ran.status, 10) << signal << ran.err.toStdString();
        EXPECT_EQ(ran.json().value("result").toString(), "cancelled") << signal;
        EXPECT_EQ(unit->LastTransfer().ending, unitsim::Transfer::Ending::Aborted) << signal;
        EXPECT_TRUE(unit->WaitUntil([&] { return unit->Idle(); }, 10000)) << signal;
        EXPECT_EQ(unit->UnitBaud(), 9600) << signal;
    }
}

// The trace tells the exchange but of the blocks only the first, the last and the one the unit
// did not answer "O".
TEST_F(FlashCommand, TraceTellsLinesSpeedsWaitsAndTheBlocksThatMatter)
{
    unitsim::Options options;
    options.faults.unclearAtBlock = 5;
    SimulatedUnit unit(1, options);
    const QString file = image("PROG.MOT", 1000);
    const Ran ran = run(common() + QStringList{"write", file, "--speed", "38400", "--trace"});
    EXPECT_EQ(ran.status, 0) << ran.err.toStdString();
    const QString err = QString::fromUtf8(ran.err);
    const QStringList blocks = err.split('\n').filter(QRegularExpression(QStringLiteral("\\bblock\\b")));
    EXPECT_TRUE(err.contains(QStringLiteral("38400,N,8,1"))) << err.toStdString();
    // A pseudo-terminal has no low-latency mode to set: the attempt and the refusal are told.
    EXPECT_TRUE(err.contains(QStringLiteral("low latency: not supported: Inappropriate ioctl for device")));
    EXPECT_TRUE(err.contains(QStringLiteral("9600,N,8,1")));
    EXPECT_TRUE(err.contains(QStringLiteral(" ms")));
    EXPECT_TRUE(err.contains(QStringLiteral("received")));
    ASSERT_GE(blocks.size(), 3) << err.toStdString();
    EXPECT_TRUE(blocks.first().contains(QStringLiteral(" 1 (")));
    EXPECT_TRUE(blocks.filter(QStringLiteral("answered \"X\"")).size() == 1) << err.toStdString();
    ASSERT_EQ(blocks.size(), 4) << "the blocks in between are not told: " << err.toStdString();
    EXPECT_TRUE(blocks[2].contains(QStringLiteral("(last)")));
    EXPECT_TRUE(blocks[3].contains(QStringLiteral("end block")));
}

TEST_F(FlashCommand, APortAnotherProcessHoldsIsRefusedAsBusy)
{
    SimulatedUnit unit(1);
    SerialMSComm holder;
    holder.SetCommPort(1);
    QString error;
    ASSERT_TRUE(holder.Open(&error)) << error.toStdString();
    const Ran ran = run({"info", "--port", "1"});
    EXPECT_EQ(ran.status, 3) << ran.err.toStdString();
    EXPECT_TRUE(ran.err.contains("OPEN ERROR"));
    holder.Close();
}

TEST_F(FlashCommand, ThreeUnitsAtOnce)
{
    SimulatedUnit a(1), b(2), c(3);
    const QString file = image("GANG.MOT", 2048);
    const Ran ran = run({"write", file, "--port", "1", "--port", "2", "--port", "3", "--cpu", "3048F", "--clock",
                         "16", "--page", "1", "--quiet", "--json"});
    EXPECT_EQ(ran.status, 0) << ran.err.toStdString();
    EXPECT_EQ(ran.json().value("units").toArray().size(), 3) << ran.out.toStdString();
    for (SimulatedUnit* unit : {&a, &b, &c})
        EXPECT_EQ(unit->sim().Page(0).size, 2048u);
}

// One unit's fault stops none of the others; the status is that of the first failing port in
// command-line order, not of the first to fail.
TEST_F(FlashCommand, AFailingUnitInAGangStopsNoOtherAndTheFirstFailingPortDecides)
{
    SimulatedUnit fine(3), silent(2), faulty(1);
    unitsim::Faults mute;
    mute.mute = true;
    silent->SetFaults(mute);
    unitsim::Faults flashFault;
    flashFault.flashFaultAtBlock = 3;
    faulty->SetFaults(flashFault);
    const QString file = image("GANG.MOT", 2048);
    const Ran ran = run({"write", file, "--port", "3", "--port", "2", "--port", "1", "--cpu", "3048F", "--clock",
                         "16", "--page", "1", "--quiet", "--json"});
    EXPECT_EQ(ran.status, 7) << ran.err.toStdString();
    const QJsonArray units = ran.json().value("units").toArray();
    ASSERT_EQ(units.size(), 3) << ran.out.toStdString();
    const int expectedExit[] = {0, 7, 9};
    for (int n = 0; n < 3; ++n)
        EXPECT_EQ(units[n].toObject().value("exit").toInt(), expectedExit[n]) << n << ran.out.toStdString();
    EXPECT_EQ(units[2].toObject().value("code").toString(), "ERR 102");
    EXPECT_EQ(fine->Page(0).size, 2048u);
    EXPECT_EQ(silent->BlocksReceived(), 0);
    EXPECT_EQ(faulty->Page(0).status, 0);
}

// Every unit of a gang appends its own line to one log, the failing one as well, each with the
// digests of the file and of the bytes its unit was sent.
TEST_F(FlashCommand, AGangLogsEveryUnitWithTheDigestsOfItsFileAndImage)
{
    SimulatedUnit a(1), b(2), c(3);
    unitsim::Faults flashFault;
    flashFault.flashFaultAtBlock = 3;
    b->SetFaults(flashFault);
    // 1000 bytes are no whole 128-byte unit: the run sends the rest of the unit as erased flash.
    const QString file = image("LOG.MOT", 1000);
    std::vector<uint8_t> span = RampImageBytes(1000, 3);
    span.resize(1024, 0xFF);
    QFile spanFile(dir_.filePath("span.bin"));
    ASSERT_TRUE(spanFile.open(QIODevice::WriteOnly));
    spanFile.write(reinterpret_cast<const char*>(span.data()), static_cast<qint64>(span.size()));
    spanFile.close();
    const QString fileDigest = sha256sum(file), imageDigest = sha256sum(spanFile.fileName());
    ASSERT_EQ(imageDigest.size(), 64);

    const QString log = dir_.filePath("units.log");
    const Ran ran = run({"write", file, "--port", "1", "--port", "2", "--port", "3", "--cpu", "3048F", "--clock",
                         "16", "--page", "1", "--quiet", "--json", "--log", log});
    EXPECT_EQ(ran.status, 9) << ran.err.toStdString();
    const std::vector<uint8_t> received = a->PageData(0);
    EXPECT_TRUE(std::equal(span.begin(), span.end(), received.begin())) << "the span is what the unit got";

    QFile logFile(log);
    ASSERT_TRUE(logFile.open(QIODevice::ReadOnly));
    QList<QByteArray> lines = logFile.readAll().split('\n');
    ASSERT_TRUE(lines.takeLast().isEmpty());
    ASSERT_EQ(lines.size(), 3);
    QMap<QString, QJsonObject> byPort;
    for (const QByteArray& line : lines) {
        QJsonParseError error;
        const QJsonObject record = QJsonDocument::fromJson(line, &error).object();
        EXPECT_EQ(error.error, QJsonParseError::NoError) << line.toStdString();
        byPort.insert(record["port"].toString(), record);
    }
    const struct {
        const char* port;
        SimulatedUnit& unit;
        const char* result;
        int exit;
    } expected[] = {{"Com1", a, "done", 0}, {"Com2", b, "stopped", 9}, {"Com3", c, "done", 0}};
    static const QRegularExpression stamp(QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}Z$"));
    for (const auto& e : expected) {
        const QJsonObject r = byPort.value(e.port);
        EXPECT_EQ(r["result"].toString(), e.result) << e.port;
        EXPECT_EQ(r["exit"].toInt(), e.exit) << e.port;
        EXPECT_EQ(r["file_sha256"].toString(), fileDigest) << e.port;
        EXPECT_EQ(r["image_sha256"].toString(), imageDigest) << e.port;
        EXPECT_EQ(r["device"].toString(), QString::fromStdString(e.unit->HostPath())) << e.port;
        EXPECT_EQ(r["file"].toString(), QFileInfo(file).absoluteFilePath()) << e.port;
        EXPECT_EQ(r["cpu"].toString(), "3048F");
        EXPECT_EQ(r["clock_hz"].toInt(), 16000000);
        EXPECT_TRUE(stamp.match(r["start"].toString()).hasMatch()) << r["start"].toString().toStdString();
        EXPECT_LE(r["start"].toString(), r["end"].toString());
    }
    EXPECT_EQ(byPort.value("Com2")["code"].toString(), "ERR 102");
    for (const QJsonValue& unit : ran.json()["units"].toArray())
        EXPECT_EQ(unit.toObject()["image_sha256"].toString(), imageDigest);

    const Ran plan = run(common() + QStringList{"plan", file, "--page", "2", "--json"});
    EXPECT_EQ(plan.json()["file_sha256"].toString(), fileDigest) << plan.out.toStdString();
    EXPECT_EQ(plan.json()["image_sha256"].toString(), imageDigest);
}

// A log that cannot take the record stops the command before any unit hears a byte.
TEST_F(FlashCommand, ALogThatCannotBeAppendedToStopsBeforeAnyUnitIsTouched)
{
    SimulatedUnit a(1), b(2);
    const QString file = image("PROG.MOT", 256);
    const QString folder = dir_.path();
    for (const QStringList& ports : {QStringList{"--port", "1"}, QStringList{"--port", "1", "--port", "2"}}) {
        const Ran ran = run(ports + QStringList{"write", file, "--cpu", "3048F", "--quiet", "--yes", "--log", folder});
        EXPECT_EQ(ran.status, 4) << ran.err.toStdString();
        EXPECT_TRUE(ran.err.contains(folder.toUtf8())) << ran.err.toStdString();
        EXPECT_TRUE(ran.err.contains(std::strerror(EISDIR))) << ran.err.toStdString();
        EXPECT_TRUE(ran.out.isEmpty()) << ran.out.toStdString();
    }
    EXPECT_TRUE(a->ReceivedBytes().empty());
    EXPECT_TRUE(b->ReceivedBytes().empty());
}

} // namespace
