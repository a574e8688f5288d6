#include "main/SingleInstance.h"

#include "shared/MessageTable.h"
#include "shared/Version.h"

#include <QStandardPaths>

SingleInstance::SingleInstance() : SingleInstance(DefaultLockPath()) {}

SingleInstance::SingleInstance(const QString& lockPath) : lock_(lockPath)
{
    // Never stale by age: only a lock whose process has ended is taken over.
    lock_.setStaleLockTime(0);
}

bool SingleInstance::Acquire()
{
    if (lock_.tryLock(0))
        return true;
    return lock_.error() != QLockFile::LockFailedError;
}

QString SingleInstance::DefaultLockPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) + QLatin1Char('/') +
           QLatin1String(kAppTitle) + QStringLiteral(".lock");
}

bool RefuseSecondInstance(SingleInstance& guard)
{
    if (guard.Acquire())
        return false;
    ShowMessage(Messages::kAlreadyRunning);
    return true;
}
