#include "MainWindowFixture.h"

#include "about/frmAbout.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QTest>
#include <QTimer>

TEST_F(MainWindowTest, AboutFromHelpMenuIsModalOverTheWindowAndShowsTheSameTextsEachTime)
{
    frmMain& w = Start();
    QStringList seen;
    for (int showing = 0; showing < 2; ++showing) {
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<frmAbout*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(box->parentWidget(), &w);
            seen << box->windowTitle() + "|" + box->lblTitle()->text() + "|" + box->lblVersion()->text();
            QTest::keyClick(box, Qt::Key_Escape);
        });
        w.mnuHelpAbout()->trigger(); // returns when the box has closed
    }
    EXPECT_EQ(seen, QStringList(2, "ﾊﾞｰｼﾞｮﾝ情報 |Corvane-Host|Version 1.6.4"));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}
