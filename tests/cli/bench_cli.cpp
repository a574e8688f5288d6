// corvane-flash as a process against simulated units pacing 38400 bit/s, in one run:
//  - the block phase of `write` over the bare write/read loop against the same unit, both timed
//    by the unit from its first data block to its last, so that starting a process, the memory
//    checks and the speed exchange do not count;
//  - the wall time of four units programmed at once over one alone.
// Prints "name: value" lines.
#include "support/BareBlockLoop.h"
#include "support/BenchFigures.h"
#include "support/RampImage.h"
#include "unitsim/UnitSimulator.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <vector>

namespace {

// Rounds alternate between what is measured and what it is judged against.
constexpr int kRounds = 5;
constexpr int kUnits = 4;
constexpr int kBlockPhaseImage = 0x10000;
constexpr int kGangImage = 0x8000;
// One block of 34 bytes on the wire (33 out, 1 back) at 10 bits a byte and 38400 bit/s.
constexpr double kWireUsPerBlock = 34 * 10 * 1e6 / 38400;

[[noreturn]] void fail(const QString& what)
{
    std::fprintf(stderr, "bench_cli: %s\n", qPrintable(what));
    std::exit(1);
}

// One `corvane-flash write` to page 1 of the units on `ports` at 38400 bit/s; its wall time in
// seconds.
double flashSeconds(const QString& file, int ports)
{
    QStringList arguments{QStringLiteral("write"), file};
    for (int port = 1; port <= ports; ++port)
        arguments << QStringLiteral("--port") << QString::number(port);
    arguments << QStringList{"--cpu", "3048F", "--clock", "20", "--page", "1", "--speed", "38400", "--yes", "--quiet"};
    QProcess flash;
    flash.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer wall;
    wall.start();
    flash.start(QStringLiteral(CORVANE_FLASH), arguments);
    if (!flash.waitForFinished(600000) || flash.exitStatus() != QProcess::NormalExit || flash.exitCode() != 0)
        fail(QStringLiteral("corvane-flash write did not end done: ") + QString::fromLocal8Bit(flash.readAllStandardOutput()));
    return wall.nsecsElapsed() / 1e9;
}

// The unit's own time per block over its latest data phase, first block to last.
double unitMicrosPerBlock(const unitsim::UnitSimulator& unit, int imageSize)
{
    const unitsim::Transfer transfer = unit.LastTransfer();
    const int blocks = imageSize / 32;
    if (transfer.dataBlocks != blocks || transfer.ending != unitsim::Transfer::Ending::EndOfData)
        fail(QStringLiteral("the unit did not take every block once"));
    return std::chrono::duration<double, std::micro>(transfer.lastBlockAt - transfer.firstBlockAt).count()
           / (blocks - 1);
}

} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());
    QCoreApplication app(argc, argv);

    std::vector<std::unique_ptr<unitsim::UnitSimulator>> units;
    for (int port = 1; port <= kUnits; ++port) {
        unitsim::Options options;
        options.linkPath = QFile::encodeName(home.path() + QStringLiteral("/Corvane-Host/ports/COM%1").arg(port)).toStdString();
        options.pace = true;
        units.push_back(std::make_unique<unitsim::UnitSimulator>(options));
        std::string error;
        if (!units.back()->Start(&error))
            fail(QString::fromStdString(error));
    }
    unitsim::UnitSimulator& first = *units.front();

    const QString blockPhaseFile = QDir(home.path()).filePath(QStringLiteral("BLOCKS.MOT"));
    const QString gangFile = QDir(home.path()).filePath(QStringLiteral("GANG.MOT"));
    if (!SaveRampImageFile(blockPhaseFile, kBlockPhaseImage, 3) || !SaveRampImageFile(gangFile, kGangImage, 3))
        fail(QStringLiteral("cannot write the image files"));
    const std::vector<uint8_t> blockPhaseImage = RampImageBytes(kBlockPhaseImage, 3);

    std::vector<double> cliRounds, bareRounds;
    for (int round = 0; round < kRounds; ++round) {
        flashSeconds(blockPhaseFile, 1);
        cliRounds.push_back(unitMicrosPerBlock(first, kBlockPhaseImage));
        if (!BareBlockLoop(first.HostPath(), blockPhaseImage, true))
            fail(QStringLiteral("the unit did not answer the bare loop as it should"));
        bareRounds.push_back(unitMicrosPerBlock(first, kBlockPhaseImage));
    }
    std::vector<double> aloneRounds, gangRounds;
    for (int round = 0; round < kRounds; ++round) {
        aloneRounds.push_back(flashSeconds(gangFile, 1));
        gangRounds.push_back(flashSeconds(gangFile, kUnits));
    }

    std::printf("wire_us_per_block: %.1f\n", kWireUsPerBlock);
    PrintFigure("cli_us_per_block", cliRounds, "%.1f");
    PrintFigure("bare_us_per_block", bareRounds, "%.1f");
    // What the command adds to the block phase on a paced line.
    PrintFigure("cli_paced_ratio", RoundRatios(cliRounds, bareRounds), "%.4f");
    PrintFigure("alone_seconds", aloneRounds, "%.2f");
    PrintFigure("gang_seconds", gangRounds, "%.2f");
    PrintFigure("gang_ratio", RoundRatios(gangRounds, aloneRounds), "%.3f");
    for (auto& unit : units)
        unit->Stop();
    return 0;
}
