#include "shared/Module1.h"

Module1Record Module1;

void ResetModule1()
{
    Module1.FilePath.clear();
    Module1.FileTitle.clear();
    Module1.ClockMHz = 0;
    Module1.PortNo = 0;
    Module1.PageNo = 0;
    Module1.CpuIndex = 0;
    Module1.SpeedIndex = 0;
    Module1.CommStatus = 0;
    Module1.HighSpeedLink = 0;
    Module1.RxBytes.fill(0);
    Module1.RxCount = 0;
    Module1.BinaryRx = 0;
    Module1.CancelRequest = 0;
    Module1.TxFailed = 0;
    Module1.ImageBuf.fill(0);
}
