// The operator's choices: each control commits into Module1 on focus loss or Enter (the page
// options also at once on selection), and Enter moves on to the transfer button.
#include "main/ClockText.h"
#include "main/DeviceCatalogue.h"
#include "link/Protocol.h"
#include "main/frmMain.h"
#include "shared/Module1.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace {

constexpr int kThruOption = 4;

// 1..8 for exactly "Com1".."Com8", letter case included; 1 for any other text.
int16_t portNoOf(const QString& text)
{
    for (int16_t n = 1; n <= Proto::kPortCount; ++n) {
        if (text == Proto::PortName(n))
            return n;
    }
    return 1;
}

} // namespace

// Enter in a choice that commits on focus loss: the key goes no further and the focus moves
// on, which commits.
void frmMain::enterMovesToTxStart(int& KeyAscii)
{
    if (KeyAscii != kKeyAsciiEnter)
        return;
    KeyAscii = 0;
    moveFocusToTxStart();
}

void frmMain::Combo1_Change()
{
    Module1.PortNo = portNoOf(combo1_->currentText());
    setCombo1Text(Proto::PortName(Module1.PortNo));
}

// Setting the port selector's text counts as a change of it: when the text really changes,
// the commit runs again on the new text (which is then a valid name and stays).
void frmMain::setCombo1Text(const QString& text)
{
    if (combo1_->currentText() == text)
        return;
    const int entry = combo1_->findText(text);
    if (entry >= 0)
        combo1_->setCurrentIndex(entry);
    combo1_->setEditText(text);
    Combo1_Change();
}

void frmMain::Combo1_LostFocus()
{
    Combo1_Change();
}

void frmMain::Combo1_KeyPress(int& KeyAscii)
{
    enterMovesToTxStart(KeyAscii);
}

void frmMain::Combo2_Change()
{
    Module1.CpuIndex = CpuCodeOf(combo2_->currentText());
    // A name the list does not offer leaves the selector as it is.
    const int entry = combo2_->findText(CpuNameOf(Module1.CpuIndex));
    if (entry >= 0)
        combo2_->setCurrentIndex(entry);
}

void frmMain::Combo2_LostFocus()
{
    Combo2_Change();
}

void frmMain::Combo2_KeyPress(int& KeyAscii)
{
    enterMovesToTxStart(KeyAscii);
}

void frmMain::Text1_LostFocus()
{
    // The field shows the clock rounded to four decimals. Reading that display back would
    // throw away the digits the operator typed (Enter commits, and the focus moving on commits
    // again), so a text that is just the display of a valid clock leaves the clock as it is.
    const QString text = text1_->text();
    const bool showsCurrentClock = Module1.ClockMHz >= 0 && Module1.ClockMHz <= kMaxClockMHz &&
                                   text == FormatClock(Module1.ClockMHz);
    if (!showsCurrentClock)
        Module1.ClockMHz = ClockFromText(text);
    text1_->setText(FormatClock(Module1.ClockMHz));
}

void frmMain::Text1_KeyPress(int& KeyAscii)
{
    if (KeyAscii != kKeyAsciiEnter)
        return;
    KeyAscii = 0;
    Text1_LostFocus();
    moveFocusToTxStart();
}

void frmMain::Option1_Click(int Index)
{
    Option1_LostFocus(Index);
}

void frmMain::Option1_LostFocus(int /*Index*/)
{
    for (int i = 0; i < static_cast<int>(option1_.size()); ++i) {
        if (option1_[static_cast<size_t>(i)]->isChecked()) {
            Module1.PageNo = i == kThruOption ? kPageThru : static_cast<int16_t>(i);
            return;
        }
    }
}

void frmMain::Option1_KeyPress(int /*Index*/, int& KeyAscii)
{
    enterMovesToTxStart(KeyAscii);
}

void frmMain::Option2_LostFocus(int /*Index*/)
{
    if (option2_[0]->isChecked())
        Module1.SpeedIndex = 0;
    else if (option2_[1]->isChecked())
        Module1.SpeedIndex = 1;
}

void frmMain::Option2_KeyPress(int /*Index*/, int& KeyAscii)
{
    enterMovesToTxStart(KeyAscii);
}
