#include "main/frmMain.h"

#include "shared/MessageBox.h"
#include "shared/MessageTable.h"
#include "shared/Module1.h"
#include "transfer/ImageLoading.h"
#include "transfer/frmTx.h"

#include <QPushButton>

void frmMain::Tx_start_Click()
{
    const auto enableAll = [this] {
        setEnabled(true);
        Tx_start()->setEnabled(true);
        Command2()->setEnabled(true);
    };
    setEnabled(false);
    Tx_start()->setEnabled(false);
    Command2()->setEnabled(false);

    Module1.HighSpeedLink = 0;
    Option2_LostFocus(0);
    // Brings the memory view up to date for the page planning; its outcome is not examined.
    Command2_Click();
    Tx_start()->setEnabled(false);
    Command2()->setEnabled(false);

    if (!FileCanBeOpened(Module1.FilePath)) {
        ShowMessage(Messages::kOpenFile);
        enableAll();
        return;
    }
    Module1.FileTitle = FileTitleOf(Module1.FilePath);

    frmTx::RunModal(this, *this);

    if (Module1.TxFailed == 0)
        Command2_Click();
    enableAll();
}
