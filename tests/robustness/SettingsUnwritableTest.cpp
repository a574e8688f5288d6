// A settings folder that cannot be written when the program ends: saving fails quietly, the
// program ends normally and the file that was there stays whole. The save runs in a child
// process so that it can meet limits that hold even for root: a root child first becomes an
// ordinary user for the read-only folder, and a file-size limit stands in for a full disk.
#include "shared/Settings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr uid_t kNobody = 65534;

QByteArray storedText()
{
    QByteArray text = "[Settings]\nPort=3\nCpu=18\nFreq=19.6608\n";
    // Longer than the room a full disk leaves, so that a half-written copy would show.
    for (int i = 0; i < 40; ++i)
        text += "File=/home/operator/images/IMAGE" + QByteArray::number(i) + ".MOT\n";
    return text;
}

enum class Unwritable { ReadOnlyFolder, FullDisk };

struct UnwritableCase {
    const char* name;
    Unwritable how;
};

class SettingsUnwritable : public ::testing::TestWithParam<UnwritableCase> {};

TEST_P(SettingsUnwritable, TheProgramEndsNormallyAndTheFileStaysWhole)
{
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    const QByteArray configHome = qgetenv("XDG_CONFIG_HOME");
    struct Restore {
        QByteArray value;
        ~Restore() { qputenv("XDG_CONFIG_HOME", value); }
    } restore{configHome};
    qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());
    ASSERT_TRUE(QDir().mkpath(AppConfigFolder()));
    const QString path = SettingsStore::FilePath();
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(storedText());
    }
    const QByteArray folder = QFile::encodeName(AppConfigFolder());
    if (GetParam().how == Unwritable::ReadOnlyFolder) {
        ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0444), 0);
        ASSERT_EQ(::chmod(folder.constData(), 0555), 0);
        ASSERT_EQ(::chmod(QFile::encodeName(home.path()).constData(), 0755), 0);
    }

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (GetParam().how == Unwritable::ReadOnlyFolder) {
            // Root writes anywhere; an ordinary user meets the folder's permissions.
            if (geteuid() == 0 && (setgid(kNobody) != 0 || setuid(kNobody) != 0))
                _exit(3);
        } else {
            // No room beyond a few bytes: every larger write fails as on a full disk.
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit room{64, 64};
            if (setrlimit(RLIMIT_FSIZE, &room) != 0)
                _exit(3);
        }
        {
            // What the main window saves as it closes.
            SettingsStore store;
            store.SaveSetting(QStringLiteral("Port"), QStringLiteral("5"));
            store.SaveSetting(QStringLiteral("File"), QStringLiteral("/home/operator/NEW.MOT"));
            store.SaveSetting(QStringLiteral("title"), QStringLiteral("NEW.MOT"));
        }
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ::chmod(folder.constData(), 0755);
    ASSERT_TRUE(WIFEXITED(status)) << "the save ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), storedText()) << "the file that was there is whole and unchanged";
    EXPECT_EQ(QDir(AppConfigFolder()).entryList(QDir::Files | QDir::Hidden).size(), 1)
        << "no half-written copy is left beside it";
}

INSTANTIATE_TEST_SUITE_P(Folders, SettingsUnwritable,
                         ::testing::Values(UnwritableCase{"ReadOnlyFolder", Unwritable::ReadOnlyFolder},
                                           UnwritableCase{"FullDisk", Unwritable::FullDisk}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
