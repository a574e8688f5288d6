#include "main/SingleInstance.h"

#include "shared/Settings.h"
#include "support/MessageRecorder.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

int runProbe(const QString& lockPath, const QString& mode)
{
    QProcess probe;
    probe.start(QStringLiteral(SINGLE_INSTANCE_PROBE), {lockPath, mode});
    if (!probe.waitForFinished(30000) || probe.exitStatus() != QProcess::NormalExit)
        return -1;
    return probe.exitCode();
}

class SingleInstanceTest : public ::testing::Test {
protected:
    QTemporaryDir folder_;
    QString lockPath_ = folder_.filePath(QStringLiteral("Corvane-Host.lock"));
};

} // namespace

TEST_F(SingleInstanceTest, SecondGuardIsRefusedUntilTheFirstEnds)
{
    auto first = std::make_unique<SingleInstance>(lockPath_);
    ASSERT_TRUE(first->Acquire());
    SingleInstance second(lockPath_);
    EXPECT_FALSE(second.Acquire());
    first.reset();
    EXPECT_TRUE(second.Acquire());
}

TEST_F(SingleInstanceTest, AnotherProcessIsRefusedWhileThisOneRuns)
{
    auto running = std::make_unique<SingleInstance>(lockPath_);
    ASSERT_TRUE(running->Acquire());
    EXPECT_EQ(runProbe(lockPath_, "try"), 1);
    running.reset();
    EXPECT_EQ(runProbe(lockPath_, "try"), 0);
}

TEST_F(SingleInstanceTest, LockLeftByACrashedInstanceDoesNotKeepTheProgramFromStarting)
{
    ASSERT_EQ(runProbe(lockPath_, "crash"), 0);
    ASSERT_TRUE(QFile::exists(lockPath_));
    SingleInstance next(lockPath_);
    EXPECT_TRUE(next.Acquire());
}

TEST_F(SingleInstanceTest, LockThatCannotBeMadeDoesNotKeepTheProgramFromStarting)
{
    SingleInstance guard(folder_.filePath(QStringLiteral("no-such-folder/Corvane-Host.lock")));
    EXPECT_TRUE(guard.Acquire());
}

TEST_F(SingleInstanceTest, SecondStartTellsTheOperatorAndTouchesNoSetting)
{
    QFile::remove(SettingsStore::FilePath());
    SingleInstance running(lockPath_);
    ASSERT_TRUE(running.Acquire());
    SingleInstance second(lockPath_);
    {
        MessageRecorder messages;
        messages.Expect("Corvane-Host", "既に起動しています");
        EXPECT_TRUE(RefuseSecondInstance(second));
        ASSERT_EQ(messages.shown().size(), 1u);
        EXPECT_EQ(messages.shown().front().buttons, MsgButtons::Ok);
        EXPECT_EQ(messages.shown().front().icon, MsgIcon::None);
    }
    EXPECT_FALSE(QFile::exists(SettingsStore::FilePath()));
}

TEST_F(SingleInstanceTest, FirstStartShowsNothing)
{
    MessageRecorder messages;
    SingleInstance first(lockPath_);
    EXPECT_FALSE(RefuseSecondInstance(first));
}

TEST(SingleInstanceLocation, LockLivesInTheUsersRuntimeFolder)
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    ASSERT_FALSE(runtime.isEmpty());
    EXPECT_EQ(SingleInstance::DefaultLockPath(), QDir(runtime).filePath("Corvane-Host.lock"));
}
