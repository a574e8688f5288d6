#include "about/frmAbout.h"
#include "main/frmMain.h"

void frmMain::mnuFileexit_Click()
{
    int cancel = 0;
    Form_Unload(cancel);
}

void frmMain::mnuHelpAbout_Click()
{
    frmAbout box(this);
    box.exec();
}
