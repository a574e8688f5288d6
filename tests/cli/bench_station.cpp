// A production line's pace: what one `corvane-flash write` spends outside its blocks, for the
// target after target a station writes. corvane-flash runs as a process against a simulated
// unit pacing its line; the unit times its own block phase, first data block to last, and the
// rest of the command's wall time is the overhead: starting the process, the checks around the
// run, the speed exchanges, the header, the end block.
// Rounds alternate between a THRU write, the same THRU image as a product that numbers its
// targets from an SQLite record, and the image into page 1. Prints "name: value" lines.
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

// corvane-flash with `arguments`, which must end done; its wall time in seconds.
double commandSeconds(const QStringList& arguments, const char* what)
{
    QProcess flash;
    flash.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer wall;
    wall.start();
    flash.start(QStringLiteral(CORVANE_FLASH), arguments);
    if (!flash.waitForFinished(120000) || flash.exitStatus() != QProcess::NormalExit || flash.exitCode() != 0)
        fail(QStringLiteral("corvane-flash write (%1) did not end done").arg(QLatin1String(what)));
    return wall.nsecsElapsed() / 1e9;
}

// One write of `file` to `page` at 38400 bit/s; its wall time in seconds.
double writeSeconds(const QString& file, const char* page)
{
    const QStringList arguments{"write", file, "--port", "1", "--cpu", "3048F", "--clock", "20",
                                "--page", page, "--speed", "38400", "--yes", "--quiet"};
    return commandSeconds(arguments, page);
}

// A THRU product whose number goes into the image's last four bytes, so that its run sends the
// same blocks as the plain THRU write.
QString numberedProduct(const QString& folder, const QString& image)
{
    const QString path = QDir(folder).filePath(QStringLiteral("board.toml"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        fail(QStringLiteral("cannot write the product file"));
    file.write(QStringLiteral("name = \"Bench\"\nspeed = 38400\n[thru]\nfile = \"%1\"\ncpu = \"3048F\"\nclock = 20\n"
                              "[thru.serial]\naddress = %2\nformat = \"be\"\nbytes = 4\nfirst = 1\noverwrite = true\n")
                   .arg(image)
                   .arg(kImageBytes - 4)
                   .toUtf8());
    return path;
}

// The unit's own time for its latest block phase, in seconds.
double blockPhaseSeconds(const unitsim::UnitSimulator& unit)
{
    const unitsim::Transfer transfer = unit.LastTransfer();
    if (transfer.dataBlocks != kBlocks || transfer.ending != unitsim::Transfer::Ending::EndOfData)
        fail(QStringLiteral("the unit did not take every block once"));
    return std::chrono::duration<double>(transfer.lastBlockAt - transfer.firstBlockAt).count();
}

double overheadSeconds(double wall, const unitsim::UnitSimulator& unit)
{
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

    const QStringList numbered{"write", "--product", numberedProduct(home.path(), file), "--record",
                               QDir(home.path()).filePath(QStringLiteral("record.sqlite")), "--port", "1", "--yes",
                               "--quiet"};
    std::vector<double> thruRounds, numberedRounds, pageRounds;
    for (int round = 0; round < kRounds; ++round) {
        thruRounds.push_back(overheadSeconds(writeSeconds(file, "THRU"), unit));
        numberedRounds.push_back(overheadSeconds(commandSeconds(numbered, "numbered THRU"), unit));
        pageRounds.push_back(overheadSeconds(writeSeconds(file, "1"), unit));
    }

    PrintFigure("thru_overhead_s", thruRounds, "%.3f");
    PrintFigure("thru_numbered_overhead_s", numberedRounds, "%.3f");
    PrintFigure("page_overhead_s", pageRounds, "%.3f");
    unit.Stop();
    return 0;
}
