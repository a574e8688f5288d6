#pragma once

#include <QGroupBox>
#include <QImage>
#include <QRegion>

// A group box that keeps a copy of its own drawing (its background and frame, not its
// children) and repaints its inside from that copy. The transfer meter's bar and percentage
// repaint over a hundred times a run, and each time the style would lay out the title and draw
// the whole frame again behind them, more work than the bar's own drawing.
//
// Only what cannot differ is copied. The title is always drawn afresh: text drawn on an image
// may be smoothed differently from text drawn on the window. Any change of the box drops the
// copy, and Qt repaints the whole box for it; the copy is made again after such a repaint. It
// is not used at all where it could not match the window's own painting pixel for pixel (a
// patterned or translucent background, a style sheet, a fractional scale, a check box in the
// title).
class CachedGroupBox : public QGroupBox {
    Q_OBJECT

public:
    explicit CachedGroupBox(QWidget* parent = nullptr);

    // How often the style drew the box, for the copy or on the window: what a test watches.
    int StyleDraws() const { return styleDraws_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    bool copyable() const;
    bool copyFits() const;
    void updateFill();
    void makeCopy();

    QImage copy_;
    QRegion copyArea_; // where the copy may stand in, in the box's coordinates
    int styleDraws_ = 0;
    bool drawingCopy_ = false;
    bool copyDue_ = false;
};
