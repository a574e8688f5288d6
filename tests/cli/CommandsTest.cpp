#include "FakeSession.h"

#include "cli/Program.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <csignal>

using namespace cli;

namespace {

// Runs corvane-flash in the test process on a fake session that `setUp` prepares.
struct Harness {
    QString out, err;
    QTextStream outStream{&out}, errStream{&err};
    bool terminal = false;
    std::optional<QString> typed;
    std::shared_ptr<FakeSession::Counts> session; // the last session's calls
    std::function<void(FakeSession&)> setUp;

    int run(const QStringList& args)
    {
        Streams streams{outStream, errStream, terminal, false, [this] { return typed; }, [] { return 0.0; }};
        return RunProgram(args, streams,
                          [this](const SavedChoices&, const QString&, const TlsFiles&, SessionFront& front, bool) {
                              auto s = std::make_unique<FakeSession>(front);
                              s->checks = {{AllRead(), {}}};
                              session = s->counts;
                              if (setUp)
                                  setUp(*s);
                              return s;
                          },
                          QString());
    }
    QJsonObject json() const { return QJsonDocument::fromJson(out.toUtf8()).object(); }
};

RunReport done(int blocks)
{
    RunReport o;
    o.result = RunReport::Result::Done;
    o.blocksAccepted = blocks;
    o.blockBaud = 38400;
    o.erasedPages = {3};
    return o;
}

imagebuf::ImageLoad loadedTo(int32_t dataEnd)
{
    imagebuf::ImageLoad image;
    image.format = imagebuf::ImageFormat::SRecord;
    image.result = IMAGEBUF_LOADED;
    image.dataEnd = dataEnd;
    return image;
}

PageReading silent()
{
    PageReading r;
    r.opened = true;
    r.stoppedRow = &Messages::kErr201;
    return r;
}

const FakeSession::Msg kTimeout{&Messages::kErr201, {}};

} // namespace

TEST(CliInfo, StatusIsThatOfTheMessageThatEndedTheCheck)
{
    Harness h;
    EXPECT_EQ(h.run({"info", "--json"}), 0);
    EXPECT_EQ(h.json()["pages"].toArray().size(), 4);
    EXPECT_EQ(h.json()["port"].toString(), "Com1");

    Harness noUnit;
    noUnit.setUp = [](FakeSession& s) { s.checks = {{silent(), {kTimeout, kTimeout}}}; };
    EXPECT_EQ(noUnit.run({"info"}), 7);
    EXPECT_TRUE(noUnit.err.contains(QString::fromUtf8("ERR 201: 受信ﾀｲﾑｵｰﾊﾞｰが発生しました -- ")));

    Harness noPort;
    noPort.setUp = [](FakeSession& s) {
        PageReading closed;
        closed.stoppedRow = &Messages::kOpenPort;
        s.checks = {{closed, {{&Messages::kOpenPort, "/dev/ttyS0: Device or resource busy.\nAnother program holds the port"}}}};
    };
    EXPECT_EQ(noPort.run({"info"}), 3);
    EXPECT_TRUE(noPort.err.contains("OPEN ERROR: /dev/ttyS0: Device or resource busy. Another program holds the port\n"));

    Harness garbled; // page 3's record fails its checksum after a slow speed exchange
    garbled.setUp = [](FakeSession& s) {
        PageReading r = AllRead();
        r.pages[2].reset();
        r.pages[3].reset();
        r.stoppedRow = &Messages::kErr200;
        s.checks = {{r, {kTimeout, {&Messages::kErr200, {}}}}};
    };
    EXPECT_EQ(garbled.run({"info"}), 8);
}

TEST(CliWrite, DoneRunPrintsTheSummaryAndChecksTheMemoryAgain)
{
    Harness h;
    h.setUp = [](FakeSession& s) { s.run = [](SessionFront&, FakeSession&) { return done(4096); }; };
    EXPECT_EQ(h.run({"write", "a.mot", "--json", "--page", "1"}), 0);
    const QJsonObject o = h.json();
    EXPECT_EQ(o["result"].toString(), "done");
    EXPECT_EQ(o["exit"].toInt(), 0);
    EXPECT_EQ(o["bytes"].toInt(), 4096 * 32);
    EXPECT_EQ(o["speed"].toInt(), 38400);
    EXPECT_EQ(o["page"].toInt(), 1);
    EXPECT_TRUE(o["pages"].isArray());
    EXPECT_EQ(h.session->read, 2);
}

TEST(CliWrite, ThruAsksOnlyThatTheUnitAnswersAndReadsNoPagesAfter)
{
    Harness h;
    h.setUp = [](FakeSession& s) { s.run = [](SessionFront&, FakeSession&) { return done(64); }; };
    EXPECT_EQ(h.run({"write", "a.mot", "--page", "thru"}), 0);
    EXPECT_EQ(h.session->first, 1);
    EXPECT_EQ(h.session->read, 0);
    EXPECT_FALSE(h.out.contains("page  cpu")) << h.out.toStdString();
}

TEST(CliWrite, UnitThatNeverAnswersStopsAtOnceWithSeven)
{
    Harness h;
    h.setUp = [](FakeSession& s) { s.checks = {{silent(), {kTimeout, kTimeout}}}; };
    EXPECT_EQ(h.run({"write", "a.mot", "--json"}), 7);
    EXPECT_EQ(h.session->write, 0);
    EXPECT_EQ(h.json()["code"].toString(), "ERR 201");
    EXPECT_EQ(h.json()["result"].toString(), "stopped");
    EXPECT_TRUE(h.json()["pages"].isNull());
}

TEST(CliWrite, StoppingMessagesGiveTheirStatusAndTxFailedSkipsTheCheckAfter)
{
    const struct {
        const MessageRow* row;
        bool txFailed;
        int status;
    } rows[] = {
        {&Messages::kOpenFile, true, 4}, {&Messages::kOpenTransferPort, true, 3}, {&Messages::kErr001, true, 4},
        {&Messages::kErr402, false, 5},  {&Messages::kErr040, false, 7},          {&Messages::kErr013, false, 8},
        {&Messages::kErr110, false, 9},
    };
    for (const auto& row : rows) {
        Harness h;
        const MessageRow* stopping = row.row;
        const bool txFailed = row.txFailed;
        h.setUp = [=](FakeSession& s) {
            s.run = [=](SessionFront& front, FakeSession&) {
                FakeSession::Show(front, {&Messages::kErr030, {}}); // a warning
                FakeSession::Show(front, {stopping, {}});
                RunReport o;
                o.stoppedRow = stopping;
                o.txFailed = txFailed;
                return o;
            };
        };
        EXPECT_EQ(h.run({"write", "a.mot", "--json"}), row.status) << row.row->name;
        EXPECT_EQ(h.json()["code"].toString(), QString::fromUtf8(row.row->code));
        EXPECT_EQ(h.json()["result"].toString(), "stopped");
        EXPECT_EQ(h.session->read, txFailed ? 1 : 2) << row.row->name;
    }
}

TEST(CliWrite, EraseQuestionWithoutTerminalIsCancelledWithSix)
{
    for (const bool yes : {false, true}) {
        Harness h;
        h.setUp = [](FakeSession& s) {
            s.run = [](SessionFront& front, FakeSession&) {
                if (!front.Ask(QString::fromUtf8("ページを跨ぐデータ"), QString::fromUtf8(" 2ページを消去します"))) {
                    RunReport o;
                    o.questionRefused = true;
                    return o;
                }
                return done(10);
            };
        };
        QStringList args{"write", "a.mot", "--json"};
        if (yes)
            args << "--yes";
        EXPECT_EQ(h.run(args), yes ? 0 : 6);
        EXPECT_EQ(h.json()["result"].toString(), yes ? "done" : "stopped");
        EXPECT_TRUE(h.json()["code"].isNull());
    }
    Harness onTerminal;
    onTerminal.terminal = true;
    onTerminal.typed = QString("y");
    onTerminal.setUp = [](FakeSession& s) {
        s.run = [](SessionFront& front, FakeSession&) {
            return front.Ask("t", "x") ? done(1) : RunReport{};
        };
    };
    EXPECT_EQ(onTerminal.run({"write", "a.mot"}), 0);
    EXPECT_TRUE(onTerminal.err.contains("t: x [y/N] "));
}

TEST(CliWrite, SigtermDuringTheBlocksStopsTheRunWithTen)
{
    Harness h;
    h.setUp = [](FakeSession& s) {
        s.run = [](SessionFront& front, FakeSession& self) {
            ::raise(SIGTERM);
            return FakeSession::BlocksUntilStopped(front, self);
        };
    };
    EXPECT_EQ(h.run({"write", "a.mot", "--json", "--quiet"}), 10);
    EXPECT_EQ(h.session->stop, 1);
    EXPECT_EQ(h.json()["result"].toString(), "cancelled");
}

// The plan is the page rules' own against the pages the check read: page 2 of AllRead is
// empty, page 1 holds 2 KB.
TEST(CliPlan, RefusalFileFaultAndSilence)
{
    Harness refused;
    refused.setUp = [](FakeSession& s) { s.image = loadedTo(0x20000); };
    EXPECT_EQ(refused.run({"plan", "a.mot", "--page", "4"}), 5);
    EXPECT_TRUE(refused.out.contains("refused: ERR 402"));
    EXPECT_TRUE(refused.out.contains("spans: page 4"));

    Harness fits;
    fits.setUp = [](FakeSession& s) {
        s.image = loadedTo(0x20000);
        PageReading full = AllRead();
        full.pages[2] = FullPage(0, 16000000, "old.mot", 1024);
        s.checks = {{full, {}}};
    };
    EXPECT_EQ(fits.run({"plan", "a.mot", "--page", "2", "--json"}), 0);
    EXPECT_EQ(fits.json()["erase"].toArray().at(0).toInt(), 3);
    EXPECT_EQ(fits.json()["questions"].toArray().size(), 1);
    EXPECT_EQ(fits.json()["send_end"].toInt(), 0x2007F);
    EXPECT_EQ(fits.session->write, 0);

    Harness faulty;
    faulty.setUp = [](FakeSession& s) {
        s.image.format = imagebuf::ImageFormat::IntelHex;
        s.image.result = IMAGEBUF_BEYOND_IMAGE;
        s.image.errorLine = 3;
        s.image.fault = {imagebuf::FaultReason::OutsideImage, imagebuf::FaultPlace::Line, 3, 0x80000,
                         "data at 0x80000 lies outside the image (0x00000-0x7FFFF)"};
        s.loadMessages = {{&Messages::kErr002, QString::fromUtf8(" 3行にﾃﾞｰﾀ異常を検出しました")}};
    };
    EXPECT_EQ(faulty.run({"plan", "a.mot"}), 4);
    EXPECT_TRUE(faulty.out.contains("format: ihex\nimage: not loaded"));
    // What and where, on the line after the box's own.
    EXPECT_TRUE(faulty.err.contains(QString::fromUtf8("-- Check the file at that line\n"
                                                      "line 3: data at 0x80000 lies outside the image (0x00000-0x7FFFF)\n")))
        << faulty.err.toStdString();

    Harness silentUnit;
    silentUnit.setUp = [](FakeSession& s) { s.checks = {{silent(), {kTimeout}}}; };
    EXPECT_EQ(silentUnit.run({"plan", "a.mot"}), 7);
}

TEST(CliProgram, UsageErrorsExitTwoAndCpusNeedsNoSession)
{
    Harness h;
    EXPECT_EQ(h.run({"write"}), 2);
    EXPECT_TRUE(h.err.contains("write needs a FILE"));
    EXPECT_EQ(h.session, nullptr);
    Harness c;
    EXPECT_EQ(c.run({"cpus"}), 0);
    EXPECT_TRUE(c.out.startsWith("code  name  listed\n"));
    EXPECT_TRUE(c.out.contains("\n67  2638F  no\n"));
    EXPECT_EQ(c.session, nullptr);
}
