#include "MainWindowFixture.h"

#include "main/OpenFileDialog.h"
#include "shared/Module1.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A file dialog that answers from a script and records the name it was started with.
struct ScriptedDialog {
    QList<std::optional<QString>> answers;
    QStringList startedWith;
    QString filePathWhenShown;

    frmMain::FileChooser chooser()
    {
        return [this](const QString& lastName) {
            startedWith << lastName;
            filePathWhenShown = Module1.FilePath;
            return answers.takeFirst();
        };
    }
};

} // namespace

TEST_F(MainWindowTest, PathTypedThenEnterSetsFilePathWithoutInsertingTheKey)
{
    frmMain& w = Start();
    FocusOn(w.Text2());
    QTest::keyClicks(QApplication::focusWidget(), "/data/prog");
    EXPECT_EQ(Module1.FilePath, "") << "typing alone does not commit";
    PressEnter();
    EXPECT_EQ(Module1.FilePath, "/data/prog");
    EXPECT_EQ(w.Text2()->text(), "/data/prog");
    EXPECT_EQ(QApplication::focusWidget(), w.Tx_start());
}

TEST_F(MainWindowTest, PathTypedThenLeftSetsFilePath)
{
    WriteSettingsFile("[Settings]\nFile=/old.mot\n");
    frmMain& w = Start();
    FocusOn(w.Text2());
    w.Text2()->selectAll();
    QTest::keyClicks(QApplication::focusWidget(), "C:\\DATA\\PROG.S");
    PressTab();
    EXPECT_EQ(Module1.FilePath, "C:\\DATA\\PROG.S");
    Exit();
    EXPECT_EQ(Stored("File"), "C:\\DATA\\PROG.S");
}

TEST_F(MainWindowTest, BrowseChoiceSetsFieldAndPathAndIsWhereTheNextBrowseStarts)
{
    frmMain& w = Start();
    ScriptedDialog dialog{{QString("/work/a.mot"), QString("/work/b.s")}, {}, {}};
    w.SetFileChooser(dialog.chooser());
    w.Command1_Click();
    EXPECT_EQ(Module1.FilePath, "/work/a.mot");
    EXPECT_EQ(w.Text2()->text(), "/work/a.mot");
    w.Text2()->setText("/typed/elsewhere.mot");
    w.Command1_Click();
    EXPECT_EQ(dialog.startedWith, QStringList({"", "/work/a.mot"}));
    EXPECT_EQ(Module1.FilePath, "/work/b.s");
}

TEST_F(MainWindowTest, BrowseCancelledKeepsFieldAndPath)
{
    WriteSettingsFile("[Settings]\nFile=/kept.mot\n");
    frmMain& w = Start();
    ScriptedDialog dialog{{QString("/work/a.mot"), std::nullopt, std::nullopt}, {}, {}};
    w.SetFileChooser(dialog.chooser());
    w.Command1_Click();
    w.Command1_Click();
    EXPECT_EQ(Module1.FilePath, "/work/a.mot");
    EXPECT_EQ(w.Text2()->text(), "/work/a.mot");
    w.Command1_Click();
    EXPECT_EQ(dialog.startedWith, QStringList({"", "/work/a.mot", "/work/a.mot"}));
}

TEST_F(MainWindowTest, BrowseCancelledFirstTimeKeepsTheStoredPath)
{
    WriteSettingsFile("[Settings]\nFile=/kept.mot\n");
    frmMain& w = Start();
    ScriptedDialog dialog{{std::nullopt}, {}, {}};
    w.SetFileChooser(dialog.chooser());
    w.Command1_Click();
    EXPECT_EQ(Module1.FilePath, "/kept.mot");
    EXPECT_EQ(w.Text2()->text(), "/kept.mot");
}

TEST_F(MainWindowTest, PathTypedThenBrowseClickedCommitsTheTypedPathFirst)
{
    frmMain& w = Start();
    ScriptedDialog dialog{{std::nullopt}, {}, {}};
    w.SetFileChooser(dialog.chooser());
    FocusOn(w.Text2());
    QTest::keyClicks(QApplication::focusWidget(), "/typed.mot");
    QTest::mouseClick(w.Command1(), Qt::LeftButton);
    EXPECT_EQ(dialog.filePathWhenShown, "/typed.mot");
}

TEST(OpenFileDialog, OffersSRecordFilesFirstAndEveryFileSecond)
{
    QFileDialog dialog;
    ConfigureOpenDialog(dialog, QString());
    auto* types = dialog.findChild<QComboBox*>("fileTypeCombo");
    ASSERT_NE(types, nullptr);
    ASSERT_EQ(types->count(), 2);
    EXPECT_EQ(types->itemText(0), "S-format(*.mot;*.s)");
    EXPECT_EQ(types->itemText(1), "ALL(*.*)");

    auto* files = dialog.findChild<QFileSystemModel*>();
    ASSERT_NE(files, nullptr);
    EXPECT_EQ(files->nameFilters(), QStringList({"*.mot", "*.s"}));
    dialog.selectNameFilter(dialog.nameFilters().at(1));
    EXPECT_EQ(files->nameFilters(), QStringList({"*"}));
}

TEST(OpenFileDialog, StartsAtTheLastChosenFile)
{
    QTemporaryDir folder;
    const QString last = folder.filePath("last.mot");
    QFile(last).open(QIODevice::WriteOnly);
    QFileDialog dialog;
    ConfigureOpenDialog(dialog, last);
    EXPECT_EQ(dialog.directory().absolutePath(), QDir(folder.path()).absolutePath());
    EXPECT_EQ(dialog.findChild<QLineEdit*>("fileNameEdit")->text(), "last.mot");
}
