// A real wait while the wall clock steps an hour forward or back: the wait still lasts its
// whole seconds. The program starts itself again under libfaketime, whose offset file this
// test rewrites during the wait; the monotonic clock is left alone. Nothing here asserts a
// duration: Qt's timers run on the monotonic clock, so markers at 1 s and 5 s come in a fixed
// order with the end of a wait that counts that clock's seconds.
#include "link/Link.h"
#include "link/WaitClock.h"
#include "shared/Module1.h"
#include "support/FakeMSComm.h"
#include "support/MessageRecorder.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr char kOffsetFileVariable[] = "FAKETIME_TIMESTAMP_FILE";

void writeOffset(const QString& offset)
{
    QFile file(qEnvironmentVariable(kOffsetFileVariable));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(offset.toLatin1() + "\n");
}

struct StepCase {
    const char* name;
    int stepSeconds;
    bool drain; // the transmit drain wait instead of the reply wait
};

class WallClockStep : public ::testing::TestWithParam<StepCase> {};

TEST_P(WallClockStep, TheWaitLastsItsMonotonicSeconds)
{
    const StepCase& c = GetParam();
    ASSERT_FALSE(qEnvironmentVariableIsEmpty(kOffsetFileVariable)) << "not running under libfaketime";
    writeOffset(QStringLiteral("+0"));
    ResetModule1();
    SetProgramClock(nullptr);

    FakeMSComm port;
    QString error;
    ASSERT_TRUE(port.Open(&error));
    Link link(port, kMainWindowLink);
    MessageRecorder messages;
    messages.Expect(QString::fromLatin1(c.drain ? "ERR 220" : "ERR 201"));

    std::vector<std::string> order;
    int64_t stepSeen = 0;
    QTimer step, oneSecond, fiveSeconds;
    for (QTimer* timer : {&step, &oneSecond, &fiveSeconds}) {
        timer->setSingleShot(true);
        timer->setTimerType(Qt::PreciseTimer);
    }
    QObject::connect(&step, &QTimer::timeout, [&] {
        const int64_t before = QDateTime::currentSecsSinceEpoch();
        writeOffset(QStringLiteral("%1%2").arg(c.stepSeconds > 0 ? "+" : "").arg(c.stepSeconds));
        stepSeen = QDateTime::currentSecsSinceEpoch() - before;
        order.push_back("step");
    });
    QObject::connect(&oneSecond, &QTimer::timeout, [&] { order.push_back("1 s"); });
    QObject::connect(&fiveSeconds, &QTimer::timeout, [&] {
        order.push_back("5 s");
        // A wait stretched by the step would last an hour: end it here.
        port.stalledOutBytes = 0;
        port.Deliver("OK\r\n");
    });
    step.start(200);
    oneSecond.start(1000);
    fiveSeconds.start(5000);

    int16_t result = 0;
    if (c.drain) {
        port.stalledOutBytes = 16;
        QString command = QStringLiteral("C00");
        result = link.SendCommand(command);
    } else {
        result = link.WaitReply();
    }
    order.push_back("wait ended");
    writeOffset(QStringLiteral("+0"));

    EXPECT_NEAR(static_cast<double>(stepSeen), c.stepSeconds, 60) << "the wall clock did not step";
    EXPECT_EQ(result, 1) << "the wait ended by its time-out";
    EXPECT_EQ(order, (std::vector<std::string>{"step", "1 s", "wait ended"}));
}

INSTANTIATE_TEST_SUITE_P(Steps, WallClockStep,
                         ::testing::Values(StepCase{"ReplyWaitHourForward", 3600, false},
                                           StepCase{"ReplyWaitHourBack", -3600, false},
                                           StepCase{"DrainWaitHourForward", 3600, true},
                                           StepCase{"DrainWaitHourBack", -3600, true}),
                         [](const auto& info) { return std::string(info.param.name); });

// Starts this program again with libfaketime preloaded and an offset file of its own.
int startUnderFaketime(char** argv)
{
    char folder[] = "/tmp/corvane-wallclock.XXXXXX";
    if (mkdtemp(folder) == nullptr)
        return 2;
    const std::string offsetFile = std::string(folder) + "/offset";
    QFile file(QString::fromStdString(offsetFile));
    if (!file.open(QIODevice::WriteOnly))
        return 2;
    file.write("+0\n");
    file.close();
    setenv(kOffsetFileVariable, offsetFile.c_str(), 1);
    setenv("FAKETIME_NO_CACHE", "1", 1);
    setenv("DONT_FAKE_MONOTONIC", "1", 1);          // libfaketime before 0.9.9
    setenv("FAKETIME_DONT_FAKE_MONOTONIC", "1", 1); // and after
    setenv("LD_PRELOAD", CORVANE_LIBFAKETIME, 1);
    // The sanitizer build wants its runtime first; the preloaded library does not hurt it.
    const std::string asan = qEnvironmentVariable("ASAN_OPTIONS").toStdString();
    setenv("ASAN_OPTIONS", (asan.empty() ? "" : asan + ":").append("verify_asan_link_order=0").c_str(), 1);
    execv("/proc/self/exe", argv);
    std::perror("test_wallclock: cannot start again under libfaketime");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty(kOffsetFileVariable))
        return startUnderFaketime(argv);
    const QString offsetFolder = QFileInfo(qEnvironmentVariable(kOffsetFileVariable)).path();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    if (!home.isValid())
        return 2;
    qputenv("XDG_CONFIG_HOME", (home.path() + "/config").toLocal8Bit());
    qputenv("XDG_RUNTIME_DIR", (home.path() + "/runtime").toLocal8Bit());
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    const int status = RUN_ALL_TESTS();
    QDir(offsetFolder).removeRecursively();
    return status;
}
