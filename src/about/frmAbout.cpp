#include "about/frmAbout.h"

#include "shared/Placement.h"
#include "shared/Twips.h"
#include "shared/Version.h"

#include <QApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

namespace {

// Client area and control positions in twips.
constexpr int kWidth = 5730;
constexpr int kHeight = 3195;
constexpr int kIconSizePixels = 32;

// One half of the etched separator: a one-pixel line in a colour of the palette.
void separatorLine(QWidget* parent, const QString& name, int left, int top, QPalette::ColorRole colour)
{
    auto* line = Place<QFrame>(parent, name, left, top, 5310, kTwipsPerPixel);
    QPalette palette = line->palette();
    palette.setColor(QPalette::Window, palette.color(colour));
    line->setPalette(palette);
    line->setAutoFillBackground(true);
}

} // namespace

frmAbout::frmAbout(QWidget* owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報 "));
    setModal(true);
    setFixedSize(TwipsRect(0, 0, kWidth, kHeight).size());

    picIcon_ = Place<QLabel>(this, QStringLiteral("picIcon"), 240, 240, 480, 480);
    const QIcon icon = owner != nullptr ? owner->windowIcon() : QApplication::windowIcon();
    picIcon_->setPixmap(icon.pixmap(kIconSizePixels, kIconSizePixels));

    lblTitle_ = Place<QLabel>(this, QStringLiteral("lblTitle"), 1050, 240, 3885, 480);
    QFont titleFont = lblTitle_->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.5);
    titleFont.setBold(true);
    lblTitle_->setFont(titleFont);
    lblVersion_ = Place<QLabel>(this, QStringLiteral("lblVersion"), 1050, 780, 3885, 225);

    separatorLine(this, QStringLiteral("Line1(0)"), 225, 1687, QPalette::Dark);
    separatorLine(this, QStringLiteral("Line1(1)"), 225, 1702, QPalette::Light);

    cmdOK_ = Place<QPushButton>(this, QStringLiteral("cmdOK"), 4245, 2625, 1260, 345);
    cmdOK_->setText(QStringLiteral("OK"));
    cmdOK_->setDefault(true);
    connect(cmdOK_, &QPushButton::clicked, this, [this] { cmdOK_Click(); });

    Form_Load();
}

void frmAbout::Form_Load()
{
    lblVersion_->setText(
        QStringLiteral("Version %1.%2.%3").arg(kVersionMajor).arg(kVersionMinor).arg(kVersionRevision));
    lblTitle_->setText(QLatin1String(kAppTitle));
}

void frmAbout::cmdOK_Click()
{
    accept();
}

// OK is the cancel button as well: Escape presses it.
void frmAbout::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        cmdOK_->click();
        return;
    }
    QDialog::keyPressEvent(event);
}
