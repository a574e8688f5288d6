#pragma once

#include "main/frmMain.h"
#include "support/MessageRecorder.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <memory>

// A main window started the way the program starts it, against a settings file the test
// writes first, with the end of the process replaced by a counter. Any message box fails.
class MainWindowTest : public ::testing::Test {
protected:
    MainWindowTest();
    ~MainWindowTest() override;

    // Replaces the settings file with these bytes (INI text or anything else).
    static void WriteSettingsFile(const QByteArray& content);
    // Constructs the window, runs Form_Load, shows and activates it.
    frmMain& Start();
    // File -> Exit.
    void Exit();

    // The stored text of a key after shut-down; null when the key is missing.
    static QString Stored(const QString& key);
    static QStringList StoredKeys();

    // Moves the keyboard focus the way the operator does, and types at the focus.
    static void FocusOn(QWidget* widget);
    static void PressEnter();
    static void PressTab();

    frmMain& window() { return *window_; }
    int processEnds() const { return processEnds_; }

    MessageRecorder messages_;

private:
    std::unique_ptr<frmMain> window_;
    int processEnds_ = 0;
};
