#include "link/PortLock.h"

#include <QFileInfo>

QString LockedPortName(const QString& device)
{
    const QString canonical = QFileInfo(device).canonicalFilePath();
    return canonical.isEmpty() ? device : canonical;
}
