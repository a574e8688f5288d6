// Round trip of one 33-byte block and its one-byte answer through the real port layer and the
// link's waits, against a bare blocking write/read loop to the same simulated unit, in one run.
// Also the CPU share a 3-second receive time-out uses. Prints "name: value" lines.
#include "link/Link.h"
#include "link/Protocol.h"
#include "link/SerialMSComm.h"
#include "shared/MessageBox.h"
#include "shared/Module1.h"
#include "shared/Settings.h"
#include "support/BareLine.h"
#include "support/BenchFigures.h"
#include "unitsim/UnitSimulator.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <string>
#include <vector>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>
#include <unistd.h>

namespace {

// Rounds alternate between the two loops so that load from elsewhere on the machine hits both
// alike; each loop's figure is its median round.
constexpr int kRounds = 7;
constexpr int kBlocks = 1000;
constexpr int kWarmUp = 50;
// Page 1, CPU 0, 16 MHz, the name "BENCH" blank-padded to 11 bytes.
const char* kHeader = "C012" "00" "00" "00F42400" "42454E4348202020202020";

[[noreturn]] void fail(const char* what)
{
    std::fprintf(stderr, "bench_link: %s\n", what);
    std::exit(1);
}

QString pageStoreHeader()
{
    QString header = QString::fromLatin1(kHeader);
    setsum(header, Proto::kPageStoreHeaderCount);
    return header;
}

QByteArray dataBlock(int n)
{
    QByteArray block(33, '\0');
    uint8_t sum = 0;
    for (int k = 0; k < 32; ++k) {
        block[k] = static_cast<char>(n + k);
        sum = static_cast<uint8_t>(sum + static_cast<uint8_t>(block[k]));
    }
    block[32] = static_cast<char>(sum ^ 0xFF);
    return block;
}

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double linkMicrosPerBlock(Link& link)
{
    Module1.RxCount = 0;
    QString header = pageStoreHeader();
    if (link.SendCommand(header) != 0 || link.WaitReplyLong() != 0 || !ReplyContains(Module1.RxBytes, Proto::kTokenOK))
        fail("the unit did not take the header");
    Module1.BinaryRx = 1;
    QElapsedTimer timer;
    for (int n = 0; n < kWarmUp + kBlocks; ++n) {
        if (n == kWarmUp)
            timer.start();
        Module1.RxCount = 0;
        if (link.SendData(dataBlock(n)) != 0 || link.WaitReply() != 0 || Module1.RxBytes[0] != Proto::kAckWritten)
            fail("a block was not acknowledged");
    }
    const double micros = timer.nsecsElapsed() / 1e3 / kBlocks;
    Module1.RxCount = 0;
    if (link.SendData(QByteArray(33, '\0')) == 0)
        link.WaitReply();
    Module1.BinaryRx = 0;
    return micros;
}

double bareMicrosPerBlock(const std::string& device)
{
    BareLine line(device);
    if (!line.IsOpen())
        fail("cannot open the unit's line");
    const QByteArray header = pageStoreHeader().toLatin1() + "\r\n";
    if (!line.WriteAll(header.constData(), static_cast<size_t>(header.size())) || !line.ReadLine())
        fail("no header reply on the bare line");
    std::chrono::steady_clock::time_point start;
    for (int n = 0; n < kWarmUp + kBlocks; ++n) {
        if (n == kWarmUp)
            start = std::chrono::steady_clock::now();
        const QByteArray block = dataBlock(n);
        char ack = 0;
        if (!line.WriteAll(block.constData(), 33) || !line.ReadByte(&ack) || ack != 'O')
            fail("a block was not acknowledged on the bare line");
    }
    const auto elapsed = std::chrono::steady_clock::now() - start;
    char ack = 0;
    const QByteArray end(33, '\0');
    line.WriteAll(end.constData(), 33);
    line.ReadByte(&ack);
    return std::chrono::duration<double, std::micro>(elapsed).count() / kBlocks;
}

double waitCpuPercent(Link& link, unitsim::UnitSimulator& unit)
{
    unitsim::Faults mute;
    mute.mute = true;
    unit.SetFaults(mute);
    Module1.RxCount = 0;
    QElapsedTimer wall;
    wall.start();
    const double cpuBefore = cpuSeconds();
    link.WaitReply(); // times out: the presenter lets exactly this box through
    const double cpu = cpuSeconds() - cpuBefore;
    unit.SetFaults({});
    return 100.0 * cpu / (wall.nsecsElapsed() / 1e9);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());
    QApplication app(argc, argv);
    SetMessagePresenter([](const QString& text, const QString& title, MsgButtons, MsgIcon, const MessageRow*) {
        if (title != QStringLiteral("ERR 030"))
            std::fprintf(stderr, "bench_link: unexpected message %s: %s\n", qPrintable(title), qPrintable(text)), std::exit(1);
        return MsgResult::Ok;
    });

    unitsim::Options options;
    options.linkPath = QFile::encodeName(AppConfigFolder() + QStringLiteral("/ports/COM1")).toStdString();
    unitsim::UnitSimulator unit(options);
    std::string error;
    if (!unit.Start(&error))
        fail(error.c_str());

    SerialMSComm port;
    port.SetCommPort(1);
    Link link(port, kTransferWindowLink);
    const auto openPort = [&] {
        QString openError;
        if (!port.Open(&openError))
            fail(qPrintable(openError));
    };

    std::vector<double> linkRounds;
    std::vector<double> bareRounds;
    for (int round = 0; round < kRounds; ++round) {
        openPort();
        linkRounds.push_back(linkMicrosPerBlock(link));
        port.Close();
        bareRounds.push_back(bareMicrosPerBlock(unit.HostPath()));
    }
    openPort();
    const double cpuPercent = waitCpuPercent(link, unit);
    port.Close();
    PrintFigure("link_us_per_block", linkRounds, "%.1f");
    PrintFigure("bare_us_per_block", bareRounds, "%.1f");
    // Each link round over the bare round run right after it under the same load.
    PrintFigure("ratio", RoundRatios(linkRounds, bareRounds), "%.3f");
    std::printf("wait_cpu_percent: %.2f\n", cpuPercent);
    unit.Stop();
    return 0;
}
