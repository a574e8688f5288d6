// A production line's pace: what one `corvane-flash write` spends outside its blocks, for the
// target after target a station writes. corvane-flash runs as a process against a simulated
// unit pacing its line; the unit times its own block phase, first data block to last, and the
// rest of the command's wall time is the overhead: starting the process, the checks around the
// run, the speed exchanges, the header, the end block.
// Rounds alternate between a THRU write and the same image into page 1. Prints "name: value" lines.
#include "support/BenchFigures.h"
#include "support/RampImage.h"
#include "unitsim/UnitSimulator.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr int kRounds = 5;
constexpr int kBlocks = 64;
constexpr int kImageBytes = kBlocks * 32;

[[noreturn]] void fail(const QString& what)
{
    std::fprintf(stderr, "bench_station: %s\n", qPrintable(what));
    std::exit(1);
}

// One write of `file` to `page` at 38400 bit/s; its wall time in seconds.
double writeSeconds(const QString& file, const char* page)
{
    const QStringList arguments{"write", file, "--port", "1", "--cpu", "3048F", "--clock", "20",
                                "--page", page, "--speed", "38400", "--yes", "--quiet"};
    QProcess flash;
    flash.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer wall;
    wall.start();
    flash.start(QStringLiteral(CORVANE_FLASH), arguments);
    if (!flash.waitForFinished(120000) || flash.exitStatus() != QProcess::NormalExit || flash.exitCode() != 0)
        fail(QStringLiteral("corvane-flash write --page %1 did not end done").arg(QLatin1String(page)));
    return wall.nsecsElapsed() / 1e9;
}

// The unit's own time for its latest block phase, in seconds.
double blockPhaseSeconds(const unitsim::UnitSimulator& unit)
{
    const unitsim::Transfer transfer = unit.LastTransfer();
    if (transfer.dataBlocks != kBlocks || transfer.ending != unitsim::Transfer::Ending::EndOfData)
        fail(QStringLiteral("the unit did not take every block once"));
    return std::chrono::duration<double>(transfer.lastBlockAt - transfer.firstBlockAt).count();
}

double overheadSeconds(const QString& file, const char* page, const unitsim::UnitSimulator& unit)
{
    const double wall = writeSeconds(file, page);
    return wall - blockPhaseSeconds(unit);
}

} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());
    qputenv("XDG_DATA_HOME", home.path().toLocal8Bit());
    QCoreApplication app(argc, argv);

    unitsim::Options options;
    options.linkPath = QFile::encodeName(home.path() + QStringLiteral("/Corvane-Host/ports/COM1")).toStdString();
    options.pace = true;
    unitsim::UnitSimulator unit(options);
    std::string error;
    if (!unit.Start(&error))
        fail(QString::fromStdString(error));

    const QString file = QDir(home.path()).filePath(QStringLiteral("TARGET.MOT"));
    if (!SaveRampImageFile(file, kImageBytes, 3))
        fail(QStringLiteral("cannot write the image file"));

    std::vector<double> thruRounds, pageRounds;
    for (int round = 0; round < kRounds; ++round) {
        thruRounds.push_back(overheadSeconds(file, "THRU", unit));
        pageRounds.push_back(overheadSeconds(file, "1", unit));
    }

    PrintFigure("thru_overhead_s", thruRounds, "%.3f");
    PrintFigure("page_overhead_s", pageRounds, "%.3f");
    unit.Stop();
    return 0;
}
