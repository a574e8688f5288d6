#include "main/frmMain.h"

#include "shared/Module1.h"
#include "transfer/RunStart.h"
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

    Option2_LostFocus(0);
    // Brings the memory view up to date for the page planning; its outcome is not examined.
    Command2_Click();
    Tx_start()->setEnabled(false);
    Command2()->setEnabled(false);

    if (!PrepareTransferStart()) {
        enableAll();
        return;
    }

    frmTx::RunModal(this, *this);

    if (Module1.TxFailed == 0)
        Command2_Click();
    enableAll();
}
