#include "MainWindowFixture.h"

#include "shared/Module1.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>

// Port selector: the edit field keeps only the eight names, committing on every edit.

TEST_F(MainWindowTest, PortDigitDeletedFallsBackToCom1)
{
    WriteSettingsFile("[Settings]\nPort=3\n");
    frmMain& w = Start();
    FocusOn(w.Combo1());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_End);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace);
    EXPECT_EQ(w.Combo1()->currentText(), "Com1");
    EXPECT_EQ(Module1.PortNo, 1);
}

TEST_F(MainWindowTest, PortDigitTypedCommitsAtOnce)
{
    frmMain& w = Start();
    FocusOn(w.Combo1());
    w.Combo1()->lineEdit()->setSelection(3, 1);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_8);
    EXPECT_EQ(w.Combo1()->currentText(), "Com8");
    EXPECT_EQ(Module1.PortNo, 8);
}

TEST_F(MainWindowTest, PortNameInLowerCaseFallsBackToCom1)
{
    WriteSettingsFile("[Settings]\nPort=6\n");
    frmMain& w = Start();
    FocusOn(w.Combo1());
    w.Combo1()->lineEdit()->selectAll();
    w.Combo1()->lineEdit()->insert("com8"); // as pasting does
    EXPECT_EQ(w.Combo1()->currentText(), "Com1");
    EXPECT_EQ(Module1.PortNo, 1);
}

TEST_F(MainWindowTest, PortPickedThenEnterCommitsAndMovesToTransferButton)
{
    frmMain& w = Start();
    FocusOn(w.Combo1());
    for (int i = 0; i < 4; ++i)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    EXPECT_EQ(w.Combo1()->currentText(), "Com5");
    EXPECT_EQ(Module1.PortNo, 1) << "a pick alone does not commit";
    PressEnter();
    EXPECT_EQ(Module1.PortNo, 5);
    EXPECT_EQ(QApplication::focusWidget(), w.Tx_start());
}

// CPU selector: a pick counts only when the selector loses the focus or on Enter.

TEST_F(MainWindowTest, CpuPickedFromPopupThenLeftIsSavedAsItsCode)
{
    frmMain& w = Start();
    FocusOn(w.Combo2());
    w.Combo2()->showPopup();
    QAbstractItemView* list = w.Combo2()->view();
    list->setCurrentIndex(list->model()->index(23, 0)); // "2612F"
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(w.Combo2()->currentText(), "2612F");
    EXPECT_EQ(Module1.CpuIndex, 0);
    EXPECT_EQ(QApplication::focusWidget(), w.Combo2());
    PressTab();
    EXPECT_EQ(Module1.CpuIndex, 75);
    Exit();
    EXPECT_EQ(Stored("Cpu"), "75");
}

TEST_F(MainWindowTest, ExitFromMenuRightAfterCpuPickSavesThePreviousCpu)
{
    WriteSettingsFile("[Settings]\nCpu=29\n");
    frmMain& w = Start();
    FocusOn(w.Combo2());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    EXPECT_NE(w.Combo2()->currentText(), "SH7045");
    // Opening the menu takes the focus into a popup; that is no focus loss for the choices.
    auto* fileMenu = w.findChild<QMenu*>("mnuFile");
    w.menuBar()->setActiveAction(fileMenu->menuAction());
    ASSERT_TRUE(fileMenu->isVisible());
    Exit();
    EXPECT_EQ(Stored("Cpu"), "29");
}

// Clock field.

TEST_F(MainWindowTest, ClockEnterReformatsMovesOnAndSecondEnterPressesTransfer)
{
    frmMain& w = Start();
    // Only whether Enter presses the button counts here, not the transfer it starts.
    QObject::disconnect(w.Tx_start(), &QPushButton::clicked, &w, nullptr);
    QSignalSpy transfer(w.Tx_start(), &QPushButton::clicked);
    FocusOn(w.Text1());
    w.Text1()->selectAll();
    QTest::keyClicks(QApplication::focusWidget(), "1 2.5");
    PressEnter();
    EXPECT_EQ(w.Text1()->text(), "12.5000");
    EXPECT_EQ(Module1.ClockMHz, 12.5f);
    EXPECT_EQ(QApplication::focusWidget(), w.Tx_start());
    EXPECT_EQ(transfer.count(), 0);
    PressEnter();
    EXPECT_EQ(transfer.count(), 1);
}

TEST_F(MainWindowTest, ClockTypedAndLeftKeepsTheFullSinglePrecisionValue)
{
    frmMain& w = Start();
    FocusOn(w.Text1());
    w.Text1()->selectAll();
    QTest::keyClicks(QApplication::focusWidget(), "-12.345678");
    EXPECT_EQ(Module1.ClockMHz, 16.0f) << "typing alone does not commit";
    PressTab();
    EXPECT_EQ(w.Text1()->text(), "12.3457");
    EXPECT_EQ(Module1.ClockMHz, 12.345678f);
}

TEST_F(MainWindowTest, ClockTypedAndEnteredKeepsTheFullValueThroughTheSecondCommit)
{
    frmMain& w = Start();
    FocusOn(w.Text1());
    w.Text1()->selectAll();
    QTest::keyClicks(QApplication::focusWidget(), "12.345678");
    PressEnter(); // commits, then the focus moving to the transfer button commits again
    EXPECT_EQ(w.Text1()->text(), "12.3457");
    EXPECT_EQ(Module1.ClockMHz, 12.345678f);
    FocusOn(w.Text1());
    PressTab(); // passing through without an edit changes nothing either
    EXPECT_EQ(Module1.ClockMHz, 12.345678f);
}

// Page options commit at once; speed options only with focus loss or Enter.

TEST_F(MainWindowTest, PageOptionClickedCommitsAtOnce)
{
    frmMain& w = Start();
    QTest::mouseClick(w.Option1(4), Qt::LeftButton);
    EXPECT_EQ(Module1.PageNo, kPageThru);
    EXPECT_TRUE(w.Option2(0)->isChecked()) << "page and speed options are separate groups";
    QTest::mouseClick(w.Option1(2), Qt::LeftButton);
    EXPECT_EQ(Module1.PageNo, 2);
    Exit();
    EXPECT_EQ(Stored("Page"), "2");
}

TEST_F(MainWindowTest, PageOptionChosenWithArrowKeyCommitsAtOnce)
{
    frmMain& w = Start();
    FocusOn(w.Option1(1)); // page "2"; page "4" stands to its right
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
    EXPECT_EQ(QApplication::focusWidget(), w.Option1(3));
    EXPECT_TRUE(w.Option1(3)->isChecked());
    EXPECT_EQ(Module1.PageNo, 3);
}

TEST_F(MainWindowTest, SpeedClickedThenExitSavesThePreviousSpeed)
{
    frmMain& w = Start();
    QTest::mouseClick(w.Option2(1), Qt::LeftButton);
    EXPECT_TRUE(w.Option2(1)->isChecked());
    EXPECT_EQ(Module1.SpeedIndex, 0);
    Exit();
    EXPECT_EQ(Stored("Speed"), "0");
}

TEST_F(MainWindowTest, SpeedClickedThenTransferButtonCommitsBeforeTheTransfer)
{
    frmMain& w = Start();
    int16_t speedWhenClicked = -1;
    QObject::connect(w.Tx_start(), &QPushButton::pressed, [&] { speedWhenClicked = Module1.SpeedIndex; });
    QTest::mouseClick(w.Option2(1), Qt::LeftButton);
    QTest::mousePress(w.Tx_start(), Qt::LeftButton);
    EXPECT_EQ(speedWhenClicked, 1);
    w.Tx_start()->setDown(false);
}

// Enter in any choice control is consumed and moves the focus to the transfer button.

TEST_F(MainWindowTest, EnterInEveryChoiceControlIsConsumedAndMovesToTransferButton)
{
    frmMain& w = Start();
    QList<QWidget*> controls{w.Combo1(), w.Combo2(), w.Text1(), w.Text2(), w.Option2(0), w.Option2(1)};
    for (int i = 0; i < 5; ++i)
        controls << w.Option1(i);
    for (QWidget* control : controls) {
        FocusOn(control);
        PressEnter();
        EXPECT_EQ(QApplication::focusWidget(), w.Tx_start()) << control->objectName().toStdString();
    }
    EXPECT_EQ(w.Combo1()->count(), 8) << "Enter must not add to the port list";
}

// Tab enters each option group at its selected option, as operators know it.
TEST_F(MainWindowTest, TabOrderFollowsTheChoicesToTheButtons)
{
    frmMain& w = Start();
    FocusOn(w.Option1(1));
    QStringList visited{QApplication::focusWidget()->objectName()};
    for (int i = 0; i < 9; ++i) {
        PressTab();
        visited << QApplication::focusWidget()->objectName();
    }
    const QStringList expected{"Option1(1)", "Combo2",   "Text1",    "Combo1",   "Text2",
                               "Command1",   "Option2(0)", "Tx_start", "Command2", "Option1(1)"};
    EXPECT_EQ(visited.join(' ').toStdString(), expected.join(' ').toStdString());
}
