#include "transfer/CachedGroupBox.h"

#include <QPaintEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionGroupBox>
#include <QTimer>

#include <cmath>

CachedGroupBox::CachedGroupBox(QWidget* parent) : QGroupBox(parent)
{
    updateFill();
}

// The box fills its own background only where that is the window's plain background right
// beneath it: then the window need not paint there, and the copy holds every pixel of the box.
void CachedGroupBox::updateFill()
{
    const QBrush brush = palette().brush(QPalette::Window);
    const QWidget* top = parentWidget();
    const bool plain = brush.style() == Qt::SolidPattern && brush.isOpaque() && top != nullptr &&
                       top->isWindow() && top->palette().brush(QPalette::Window) == brush &&
                       backgroundRole() == QPalette::Window &&
                       qstrcmp(style()->metaObject()->className(), "QStyleSheetStyle") != 0;
    setAutoFillBackground(plain);
}

// A fractional scale places the box at fractions of a pixel, where the window's drawing and
// the copy's may round apart; a check box in the title changes with the pointer over it.
bool CachedGroupBox::copyable() const
{
    const qreal scale = devicePixelRatioF();
    return autoFillBackground() && !isCheckable() && scale == std::floor(scale) && !size().isEmpty();
}

bool CachedGroupBox::copyFits() const
{
    return copyable() && !copy_.isNull() && copy_.devicePixelRatio() == devicePixelRatioF();
}

void CachedGroupBox::paintEvent(QPaintEvent* event)
{
    if (!drawingCopy_ && copyFits() && (event->region() - copyArea_).isEmpty()) {
        const qreal scale = copy_.devicePixelRatio();
        QPainter painter(this);
        for (const QRect& rect : event->region())
            painter.drawImage(rect.topLeft(), copy_, QRect(rect.topLeft() * scale, rect.size() * scale));
        return;
    }
    ++styleDraws_;
    QGroupBox::paintEvent(event);
    if (drawingCopy_)
        return;
    // A box drawn with the style may look different now (a title, a flat frame set without a
    // change event): the copy is made again after this paint, since a widget drawn into an
    // image from inside its own paint would disturb the paint in progress.
    copy_ = QImage();
    if (!copyDue_ && copyable()) {
        copyDue_ = true;
        QTimer::singleShot(0, this, &CachedGroupBox::makeCopy);
    }
}

void CachedGroupBox::makeCopy()
{
    copyDue_ = false;
    if (!copyable())
        return;
    const qreal scale = devicePixelRatioF();
    QImage copy(size() * scale, QImage::Format_ARGB32_Premultiplied);
    copy.setDevicePixelRatio(scale);
    drawingCopy_ = true;
    render(&copy, QPoint(), QRegion(rect()), QWidget::DrawWindowBackground);
    drawingCopy_ = false;

    QStyleOptionGroupBox option;
    initStyleOption(&option);
    const QRect contents = style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxContents, this);
    const QRect label = style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, this);
    copyArea_ = QRegion(contents) - QRegion(label);
    copy_ = std::move(copy);
}

void CachedGroupBox::changeEvent(QEvent* event)
{
    copy_ = QImage();
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange ||
        event->type() == QEvent::ParentChange)
        updateFill();
    QGroupBox::changeEvent(event);
}

void CachedGroupBox::resizeEvent(QResizeEvent* event)
{
    copy_ = QImage();
    QGroupBox::resizeEvent(event);
}
