// The data phase of a complete transfer run (the transfer window on the real port layer) against
// the simulated unit, side by side with a bare blocking write/read loop on the same line; with
// --paced, a paced unit at 38400 bit/s against the wire time. Prints "name: value" lines.
#include "FakeMemoryView.h"
#include "SRecordImage.h"
#include "shared/MessageBox.h"
#include "shared/Module1.h"
#include "shared/Settings.h"
#include "transfer/frmTx.h"
#include "support/BareBlockLoop.h"
#include "support/BenchFigures.h"
#include "unitsim/UnitSimulator.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProgressBar>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <vector>

namespace {

// Rounds alternate between the run and the bare loop.
constexpr int kRounds = 5;
constexpr uint32_t kFullImage = 0x80000;
constexpr uint32_t kPacedImage = 0x10000;
// One block of 34 bytes on the wire (33 out, 1 back) at 10 bits a byte and 38400 bit/s.
constexpr double kWireUsPerBlock = 34 * 10 * 1e6 / 38400;

[[noreturn]] void fail(const char* what)
{
    std::fprintf(stderr, "bench_transfer: %s\n", what);
    std::exit(1);
}

struct PerBlock {
    double us = 0;
    double cpuUs = 0;
};

// One whole run through the transfer window; the time and the processor time per block between
// the first and the last accepted block, as the progress bar reports them. The run's opening and
// ending (the speed exchanges, the end block, the window's closing) are no block's work.
PerBlock runPerBlock(const FakeMemoryView& view, uint32_t imageBytes)
{
    Module1.TxFailed = 0;
    frmTx window(view);
    const int blocks = static_cast<int>(imageBytes / 32);
    QElapsedTimer clock;
    clock.start();
    qint64 firstNs = -1;
    qint64 lastNs = -1;
    double firstCpuUs = 0;
    double lastCpuUs = 0;
    int accepted = 0;
    // The clocks are read at the two ends only: a reading on every block would be the bench's
    // own work between a verdict and the next block, which the bare loop does not carry.
    QObject::connect(window.ProgressBar1(), &QProgressBar::valueChanged, [&](int value) {
        if (value == 0)
            return;
        ++accepted;
        if (accepted == 1) {
            firstNs = clock.nsecsElapsed();
            firstCpuUs = ThreadCpuMicros();
        } else if (accepted == blocks) {
            lastNs = clock.nsecsElapsed();
            lastCpuUs = ThreadCpuMicros();
        }
    });
    window.exec();
    if (Module1.TxFailed != 0 || accepted != blocks)
        fail("the run did not send every block");
    return {(lastNs - firstNs) / 1e3 / (blocks - 1), (lastCpuUs - firstCpuUs) / (blocks - 1)};
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
    SetMessagePresenter([](const QString& text, const QString& title, MsgButtons, MsgIcon, const MessageRow*) -> MsgResult {
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
    std::vector<double> runCpuRounds;
    std::vector<double> bareCpuRounds;
    for (int round = 0; round < kRounds; ++round) {
        prepareRun(file, imageBytes, paced ? 1 : 0, &image);
        const PerBlock run = runPerBlock(emptyUnit, imageBytes);
        runRounds.push_back(run.us);
        runCpuRounds.push_back(run.cpuUs);
        const double bareCpuStart = ThreadCpuMicros();
        const std::optional<double> bare = BareBlockLoop(unit.HostPath(), image, paced);
        if (!bare)
            fail("the unit did not answer the bare loop as it should");
        bareRounds.push_back(*bare);
        bareCpuRounds.push_back((ThreadCpuMicros() - bareCpuStart) / (imageBytes / 32));
    }
    if (paced) {
        PrintFigure("paced_us_per_block", runRounds, "%.1f");
        std::printf("wire_us_per_block: %.1f\n", kWireUsPerBlock);
        PrintFigure("paced_ratio", Scaled(runRounds, 1 / kWireUsPerBlock), "%.4f");
        // The floor this machine sets: the bare loop against the same paced unit.
        PrintFigure("paced_bare_us_per_block", bareRounds, "%.1f");
        PrintFigure("paced_bare_ratio", Scaled(bareRounds, 1 / kWireUsPerBlock), "%.4f");
        // What the host adds on a paced line: the run over the bare loop of the same round.
        PrintFigure("paced_host_ratio", RoundRatios(runRounds, bareRounds), "%.4f");
    } else {
        PrintFigure("run_us_per_block", runRounds, "%.1f");
        PrintFigure("bare_us_per_block", bareRounds, "%.1f");
        PrintFigure("ratio", RoundRatios(runRounds, bareRounds), "%.3f");
    }
    // The host's own work per block, which a paced line hides in its waits and a fast one does not.
    PrintFigure("host_cpu_us_per_block", runCpuRounds, "%.1f");
    PrintFigure("bare_cpu_us_per_block", bareCpuRounds, "%.1f");
    unit.Stop();
    return 0;
}
