#include "about/frmAbout.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

TEST(AboutBox, ShowsTitleAndVersionUnderItsCaption)
{
    frmAbout box;
    EXPECT_EQ(box.windowTitle(), "ﾊﾞｰｼﾞｮﾝ情報 ");
    EXPECT_EQ(box.lblTitle()->text(), "Corvane-Host");
    EXPECT_EQ(box.lblVersion()->text(), "Version 1.6.4");
    EXPECT_EQ(box.cmdOK()->text(), "OK");
    EXPECT_TRUE(box.cmdOK()->isDefault());
    EXPECT_TRUE(box.isModal());
    for (const char* name : {"picIcon", "lblTitle", "lblVersion", "Line1(0)", "Line1(1)", "cmdOK"})
        EXPECT_NE(box.findChild<QWidget*>(name), nullptr) << name;
}

TEST(AboutBox, ShowsTheOwnersIcon)
{
    QWidget owner;
    QPixmap square(32, 32);
    square.fill(Qt::red);
    owner.setWindowIcon(QIcon(square));
    frmAbout box(&owner);
    ASSERT_FALSE(box.picIcon()->pixmap().isNull());
    EXPECT_EQ(box.picIcon()->pixmap().toImage().pixelColor(16, 16), QColor(Qt::red));
}

class AboutBoxKey : public ::testing::TestWithParam<Qt::Key> {};

TEST_P(AboutBoxKey, PressesOkAndCloses)
{
    frmAbout box;
    int okPressed = 0;
    QObject::connect(box.cmdOK(), &QPushButton::clicked, [&] { ++okPressed; });
    box.open();
    ASSERT_TRUE(box.isVisible());
    QTest::keyClick(&box, GetParam());
    EXPECT_FALSE(box.isVisible());
    EXPECT_EQ(okPressed, 1);
    EXPECT_EQ(box.result(), QDialog::Accepted);
}

INSTANTIATE_TEST_SUITE_P(Keys, AboutBoxKey, ::testing::Values(Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter));
