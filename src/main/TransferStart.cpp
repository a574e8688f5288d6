#include "main/frmMain.h"

#include "shared/MessageBox.h"
#include "shared/MessageTable.h"
#include "shared/Module1.h"
#include "transfer/frmTx.h"

#include <QFile>
#include <QFileInfo>
#include <QPushButton>

#include <algorithm>

namespace {

// The file-name part of a path as the unit records it: after the last separator, "\" as the
// unit's own tools write paths, "/" as this system does.
QString fileTitleOf(const QString& path)
{
    const qsizetype separator = std::max(path.lastIndexOf(QLatin1Char('\\')), path.lastIndexOf(QLatin1Char('/')));
    return path.mid(separator + 1);
}

bool fileCanBeOpened(const QString& path)
{
    if (path.isEmpty() || QFileInfo(path).isDir())
        return false;
    QFile file(path);
    return file.open(QIODevice::ReadOnly); // closed again at once; nothing is read
}

} // namespace

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

    if (!fileCanBeOpened(Module1.FilePath)) {
        ShowMessage(Messages::kOpenFile);
        enableAll();
        return;
    }
    Module1.FileTitle = fileTitleOf(Module1.FilePath);

    frmTx::RunModal(this, *this);

    if (Module1.TxFailed == 0)
        Command2_Click();
    enableAll();
}
