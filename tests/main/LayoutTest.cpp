#include "main/frmMain.h"

#include "shared/Twips.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

namespace {

// The text a control shows: its caption, title or text.
QString shownText(QWidget* widget)
{
    if (auto* label = qobject_cast<QLabel*>(widget))
        return label->text();
    if (auto* button = qobject_cast<QAbstractButton*>(widget))
        return button->text();
    if (auto* frame = qobject_cast<QGroupBox*>(widget))
        return frame->title();
    return QString();
}

struct Caption {
    const char* name;
    const char* text;
    const char* toolTip;
};

const Caption kCaptions[] = {
    {"Frame2", "転送ﾌｧｲﾙﾈｰﾑ", ""},
    {"Command1", "参照", ""},
    {"Frame5", "書込ﾍﾟｰｼﾞ", ""},
    {"Option1(0)", "1", "複数ページにまたがるもの、またがったデータへの上書きにご注意ください"},
    {"Option1(3)", "4", "複数ページにまたがるもの、またがったデータへの上書きにご注意ください"},
    {"Label6", "THRU", ""},
    {"Option1(4)", "", ""},
    {"Frame4", "ﾀｰｹﾞｯﾄCPU", ""},
    {"Frame1", "ﾀｰｹﾞｯﾄのｸﾛｯｸ", ""},
    {"Label1", "MHz", ""},
    {"Frame3", "Com Port", ""},
    {"Frame6", "メモリーの内容", ""},
    {"Label2(0)", "ﾍﾟｰｼﾞ", ""},
    {"Label3(0)", "ＣＰＵ", ""},
    {"Label4(0)", "ｸﾛｯｸ(MHz)", ""},
    {"Label5(0)", "ﾌｧｲﾙﾈｰﾑ", ""},
    {"Label7(0)", "ｻｲｽﾞ(kB)", ""},
    {"Frame7", "転送速度", ""},
    {"Option2(0)", "9.6kbps", "Corvaneと9600BPSで通信します"},
    {"Option2(1)", "38.4kbps", "Corvaneと38400で通信します"},
    {"Tx_start", "転送開始", "上書き転送です。ご注意ください"},
    {"Command2", "メモリー確認", "Corvaneのメモリーの内容を確認します"},
};

} // namespace

TEST(MainWindowLayout, EveryControlCarriesItsNameCaptionAndToolTip)
{
    frmMain window;
    for (const Caption& c : kCaptions) {
        auto* control = window.findChild<QWidget*>(QString::fromUtf8(c.name));
        ASSERT_NE(control, nullptr) << c.name;
        EXPECT_EQ(shownText(control), QString::fromUtf8(c.text)) << c.name;
        EXPECT_EQ(control->toolTip(), QString::fromUtf8(c.toolTip)) << c.name;
    }
    EXPECT_EQ(window.Combo1()->toolTip(), "ストレートケーブルで接続してください");
    EXPECT_TRUE(window.Text1()->toolTip().startsWith("SHシリーズは入力クロック×逓倍数（７０４６，４７でＭＤ２，３共に"));
    EXPECT_EQ(window.Option1(4)->accessibleName(), "THRU");
    for (const char* name : {"Line1", "Line2", "Text2", "Combo2", "Text1", "Combo1", "Label2(4)", "Label3(1)",
                             "Label4(2)", "Label5(3)", "Label7(4)"})
        EXPECT_NE(window.findChild<QWidget*>(name), nullptr) << name;
}

TEST(MainWindowLayout, MenusAndWindowFrame)
{
    frmMain window;
    EXPECT_EQ(window.windowTitle(), "Corvane-Host");
    EXPECT_EQ(window.findChild<QMenu*>("mnuFile")->title(), "ﾌｧｲﾙ(&F)");
    EXPECT_EQ(window.findChild<QMenu*>("mnuhelp")->title(), "ﾍﾙﾌﾟ(&H)");
    EXPECT_EQ(window.findChild<QAction*>("mnuFileexit")->text(), "終了(&X)");
    EXPECT_EQ(window.findChild<QAction*>("mnuHelpAbout")->text(), "ﾊﾞｰｼﾞｮﾝ情報(&A)Pellmark...");
    EXPECT_TRUE(window.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(window.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(window.minimumSize(), window.maximumSize());
}

TEST(MainWindowLayout, FrameContentsArePlacedRelativeToTheirFrame)
{
    frmMain window;
    EXPECT_EQ(window.Option1(4)->parentWidget()->objectName(), "Frame5");
    EXPECT_EQ(window.Option1(4)->geometry(), TwipsRect(1080, 480, 195, 165));
    EXPECT_EQ(window.Option2(0)->parentWidget()->objectName(), "Frame7");
    EXPECT_EQ(window.Label4(1)->geometry(), TwipsRect(1620, 480, 675, 195));
    EXPECT_EQ(window.Label4(4)->geometry(), TwipsRect(1620, 1380, 615, 195));
    EXPECT_EQ(window.Text2()->geometry(), TwipsRect(180, 300, 4755, 330));
    EXPECT_EQ(window.Tx_start()->geometry(), TwipsRect(5100, 3240, 1155, 435));
}

TEST(MainWindowLayout, MemoryViewCaptionsAreReadBackPerPage)
{
    frmMain window;
    window.Label3(2)->setText("------");
    window.Label7(2)->setText("----");
    window.Label3(3)->setText("SH7045");
    window.Label7(3)->setText("128");
    const MemoryView& view = window;
    EXPECT_EQ(view.CpuCaption(2), "------");
    EXPECT_EQ(view.SizeCaption(2), "----");
    EXPECT_EQ(view.CpuCaption(3), "SH7045");
    EXPECT_EQ(view.SizeCaption(3), "128");
    EXPECT_EQ(view.CpuCaption(0), "");
    EXPECT_EQ(view.SizeCaption(5), "");
}
