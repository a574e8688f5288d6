// The data phase of a complete transfer run (the transfer window on the real port layer) against
// the simulated unit, side by side with a bare blocking write/read loop on the same line; with
// --paced, a paced unit at 38400 bit/s against the wire time. Prints "name: value" lines.
#include "FakeMemoryView.h"
#include "SRecordImage.h"
#include "shared/MessageBox.h"
#include "shared/Module1.h"
#include "shared/Settings.h"
#include "transfer/frmTx.h"
#include "support/BareLine.h"
#include "unitsim/UnitSimulator.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProgressBar>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Rounds alternate between the run and the bare loop, so that load from elsewhere on the
// machine hits both alike; each figure is its median round, with the lowest and highest.
constexpr int kRounds = 5;
constexpr uint32_t kFullImage = 0x80000;
constexpr uint32_t kPacedImage = 0x10000;
// One block of 34 bytes on the wire (33 out, 1 back) at 10 bits a byte and 38400 bit/s.
constexpr double kWireUsPerBlock = 34 * 10 * 1e6 / 38400;
// Page 1, CPU 5, 20 MHz, "BENCHMOT   ", with its checksum.
const char* kHeaderLine = "C012000501312D0042454E43484D4F54202020D9\r\n";

[[noreturn]] void fail(const char* what)
{
    std::fprintf(stderr, "bench_transfer: %s\n", what);
    std::exit(1);
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void printFigure(const char* name, const std::vector<double>& rounds, const char* format)
{
    const auto [low, high] = std::minmax_element(rounds.begin(), rounds.end());
    const std::string line = std::string("%s: ") + format + "\n%s_min: " + format + "\n%s_max: " + format + "\n";
    std::printf(line.c_str(), name, median(rounds), name, *low, name, *high);
}

// Each round's first figure over its second: both were taken under the same load.
std::vector<double> roundRatios(const std::vector<double>& over, const std::vector<double>& under)
{
    std::vector<double> ratios;
    for (size_t n = 0; n < over.size(); ++n)
        ratios.push_back(over[n] / under[n]);
    return ratios;
}

std::vector<double> scaled(std::vector<double> values, double by)
{
    for (double& value : values)
        value *= by;
    return values;
}

// One whole run through the transfer window; the time per block between the first and the
// last accepted block, as the progress bar reports them.
double runMicrosPerBlock(const FakeMemoryView& view, uint32_t imageBytes)
{
    Module1.TxFailed = 0;
    frmTx window(view);
    QElapsedTimer clock;
    clock.start();
    qint64 firstNs = -1;
    qint64 lastNs = -1;
    int accepted = 0;
    QObject::connect(window.ProgressBar1(), &QProgressBar::valueChanged, [&](int value) {
        if (value == 0)
            return;
        lastNs = clock.nsecsElapsed();
        if (firstNs < 0)
            firstNs = lastNs;
        ++accepted;
    });
    window.exec();
    const int blocks = static_cast<int>(imageBytes / 32);
    if (Module1.TxFailed != 0 || accepted != blocks)
        fail("the run did not send every block");
    return (lastNs - firstNs) / 1e3 / (blocks - 1);
}

// The same blocks with nothing between them but a blocking write and a blocking read; at
// 38400 bit/s after the speed exchange when `highSpeed`.
double bareMicrosPerBlock(const std::string& device, const std::vector<uint8_t>& image, bool highSpeed)
{
    BareLine line(device);
    if (!line.IsOpen())
        fail("cannot open the unit's line");
    if (highSpeed) {
        if (!line.WriteAll("CC02807D\r\n", 10) || !line.ReadLine())
            fail("no answer to the speed command on the bare line");
        line.SetSpeed(B38400);
        if (!line.ReadLine())
            fail("no GO on the bare line");
    }
    if (!line.WriteAll(kHeaderLine, std::strlen(kHeaderLine)) || !line.ReadLine())
        fail("no header reply on the bare line");
    const int blocks = static_cast<int>(image.size() / 32);
    char block[33];
    const auto start = std::chrono::steady_clock::now();
    for (int n = 0; n < blocks; ++n) {
        uint8_t sum = 0;
        for (int k = 0; k < 32; ++k) {
            block[k] = static_cast<char>(image[static_cast<size_t>(n) * 32 + static_cast<size_t>(k)]);
            sum = static_cast<uint8_t>(sum + static_cast<uint8_t>(block[k]));
        }
        block[32] = static_cast<char>(sum ^ 0xFF);
        char ack = 0;
        if (!line.WriteAll(block, sizeof block) || !line.ReadByte(&ack) || ack != 'O')
            fail("a block was not acknowledged on the bare line");
    }
    const auto elapsed = std::chrono::steady_clock::now() - start;
    std::memset(block, 0, sizeof block);
    char ack = 0;
    line.WriteAll(block, sizeof block);
    line.ReadByte(&ack);
    // Back to 9600 bit/s, where the next round's run expects the unit.
    if (highSpeed) {
        if (!line.WriteAll("CC0200FD\r\n", 10) || !line.ReadLine())
            fail("no answer to the speed command on the bare line");
        line.SetSpeed(B9600);
        if (!line.ReadLine())
            fail("no GO on the bare line");
    }
    return std::chrono::duration<double, std::micro>(elapsed).count() / blocks;
}

unitsim::Options unitOptions(bool paced)
{
    unitsim::Options options;
    options.linkPath = QFile::encodeName(AppConfigFolder() + QStringLiteral("/ports/COM1")).toStdString();
    options.pace = paced;
    return options;
}

void prepareRun(const QString& file, uint32_t imageBytes, int16_t speedIndex, std::vector<uint8_t>* image)
{
    const std::vector<ImageChunk> chunks{PatternChunk(0, imageBytes)};
    if (!WriteSRecordFile(file, chunks))
        fail("cannot write the image file");
    *image = ImageOf(chunks);
    image->resize(imageBytes);
    ResetModule1();
    Module1.PortNo = 1;
    Module1.CpuIndex = 5;
    Module1.ClockMHz = 20;
    Module1.PageNo = 0;
    Module1.SpeedIndex = speedIndex;
    Module1.FilePath = file;
    Module1.FileTitle = QStringLiteral("BENCH.MOT");
}

} // namespace

int main(int argc, char** argv)
{
    const bool paced = argc > 1 && std::strcmp(argv[1], "--paced") == 0;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());
    QApplication app(argc, argv);
    SetMessagePresenter([](const QString& text, const QString& title, MsgButtons, MsgIcon) -> MsgResult {
        std::fprintf(stderr, "bench_transfer: unexpected message %s: %s\n", qPrintable(title), qPrintable(text));
        std::exit(1);
    });

    unitsim::UnitSimulator unit(unitOptions(paced));
    std::string error;
    if (!unit.Start(&error))
        fail(error.c_str());
    const FakeMemoryView emptyUnit;
    const QString file = home.path() + QStringLiteral("/BENCH.MOT");
    std::vector<uint8_t> image;

    const uint32_t imageBytes = paced ? kPacedImage : kFullImage;
    std::vector<double> runRounds;
    std::vector<double> bareRounds;
    for (int round = 0; round < kRounds; ++round) {
        prepareRun(file, imageBytes, paced ? 1 : 0, &image);
        runRounds.push_back(runMicrosPerBlock(emptyUnit, imageBytes));
        bareRounds.push_back(bareMicrosPerBlock(unit.HostPath(), image, paced));
    }
    if (paced) {
        printFigure("paced_us_per_block", runRounds, "%.1f");
        std::printf("wire_us_per_block: %.1f\n", kWireUsPerBlock);
        printFigure("paced_ratio", scaled(runRounds, 1 / kWireUsPerBlock), "%.4f");
        // The floor this machine sets: the bare loop against the same paced unit.
        printFigure("paced_bare_us_per_block", bareRounds, "%.1f");
        printFigure("paced_bare_ratio", scaled(bareRounds, 1 / kWireUsPerBlock), "%.4f");
        // What the host adds on a paced line: the run over the bare loop of the same round.
        printFigure("paced_host_ratio", roundRatios(runRounds, bareRounds), "%.4f");
    } else {
        printFigure("run_us_per_block", runRounds, "%.1f");
        printFigure("bare_us_per_block", bareRounds, "%.1f");
        printFigure("ratio", roundRatios(runRounds, bareRounds), "%.3f");
    }
    unit.Stop();
    return 0;
}
