#pragma once

#include <QProgressBar>

// A progress bar that formats no text while its text is hidden. QProgressBar::setValue compares
// the formatted text before and after to decide whether to repaint, which costs more than the
// rest of a block's handling; with no text the decision falls back to the filled width. The
// accessible value still comes from value().
class HiddenTextProgressBar : public QProgressBar {
public:
    using QProgressBar::QProgressBar;

    QString text() const override { return isTextVisible() ? QProgressBar::text() : QString(); }
};
