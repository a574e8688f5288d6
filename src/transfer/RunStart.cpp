#include "transfer/RunStart.h"

#include "shared/MessageTable.h"
#include "shared/Module1.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <sys/stat.h>

bool FileCanBeOpened(const QString& path)
{
    struct stat status {};
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &status) != 0 || !S_ISREG(status.st_mode))
        return false;
    QFile file(path);
    return file.open(QIODevice::ReadOnly);
}

QString FileTitleOf(const QString& path)
{
    const qsizetype separator = std::max(path.lastIndexOf(QLatin1Char('\\')), path.lastIndexOf(QLatin1Char('/')));
    return path.mid(separator + 1);
}

bool PrepareTransferStart()
{
    Module1.HighSpeedLink = 0;
    if (!FileCanBeOpened(Module1.FilePath)) {
        ShowMessage(Messages::kOpenFile);
        return false;
    }
    Module1.FileTitle = FileTitleOf(Module1.FilePath);
    return true;
}
