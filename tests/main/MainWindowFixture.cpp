#include "MainWindowFixture.h"

#include "shared/Module1.h"
#include "shared/Settings.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTest>

MainWindowTest::MainWindowTest()
{
    QFile::remove(SettingsStore::FilePath());
    ResetModule1();
}

MainWindowTest::~MainWindowTest()
{
    // Whatever a test left open goes before the next one starts.
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget != window_.get() && widget->isVisible())
            widget->close();
}

void MainWindowTest::WriteSettingsFile(const QByteArray& content)
{
    const QString path = SettingsStore::FilePath();
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath()));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
}

frmMain& MainWindowTest::Start()
{
    window_ = std::make_unique<frmMain>();
    window_->SetProcessEnd([this] { ++processEnds_; });
    window_->Form_Load();
    window_->show();
    window_->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    return *window_;
}

void MainWindowTest::Exit()
{
    window_->mnuFileexit()->trigger();
}

QString MainWindowTest::Stored(const QString& key)
{
    QSettings settings(SettingsStore::FilePath(), QSettings::IniFormat);
    settings.beginGroup(QStringLiteral("Settings"));
    const QVariant value = settings.value(key);
    return value.isValid() ? value.toString() : QString();
}

QStringList MainWindowTest::StoredKeys()
{
    QSettings settings(SettingsStore::FilePath(), QSettings::IniFormat);
    QStringList keys = settings.allKeys();
    keys.sort();
    return keys;
}

void MainWindowTest::FocusOn(QWidget* widget)
{
    widget->setFocus(Qt::TabFocusReason);
    ASSERT_EQ(QApplication::focusWidget(), widget);
}

void MainWindowTest::PressEnter()
{
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
}

void MainWindowTest::PressTab()
{
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
}
