// The file to transfer: typed into Text2 or chosen through the browse button. FilePath follows
// the field only at Enter and at focus loss.
#include "main/frmMain.h"
#include "shared/Module1.h"

#include <QLineEdit>

void frmMain::Command1_Click()
{
    const std::optional<QString> chosen = fileChooser_(lastDialogName_);
    // Cancelling keeps the file the operator had; only a choice replaces it.
    if (!chosen)
        return;
    lastDialogName_ = *chosen;
    Module1.FilePath = *chosen;
    text2_->setText(*chosen);
}

void frmMain::Text2_KeyPress(int& KeyAscii)
{
    if (KeyAscii != kKeyAsciiEnter)
        return;
    KeyAscii = 0;
    Module1.FilePath = text2_->text();
    moveFocusToTxStart();
}

void frmMain::Text2_LostFocus()
{
    Module1.FilePath = text2_->text();
}
