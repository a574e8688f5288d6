#include "main/frmMain.h"

#include "link/Protocol.h"
#include "main/PageRecord.h"
#include "shared/MessageBox.h"
#include "shared/Messages.h"
#include "shared/Module1.h"

#include <QLabel>
#include <QPushButton>

namespace {

// Queries one page and fills its row. False ends the check; the failing step has already
// told the operator why.
bool queryPage(frmMain& window, int page)
{
    QString query = QString::fromLatin1(Proto::kPageQuery) + HexField(static_cast<uint32_t>(page - 1), 2);
    setsum(query, Proto::kPageQueryCount);
    Module1.RxCount = 0;
    if (window.link->SendCommand(query) != 0)
        return false;
    if (window.link->WaitReply() != 0)
        return false;
    const std::optional<int16_t> mismatch = CheckReplySum(Proto::kPageRecordBytes);
    if (!mismatch || *mismatch != 0) {
        ShowMessage(QString::fromUtf8(Msg::kCommFault), QString::fromLatin1(Msg::kErr200));
        window.MSComm1->ClearInBuffer();
        return false;
    }
    const PageCaptions captions = CaptionsOf(DecodePageRecord());
    window.Label3(page)->setText(captions.cpu);
    window.Label4(page)->setText(captions.clock);
    window.Label5(page)->setText(captions.name);
    window.Label7(page)->setText(captions.size);
    return true;
}

} // namespace

// The memory check: asks the unit for the record of each page and shows it. Rows of pages
// not reached keep what they showed; the port is closed and the buttons enabled on every way out.
void frmMain::Command2_Click()
{
    Tx_start()->setEnabled(false);
    Command2()->setEnabled(false);

    MSComm1->SetCommPort(Module1.PortNo);
    QString openError;
    if (MSComm1->Open(&openError)) {
        // Always at 9600 bit/s; a failed exchange has shown its message and the queries go on.
        link->SetLineSpeed(9600);
        MSComm1->ClearInBuffer();
        Module1.CommStatus = 0;
        for (int page = 1; page <= 4; ++page)
            if (!queryPage(*this, page))
                break;
    } else {
        ShowMessage(openError, QString::fromLatin1(Msg::kOpenError), MsgButtons::Ok, MsgIcon::Exclamation);
    }

    MSComm1->Close();
    Tx_start()->setEnabled(true);
    Command2()->setEnabled(true);
}
