#include "main/frmMain.h"

#include "main/PageReading.h"

#include <QLabel>
#include <QPushButton>

// The memory check: asks the unit for the record of each page and shows it as it arrives. Rows
// of pages not reached keep what they showed; the buttons are enabled again on every way out.
void frmMain::Command2_Click()
{
    Tx_start()->setEnabled(false);
    Command2()->setEnabled(false);

    ReadPageRecords(*MSComm1, *link, [this](int page, const PageInfo& info) {
        const PageCaptions captions = CaptionsOf(info);
        Label3(page)->setText(captions.cpu);
        Label4(page)->setText(captions.clock);
        Label5(page)->setText(captions.name);
        Label7(page)->setText(captions.size);
    });

    Tx_start()->setEnabled(true);
    Command2()->setEnabled(true);
}
