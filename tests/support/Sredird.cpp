#include "support/Sredird.h"

Sredird::Sredird(const QString& device) : DeviceServer(false)
{
    const QString lock = dir_.filePath(QStringLiteral("LCK..unit"));
    // Log level 5, syslog's "notice": only its faults are logged.
    start(QStringLiteral("socat"), [&](uint16_t port) {
        return QStringList{QStringLiteral("TCP-LISTEN:%1,bind=127.0.0.1,fork,reuseaddr").arg(port),
                           QStringLiteral("EXEC:sredird 5 %1 %2").arg(device, lock)};
    });
}
