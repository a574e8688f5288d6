// Start-up restores the operator's last choices and the window's place from the settings
// store; shut-down saves them back. Nothing is read or written in between.
#include "link/Protocol.h"
#include "main/ClockText.h"
#include "main/DeviceCatalogue.h"
#include "main/frmMain.h"
#include "shared/Module1.h"
#include "shared/SavedChoices.h"
#include "shared/Settings.h"
#include "shared/Twips.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QRadioButton>

#include <algorithm>
#include <cmath>

namespace {

constexpr float kDefaultLeft = 1000;
constexpr float kDefaultTop = 1000;
constexpr float kDefaultWidth = 6495;
constexpr float kDefaultHeight = 4920;

// The design's client area and the allowance for border, caption and menu bar that the
// stored outer size adds to it. Counting the outer size this way, not by what a desktop's
// title bar happens to measure, keeps the stored size meaning the same client area on every
// desktop and a saved size reading back unchanged.
constexpr int kClientWidthTwips = 6375;
constexpr int kClientHeightTwips = 4230;
constexpr int kFrameAllowanceWidthTwips = static_cast<int>(kDefaultWidth) - kClientWidthTwips;
constexpr int kFrameAllowanceHeightTwips = static_cast<int>(kDefaultHeight) - kClientHeightTwips;

// The window system's coordinate range; a stored value beyond it is taken as its limit.
constexpr double kMaxCoordinatePixels = 32767;

int pixelsWithin(double twips, double lowest, double highest)
{
    return static_cast<int>(std::lround(std::clamp(twips / kTwipsPerPixel, lowest, highest)));
}

float readSingle(const SettingsStore& store, const QString& key, float fallback)
{
    return ParseStoredSingle(store.GetSetting(key, FormatSingle(fallback)), fallback);
}

} // namespace

void frmMain::applyDesignSize()
{
    setOuterSizeTwips(kDefaultWidth, kDefaultHeight);
}

// The outer size less the allowance is the client area. The operator cannot resize the
// window, so the size is fixed here.
void frmMain::setOuterSizeTwips(double width, double height)
{
    const QSize client(pixelsWithin(width - kFrameAllowanceWidthTwips, 0, kMaxCoordinatePixels),
                       pixelsWithin(height - kFrameAllowanceHeightTwips, 0, kMaxCoordinatePixels));
    client_->setFixedSize(client);
    setFixedSize(client.width(), client.height() + menuBar()->sizeHint().height());
}

QSize frmMain::OuterSizeTwips() const
{
    return QSize(static_cast<int>(PixelsToTwips(client_->width())) + kFrameAllowanceWidthTwips,
                 static_cast<int>(PixelsToTwips(client_->height())) + kFrameAllowanceHeightTwips);
}

void frmMain::Form_Load()
{
    const SettingsStore store;
    const float left = readSingle(store, SettingKey::MainLeft, kDefaultLeft);
    const float top = readSingle(store, SettingKey::MainTop, kDefaultTop);
    const float width = readSingle(store, SettingKey::MainWidth, kDefaultWidth);
    const float height = readSingle(store, SettingKey::MainHeight, kDefaultHeight);
    // Left and top place the frame, as moving a window does.
    restoredPixels_ = QPoint(pixelsWithin(left, -kMaxCoordinatePixels, kMaxCoordinatePixels),
                             pixelsWithin(top, -kMaxCoordinatePixels, kMaxCoordinatePixels));
    restoredLeftTwips_ = left;
    restoredTopTwips_ = top;
    move(restoredPixels_);
    setOuterSizeTwips(width, height);

    ApplyChoices(ReadSavedChoices(store), Module1);

    for (int n = 1; n <= Proto::kPortCount; ++n)
        combo1_->addItem(Proto::PortName(n));
    if (Module1.PortNo >= 1 && Module1.PortNo <= Proto::kPortCount) {
        setCombo1Text(Proto::PortName(Module1.PortNo));
    } else {
        setCombo1Text(Proto::PortName(1));
        Module1.PortNo = 1;
    }

    combo2_->addItems(CpuListNames());
    // A code the list does not offer selects nothing.
    combo2_->setCurrentIndex(combo2_->findText(CpuNameOf(Module1.CpuIndex)));

    // Selecting a page option commits it, deriving the same PageNo again.
    if (Module1.PageNo >= 0 && Module1.PageNo <= 3) {
        option1_[static_cast<size_t>(Module1.PageNo)]->setChecked(true);
    } else if (Module1.PageNo == kPageThru) {
        option1_[4]->setChecked(true);
    } else {
        option1_[0]->setChecked(true);
        Module1.PageNo = 0;
    }

    // Any other speed selects neither option and stays as read until the operator commits one.
    if (Module1.SpeedIndex == 0)
        option2_[0]->setChecked(true);
    else if (Module1.SpeedIndex == 1)
        option2_[1]->setChecked(true);

    text2_->setText(Module1.FilePath);
    text1_->setText(FormatClock(Module1.ClockMHz));

    for (int page = 1; page <= Proto::kPageCount; ++page) {
        Label3(page)->clear();
        Label4(page)->clear();
        Label5(page)->clear();
        Label7(page)->clear();
    }

    Module1.BinaryRx = 0;
    Module1.HighSpeedLink = 0;
}

void frmMain::Form_Unload(int& /*Cancel*/)
{
    closeOtherWindows();
    {
        SettingsStore store;
        // A minimised window has no position worth keeping; the previous one stays.
        if (!isMinimized()) {
            const QPoint frameTopLeft = frameGeometry().topLeft();
            const QSize outer = OuterSizeTwips();
            const bool unmoved = frameTopLeft == restoredPixels_;
            const float left = unmoved ? restoredLeftTwips_ : static_cast<float>(PixelsToTwips(frameTopLeft.x()));
            const float top = unmoved ? restoredTopTwips_ : static_cast<float>(PixelsToTwips(frameTopLeft.y()));
            store.SaveSetting(SettingKey::MainLeft, FormatSingle(left));
            store.SaveSetting(SettingKey::MainTop, FormatSingle(top));
            store.SaveSetting(SettingKey::MainWidth, FormatSingle(static_cast<float>(outer.width())));
            store.SaveSetting(SettingKey::MainHeight, FormatSingle(static_cast<float>(outer.height())));
        }
        WriteSavedChoices(store, ChoicesOf(Module1));
    }
    hide();
    processEnd_();
}

// The transfer window and the about box are modal and stack up: the active modal window is
// the one opened last, so closing them in that order unwinds the stack.
void frmMain::closeOtherWindows()
{
    while (QWidget* modal = QApplication::activeModalWidget()) {
        if (modal == this || !modal->close() || modal->isVisible())
            break;
    }
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
        if (*it != this && (*it)->isVisible())
            (*it)->close();
    }
}
