// What a serial device server on loopback adds to the block phase: corvane-flash writing 64 KB
// at 38400 bit/s to a paced simulated unit through ser2net, plain and inside TLS with client
// certificates, over the same write straight on the unit's pseudo-terminal, rounds alternating.
// All are timed by the unit from its first data block to its last, so that starting the
// process, the TLS handshake, the memory check and the speed exchange do not count. Prints
// "name: value" lines.
#include "support/BenchFigures.h"
#include "support/RampImage.h"
#include "support/Ser2Net.h"
#include "support/TestCertificates.h"
#include "unitsim/UnitSimulator.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr int kRounds = 5;
constexpr int kImage = 0x10000;

[[noreturn]] void fail(const QString& what)
{
    std::fprintf(stderr, "bench_remote: %s\n", qPrintable(what));
    std::exit(1);
}

void flash(const QString& file, const QString& port)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(QStringLiteral(CORVANE_FLASH),
                  {"write", file, "--port", port, "--cpu", "3048F", "--clock", "20", "--page", "1", "--speed",
                   "38400", "--yes", "--quiet"});
    if (!process.waitForFinished(600000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        fail(QStringLiteral("corvane-flash write on %1 did not end done").arg(port));
}

double unitMicrosPerBlock(const unitsim::UnitSimulator& unit)
{
    const unitsim::Transfer transfer = unit.LastTransfer();
    const int blocks = kImage / 32;
    if (transfer.dataBlocks != blocks || transfer.ending != unitsim::Transfer::Ending::EndOfData)
        fail(QStringLiteral("the unit did not take every block once"));
    return std::chrono::duration<double, std::micro>(transfer.lastBlockAt - transfer.firstBlockAt).count() /
           (blocks - 1);
}

} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());
    QCoreApplication app(argc, argv);

    unitsim::Options options;
    options.pace = true;
    unitsim::UnitSimulator unit(options);
    std::string error;
    if (!unit.Start(&error))
        fail(QString::fromStdString(error));
    const QString device = QString::fromStdString(unit.HostPath());
    Ser2Net server(device);
    TestCertificates certificates;
    if (!certificates.made() || !certificates.InstallInConfigFolder(true))
        fail(QStringLiteral("openssl could not make the certificates"));
    Ser2Net tlsServer(device, Ser2NetTls{certificates.Path("server.pem"), certificates.Path("server.key"),
                                         certificates.AuthDir(), true});
    if (!server.started() || !tlsServer.started())
        fail(QStringLiteral("ser2net did not start"));
    const QString file = QDir(home.path()).filePath(QStringLiteral("BLOCKS.MOT"));
    if (!SaveRampImageFile(file, kImage, 3))
        fail(QStringLiteral("cannot write the image file"));

    // Each round writes straight on the terminal between the two remote writes: every remote
    // write has a local one next to it, under the same load.
    std::vector<double> remoteRounds, localRounds, tlsRounds;
    for (int round = 0; round < kRounds; ++round) {
        flash(file, server.Url());
        remoteRounds.push_back(unitMicrosPerBlock(unit));
        flash(file, device);
        localRounds.push_back(unitMicrosPerBlock(unit));
        flash(file, tlsServer.Url());
        tlsRounds.push_back(unitMicrosPerBlock(unit));
    }
    PrintFigure("remote_us_per_block", remoteRounds, "%.1f");
    PrintFigure("remote_tls_us_per_block", tlsRounds, "%.1f");
    PrintFigure("local_us_per_block", localRounds, "%.1f");
    PrintFigure("remote_ratio", RoundRatios(remoteRounds, localRounds), "%.4f");
    PrintFigure("remote_tls_ratio", RoundRatios(tlsRounds, localRounds), "%.4f");
    unit.Stop();
    return 0;
}
