// corvane-flash as a process against the simulated unit behind the real ser2net: a unit on a
// remote port works as one on a local port, and a server that goes away or is not there ends the
// command as a vanished or missing device does.
#include "FlashProcess.h"

#include "link/Rfc2217MSComm.h"
#include "support/RampImage.h"
#include "support/Ser2Net.h"
#include "support/SimulatedUnit.h"
#include "support/Sredird.h"
#include "support/TestCertificates.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>

namespace {

class RemoteCommand : public FlashProcessTest {
protected:
    static QString hostPath(SimulatedUnit& unit) { return QString::fromStdString(unit->HostPath()); }
    static QStringList unitOptions() { return {"--cpu", "3048f", "--clock", "16", "--quiet"}; }
};

enum class ServerKind { Ser2Net, Sredird };

std::unique_ptr<DeviceServer> startServer(ServerKind kind, const QString& device)
{
    if (kind == ServerKind::Sredird)
        return std::make_unique<Sredird>(device);
    return std::make_unique<Ser2Net>(device);
}

class RemoteServerKind : public RemoteCommand, public ::testing::WithParamInterface<ServerKind> {};

TEST_P(RemoteServerKind, InfoAndWritesAt38400ToAPageAndThrough)
{
    SimulatedUnit unit(1);
    const std::unique_ptr<DeviceServer> server = startServer(GetParam(), hostPath(unit));
    ASSERT_TRUE(server->started());
    const Ran info = run({"info", "--port", server->Url(), "--json"});
    EXPECT_EQ(info.status, 0) << info.err.toStdString();
    EXPECT_EQ(info.json().value("pages").toArray().size(), 4) << info.out.toStdString();

    const QString file = image("PROG.MOT", 1000);
    const std::vector<uint8_t> expected = RampImageBytes(1000, 3);
    for (const char* page : {"3", "thru"}) {
        const Ran ran = run(unitOptions() + QStringList{"write", file, "--port", server->Url(), "--page", page,
                                                        "--speed", "38400", "--json"});
        EXPECT_EQ(ran.status, 0) << page << ran.err.toStdString();
        // The unit answers at the new speed only once its line runs at it: the server set it.
        EXPECT_EQ(ran.json().value("speed").toInt(), 38400) << page << ran.out.toStdString();
        const std::vector<uint8_t> got = QByteArray(page) == "thru" ? unit->ThruImage() : unit->PageData(2);
        ASSERT_GE(got.size(), expected.size()) << page;
        EXPECT_TRUE(std::equal(expected.begin(), expected.end(), got.begin())) << page;
        EXPECT_EQ(unit->UnitBaud(), 9600) << page;
    }
}

INSTANTIATE_TEST_SUITE_P(Servers, RemoteServerKind, ::testing::Values(ServerKind::Ser2Net, ServerKind::Sredird),
                         [](const auto& info) { return info.param == ServerKind::Sredird ? "sredird" : "ser2net"; });

class TlsRemoteCommand : public RemoteCommand {
protected:
    ~TlsRemoteCommand() override { TestCertificates::RemoveFromConfigFolder(); }
    Ser2NetTls serverTls(const char* certificate) const
    {
        const QString base = certificates_.Path(certificate);
        return {base + ".pem", base + ".key", certificates_.AuthDir(), true};
    }
    TestCertificates certificates_;
};

// The files named on the command line; the refusals below take the configuration folder's.
TEST_F(TlsRemoteCommand, WritesThroughTlsWithTheFilesTheCommandLineNames)
{
    ASSERT_TRUE(certificates_.made());
    SimulatedUnit unit(1);
    Ser2Net server(hostPath(unit), serverTls("server"));
    ASSERT_TRUE(server.started());
    ASSERT_TRUE(server.Url().startsWith("rfc2217+tls://"));
    const QString file = image("PROG.MOT", 1000);
    const Ran ran = run(unitOptions() + QStringList{"write", file, "--port", server.Url(), "--page", "thru",
                                                    "--speed", "38400", "--json", "--tls-ca",
                                                    certificates_.Path("ca.pem"), "--tls-cert",
                                                    certificates_.Path("client.pem"), "--tls-key",
                                                    certificates_.Path("client.key")});
    EXPECT_EQ(ran.status, 0) << ran.err.toStdString();
    const std::vector<uint8_t> expected = RampImageBytes(1000, 3), got = unit->ThruImage();
    ASSERT_GE(got.size(), expected.size());
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), got.begin()));
}

struct RefusedHandshake {
    const char* serverCertificate;
    bool stationHasCertificate;
    const char* reason;
};

class TlsRefusal : public TlsRemoteCommand, public ::testing::WithParamInterface<RefusedHandshake> {};

TEST_P(TlsRefusal, IsAnOpenErrorNamingTheCheckThatFailed)
{
    ASSERT_TRUE(certificates_.made() && certificates_.InstallInConfigFolder(GetParam().stationHasCertificate));
    SimulatedUnit unit(1);
    Ser2Net server(hostPath(unit), serverTls(GetParam().serverCertificate));
    ASSERT_TRUE(server.started());
    const Ran ran = run({"info", "--port", server.Url()});
    EXPECT_EQ(ran.status, 3) << ran.err.toStdString();
    EXPECT_TRUE(ran.err.contains("OPEN ERROR")) << ran.err.toStdString();
    EXPECT_TRUE(ran.err.contains(GetParam().reason)) << ran.err.toStdString();
    EXPECT_TRUE(unit->CommandLines().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Handshakes, TlsRefusal,
    ::testing::Values(RefusedHandshake{"otherca-server", true, "(unknown CA: issued by Other CA)"},
                      RefusedHandshake{"server", false, "(client refused: it asks for a client certificate and none "
                                                        "was presented"}));

TEST_F(RemoteCommand, InterruptDuringTheBlocksSendsTheWholeAbortBlockAndLeavesTheUnitAt9600)
{
    unitsim::Options options;
    options.faults.replyDelayMs = 5; // keeps the blocks going while the signal comes
    SimulatedUnit unit(1, options);
    Ser2Net server(hostPath(unit));
    ASSERT_TRUE(server.started());
    QProcess* process = start(unitOptions() + QStringList{"write", image("LONG.MOT", 64 * 1024), "--port",
                                                          server.Url(), "--speed", "38400", "--json"});
    ASSERT_TRUE(unit->WaitUntil([&] { return unit->BlocksReceived() >= 4; }, 30000));
    ::kill(static_cast<pid_t>(process->processId()), SIGINT);
    const Ran ran = finish(process);
    EXPECT_EQ(ran.status, 10) << ran.err.toStdString();
    EXPECT_EQ(unit->LastTransfer().ending, unitsim::Transfer::Ending::Aborted);
    EXPECT_TRUE(unit->WaitUntil([&] { return unit->Idle(); }, 10000));
    EXPECT_EQ(unit->UnitBaud(), 9600);
}

TEST_F(RemoteCommand, AServerThatEndsDuringTheBlocksIsADeviceGoneAway)
{
    unitsim::Options options;
    options.faults.replyDelayMs = 5;
    SimulatedUnit unit(1, options);
    Ser2Net server(hostPath(unit));
    ASSERT_TRUE(server.started());
    QProcess* process = start(unitOptions() + QStringList{"write", image("LONG.MOT", 64 * 1024), "--port",
                                                          server.Url(), "--speed", "38400", "--json"});
    ASSERT_TRUE(unit->WaitUntil([&] { return unit->BlocksReceived() >= 4; }, 30000));
    server.Terminate();
    const Ran ran = finish(process);
    // The block's reply wait ends on the lost connection as its receive error, not at its time-out.
    EXPECT_EQ(ran.status, 8) << ran.err.toStdString();
    EXPECT_EQ(ran.json().value("code").toString(), "ERR 031") << ran.out.toStdString();
    EXPECT_TRUE(ran.err.contains("the connection to the server was lost")) << ran.err.toStdString();
}

TEST_F(RemoteCommand, NothingListeningOrAnotherClientHoldingThePortIsAnOpenError)
{
    const QString nowhere = QStringLiteral("rfc2217://127.0.0.1:%1").arg(Ser2Net::FreePort());
    const Ran refused = run({"info", "--port", nowhere});
    EXPECT_EQ(refused.status, 3) << refused.err.toStdString();
    EXPECT_TRUE(refused.err.contains("OPEN ERROR")) << refused.err.toStdString();
    EXPECT_TRUE(refused.err.contains((nowhere + ": Connection refused").toUtf8())) << refused.err.toStdString();

    SimulatedUnit unit(1);
    Ser2Net server(hostPath(unit));
    ASSERT_TRUE(server.started());
    Rfc2217MSComm holder;
    holder.SetDevice(server.Url());
    QString error;
    ASSERT_TRUE(holder.Open(&error)) << error.toStdString();
    const Ran busy = run({"info", "--port", server.Url()});
    EXPECT_EQ(busy.status, 3) << busy.err.toStdString();
    EXPECT_TRUE(busy.err.contains("Port already in use")) << busy.err.toStdString();
}

TEST_F(RemoteCommand, AGangOfTwoRemoteUnitsAndOneLocal)
{
    SimulatedUnit a(1), b(2), local(3);
    Ser2Net serverA(hostPath(a)), serverB(hostPath(b));
    ASSERT_TRUE(serverA.started() && serverB.started());
    const Ran ran = run(unitOptions() + QStringList{"write", image("GANG.MOT", 2048), "--port", serverA.Url(),
                                                    "--port", serverB.Url(), "--port", "3", "--page", "1",
                                                    "--json"});
    EXPECT_EQ(ran.status, 0) << ran.err.toStdString();
    EXPECT_EQ(ran.json().value("units").toArray().size(), 3) << ran.out.toStdString();
    for (SimulatedUnit* unit : {&a, &b, &local})
        EXPECT_EQ(unit->sim().Page(0).size, 2048u);
}

} // namespace
