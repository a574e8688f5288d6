// The transfer meter's frame repaints its inside from a copy of its own drawing: the window
// must look exactly as with a plain group box, through every repaint and every change of what
// the frame's drawing depends on.
#include "transfer/CachedGroupBox.h"
#include "transfer/HiddenTextProgressBar.h"

#include <QApplication>
#include <QBackingStore>
#include <QLabel>
#include <QWidget>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

// The transfer window's meter: a titled frame holding a bar and a percentage.
struct Meter {
    QWidget window;
    QGroupBox* frame = nullptr;
    QProgressBar* bar = nullptr;
    QLabel* label = nullptr;

    template <class Frame>
    static std::unique_ptr<Meter> Make(int left)
    {
        auto meter = std::make_unique<Meter>();
        meter->window.setGeometry(left, 0, 317, 119);
        meter->frame = new Frame(&meter->window);
        meter->frame->setGeometry(8, 16, 305, 53);
        meter->frame->setTitle(QStringLiteral("転送ﾒｰﾀｰ"));
        meter->bar = new HiddenTextProgressBar(meter->frame);
        meter->bar->setGeometry(8, 20, 249, 21);
        meter->bar->setTextVisible(false);
        meter->bar->setRange(0, 16384);
        meter->label = new QLabel(QStringLiteral("0%"), meter->frame);
        meter->label->setGeometry(272, 24, 25, 17);
        meter->window.show();
        return meter;
    }

    // What the window holds on screen: its backing store, with only what was repainted redrawn;
    // with `settled`, once the repaints due have been made.
    QImage OnScreen(bool settled = true) const
    {
        if (settled)
            QApplication::processEvents();
        QBackingStore* store = window.backingStore();
        if (store == nullptr || store->paintDevice()->devType() != QInternal::Image)
            return {};
        return static_cast<QImage*>(store->paintDevice())->copy();
    }
};

// One change made alike to both windows, named for the failure message.
struct Change {
    const char* what;
    std::function<void(Meter&)> change;
};

class CachedGroupBoxTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Fresh();
        ASSERT_FALSE(plain_->OnScreen().isNull()) << "the platform gives no image backing store";
    }

    void Fresh()
    {
        plain_ = Meter::Make<QGroupBox>(0);
        cached_ = Meter::Make<CachedGroupBox>(400);
    }

    // Applies the same change to both windows and compares what they show.
    void ExpectSameAfter(const char* what, const std::function<void(Meter&)>& change, bool settled = true)
    {
        change(*plain_);
        change(*cached_);
        const QImage plain = plain_->OnScreen(settled);
        const QImage cached = cached_->OnScreen(settled);
        ASSERT_EQ(cached.size(), plain.size()) << what;
        int differing = 0;
        for (int y = 0; y < plain.height(); ++y)
            for (int x = 0; x < plain.width(); ++x)
                differing += cached.pixel(x, y) != plain.pixel(x, y) ? 1 : 0;
        EXPECT_EQ(differing, 0) << what << (settled ? "" : ", before the repaints due");
    }

    int StyleDraws() const { return static_cast<CachedGroupBox*>(cached_->frame)->StyleDraws(); }

    std::unique_ptr<Meter> plain_;
    std::unique_ptr<Meter> cached_;
};

TEST_F(CachedGroupBoxTest, BarRepaintsCopyTheFrameAndShowTheSamePixels)
{
    ExpectSameAfter("shown", [](Meter&) {});
    const int drawsBefore = StyleDraws();
    // Every value a pixel apart repaints the bar; the label changes now and then.
    for (int value = 0; value <= 16384; value += 70) {
        ExpectSameAfter("bar", [value](Meter& m) {
            m.bar->setValue(value);
            if (value % 1400 == 0)
                m.label->setText(QString::number(value / 164) + QLatin1Char('%'));
        });
        if (HasFailure())
            break;
    }
    EXPECT_EQ(StyleDraws(), drawsBefore) << "the bar's repaints drew the frame with the style again";
    EXPECT_TRUE(cached_->frame->autoFillBackground());
}

// Text drawn on an image may be smoothed unlike text drawn on the window: the title never comes
// from the copy.
TEST_F(CachedGroupBoxTest, TheTitleIsAlwaysDrawnWithTheStyle)
{
    ExpectSameAfter("shown", [](Meter&) {});
    cached_->bar->setValue(700);
    const int drawsBefore = StyleDraws();
    cached_->frame->repaint(QRect(0, 0, cached_->frame->width(), cached_->frame->fontMetrics().height() / 2));
    EXPECT_EQ(StyleDraws(), drawsBefore + 1);
}

// After each change the frame is drawn afresh, even where the bar repaints at once, before the
// repaint the change itself asked for; a copy made then serves the repaints after.
TEST_F(CachedGroupBoxTest, EveryChangeOfTheFramesLookIsDrawnAfresh)
{
    const Change changes[] = {
        {"title", [](Meter& m) { m.frame->setTitle(QStringLiteral("Meter")); }},
        {"disabled", [](Meter& m) { m.frame->setEnabled(false); }},
        {"enabled", [](Meter& m) { m.frame->setEnabled(true); }},
        {"font", [](Meter& m) { m.frame->setFont(QFont(QStringLiteral("Sans"), 14)); }},
        {"size, through the bar", [](Meter& m) { m.frame->resize(240, 60); }},
        {"flat", [](Meter& m) { m.frame->setFlat(true); }},
        {"centred title", [](Meter& m) { m.frame->setAlignment(Qt::AlignHCenter); }},
        {"right to left", [](Meter& m) { m.window.setLayoutDirection(Qt::RightToLeft); }},
        {"window colour", [](Meter& m) {
             QPalette palette = m.window.palette();
             palette.setColor(QPalette::Window, QColor(0xC0, 0xD8, 0xF0));
             palette.setColor(QPalette::WindowText, Qt::darkBlue);
             m.window.setPalette(palette);
         }},
    };
    int value = 0;
    for (const auto& change : changes) {
        value += 1400;
        // The first repaint of the bar paints the whole frame the change marked; the second
        // comes before the copy can be made again.
        ExpectSameAfter(
            change.what,
            [&change, value](Meter& m) {
                change.change(m);
                m.bar->setValue(value - 700);
                m.bar->setValue(value);
            },
            false);
        ExpectSameAfter(change.what, [](Meter&) {});
        for (int n = 0; n < 3; ++n) {
            value += 700;
            ExpectSameAfter(change.what, [value](Meter& m) { m.bar->setValue(value); });
        }
    }
}

// Where the window's plain painting could not be copied, the frame paints as a plain one.
// Each case on a fresh pair of windows.
TEST_F(CachedGroupBoxTest, BackgroundsACopyCannotMatchArePaintedAsUsual)
{
    const Change changes[] = {
        {"patterned window", [](Meter& m) {
             QPalette palette = m.window.palette();
             palette.setBrush(QPalette::Window, QBrush(Qt::gray, Qt::Dense4Pattern));
             m.window.setPalette(palette);
         }},
        {"own colour", [](Meter& m) {
             QPalette palette = m.window.palette();
             palette.setColor(QPalette::Window, Qt::white);
             m.window.setPalette(palette);
             palette.setColor(QPalette::Window, QColor(0, 0, 255, 80));
             m.frame->setPalette(palette);
         }},
        {"style sheet", [](Meter& m) { m.window.setStyleSheet(QStringLiteral("QGroupBox { border: 2px solid red; }")); }},
        {"on a panel filled in another colour of the same palette", [](Meter& m) {
             auto* panel = new QWidget(&m.window);
             panel->setGeometry(m.window.rect());
             panel->setBackgroundRole(QPalette::Base);
             panel->setAutoFillBackground(true);
             m.frame->setParent(panel);
             m.frame->move(8, 16);
             panel->show();
             m.frame->show();
         }},
    };
    for (const auto& change : changes) {
        Fresh();
        int value = 0;
        ExpectSameAfter(change.what, change.change);
        EXPECT_FALSE(cached_->frame->autoFillBackground()) << change.what;
        for (int n = 0; n < 3; ++n) {
            value += 900;
            ExpectSameAfter(change.what, [value](Meter& m) { m.bar->setValue(value); });
        }
    }
}

} // namespace
