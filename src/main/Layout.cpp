// The main window's controls at their design positions (twips, relative to their frame).
#include "main/DesignFonts.h"
#include "shared/Placement.h"
#include "main/frmMain.h"

#include <QAction>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>

namespace {

const QString kPageTip = QStringLiteral("複数ページにまたがるもの、またがったデータへの上書きにご注意ください");
const QString kClockTip = QStringLiteral(
    "SHシリーズは入力クロック×逓倍数（７０４６，４７でＭＤ２，３共にＨの時はＣＯＮＳＴモードを使用のこと）、"
    "H8/H8Sシリーズは入力クロックを設定してください");

// Frames draw their etched border through the middle of the caption, so controls placed a
// caption's height below the frame's top sit inside the border; option buttons keep their
// indicator within the 12-pixel rows of the layout.
const QString kClientStyle = QStringLiteral(
    "QGroupBox { border: 2px groove palette(mid); margin-top: 6px; }"
    "QGroupBox::title { subcontrol-origin: margin; left: 6px; padding: 0px 1px; }"
    "QRadioButton::indicator { width: 11px; height: 11px; }");

QGroupBox* makeFrame(QWidget* parent, const char* name, const QString& caption, int left, int top,
                     int width, int height)
{
    auto* frame = Place<QGroupBox>(parent, QLatin1String(name), left, top, width, height);
    frame->setTitle(caption);
    return frame;
}

QLabel* makeLabel(QWidget* parent, const QString& name, const QString& caption, int left, int top,
                  int width, int height)
{
    auto* label = Place<QLabel>(parent, name, left, top, width, height);
    label->setText(caption);
    return label;
}

QRadioButton* makeOption(QWidget* parent, const QString& name, const QString& caption, int left, int top,
                         int width, int height)
{
    auto* option = Place<QRadioButton>(parent, name, left, top, width, height);
    option->setText(caption);
    return option;
}

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption, int left, int top,
                        int width, int height)
{
    auto* button = Place<QPushButton>(parent, QLatin1String(name), left, top, width, height);
    button->setText(caption);
    // A focused button answers Enter here as in a dialog, so Enter, Enter starts a transfer.
    button->setAutoDefault(true);
    return button;
}

// A horizontal etched line from (x1, y) to (x2, y).
void makeLine(QWidget* parent, const char* name, int x1, int x2, int y)
{
    auto* line = Place<QFrame>(parent, QLatin1String(name), x1, y, x2 - x1, 2 * kTwipsPerPixel);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
}

} // namespace

void frmMain::buildMenus()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("ﾌｧｲﾙ(&F)"));
    file->setObjectName(QStringLiteral("mnuFile"));
    mnuFileexit_ = file->addAction(QStringLiteral("終了(&X)"));
    mnuFileexit_->setObjectName(QStringLiteral("mnuFileexit"));

    QMenu* help = menuBar()->addMenu(QStringLiteral("ﾍﾙﾌﾟ(&H)"));
    help->setObjectName(QStringLiteral("mnuhelp"));
    mnuHelpAbout_ = help->addAction(QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報(&A)Pellmark..."));
    mnuHelpAbout_->setObjectName(QStringLiteral("mnuHelpAbout"));
}

void frmMain::buildFileFrame(QWidget* client)
{
    client->setStyleSheet(kClientStyle);
    makeLine(client, "Line1", 180, 6180, 0);
    QGroupBox* frame2 = makeFrame(client, "Frame2", QStringLiteral("転送ﾌｧｲﾙﾈｰﾑ"), 120, 180, 6135, 855);
    text2_ = Place<QLineEdit>(frame2, QStringLiteral("Text2"), 180, 300, 4755, 330);
    command1_ = makeButton(frame2, "Command1", QStringLiteral("参照"), 5160, 300, 795, 375);
}

void frmMain::buildPageFrame(QWidget* client)
{
    QGroupBox* frame5 = makeFrame(client, "Frame5", QStringLiteral("書込ﾍﾟｰｼﾞ"), 120, 1200, 1575, 795);
    struct PagePlace {
        const char* caption;
        int left;
        int top;
    };
    constexpr PagePlace kPages[4] = {{"1", 180, 240}, {"2", 180, 480}, {"3", 540, 240}, {"4", 540, 480}};
    for (int i = 0; i < 4; ++i) {
        option1_[static_cast<size_t>(i)] = makeOption(frame5, ArrayName("Option1", i), QLatin1String(kPages[i].caption),
                                                      kPages[i].left, kPages[i].top, 375, 180);
        option1_[static_cast<size_t>(i)]->setToolTip(kPageTip);
    }
    makeLabel(frame5, QStringLiteral("Label6"), QStringLiteral("THRU"), 960, 240, 495, 255);
    QRadioButton* thru = makeOption(frame5, ArrayName("Option1", 4), QString(), 1080, 480, 195, 165);
    thru->setFont(ProportionalGothic(8.25));
    thru->setAccessibleName(QStringLiteral("THRU"));
    option1_[4] = thru;
}

void frmMain::buildCpuClockPortFrames(QWidget* client)
{
    QGroupBox* frame4 = makeFrame(client, "Frame4", QStringLiteral("ﾀｰｹﾞｯﾄCPU"), 1800, 1200, 1455, 795);
    combo2_ = Place<QComboBox>(frame4, QStringLiteral("Combo2"), 180, 300, 1095, 315);
    combo2_->setFont(ProportionalGothic(9.75));
    combo2_->setAccessibleName(QStringLiteral("ﾀｰｹﾞｯﾄCPU"));

    QGroupBox* frame1 = makeFrame(client, "Frame1", QStringLiteral("ﾀｰｹﾞｯﾄのｸﾛｯｸ"), 3360, 1200, 1455, 795);
    text1_ = Place<QLineEdit>(frame1, QStringLiteral("Text1"), 180, 300, 795, 285);
    text1_->setFont(ProportionalGothic(9.75));
    text1_->setToolTip(kClockTip);
    text1_->setAccessibleName(QStringLiteral("ﾀｰｹﾞｯﾄのｸﾛｯｸ"));
    makeLabel(frame1, QStringLiteral("Label1"), QStringLiteral("MHz"), 1020, 420, 375, 195);

    QGroupBox* frame3 = makeFrame(client, "Frame3", QStringLiteral("Com Port"), 4920, 1200, 1335, 795);
    combo1_ = Place<QComboBox>(frame3, QStringLiteral("Combo1"), 240, 300, 915, 300);
    combo1_->setEditable(true);
    // The edit field holds only the eight port names; the program, not a completer or the
    // combo's own insertion, decides what it shows.
    combo1_->setCompleter(nullptr);
    combo1_->setInsertPolicy(QComboBox::NoInsert);
    combo1_->setToolTip(QStringLiteral("ストレートケーブルで接続してください"));
    combo1_->setAccessibleName(QStringLiteral("Com Port"));
}

void frmMain::buildSpeedFrameAndButtons(QWidget* client)
{
    makeLine(client, "Line2", 180, 6180, 2160);
    QGroupBox* frame7 = makeFrame(client, "Frame7", QStringLiteral("転送速度"), 4980, 2340, 1275, 795);
    option2_[0] = makeOption(frame7, ArrayName("Option2", 0), QStringLiteral("9.6kbps"), 120, 240, 915, 180);
    option2_[0]->setToolTip(QStringLiteral("Corvaneと9600BPSで通信します"));
    option2_[1] = makeOption(frame7, ArrayName("Option2", 1), QStringLiteral("38.4kbps"), 120, 480, 1035, 180);
    option2_[1]->setToolTip(QStringLiteral("Corvaneと38400で通信します"));

    txStart_ = makeButton(client, "Tx_start", QStringLiteral("転送開始"), 5100, 3240, 1155, 435);
    txStart_->setToolTip(QStringLiteral("上書き転送です。ご注意ください"));
    command2_ = makeButton(client, "Command2", QStringLiteral("メモリー確認"), 5100, 3780, 1155, 315);
    command2_->setToolTip(QStringLiteral("Corvaneのメモリーの内容を確認します"));
}

void frmMain::setTabOrder()
{
    QList<QWidget*> order(option1_.begin(), option1_.end());
    order << combo2_ << text1_ << combo1_ << text2_ << command1_ << option2_[0] << option2_[1] << txStart_
          << command2_;
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

// The layout was drawn for narrower faces than the ones a desktop may substitute; a fixed
// caption that would be cut off gets the width its text needs, keeping its place.
void frmMain::fitCaptionsToFont()
{
    QList<QWidget*> captioned;
    for (QLabel* label : client_->findChildren<QLabel*>())
        if (!label->text().isEmpty())
            captioned.append(label);
    for (QRadioButton* option : client_->findChildren<QRadioButton*>())
        if (!option->text().isEmpty())
            captioned.append(option);
    for (QWidget* widget : captioned) {
        const int needed = widget->sizeHint().width();
        if (needed > widget->width())
            widget->resize(needed, widget->height());
    }
}
