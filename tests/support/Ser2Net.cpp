#include "support/Ser2Net.h"

#include <QFile>

Ser2Net::Ser2Net(const QString& device, const std::optional<Ser2NetTls>& tls) : DeviceServer(tls.has_value())
{
    const QString config = dir_.filePath(QStringLiteral("ser2net.yaml"));
    start(QStringLiteral("ser2net"), [&](uint16_t port) {
        QString accepter = QStringLiteral("telnet(rfc2217),tcp,127.0.0.1,%1").arg(port);
        QString options = QStringLiteral("    chardelay: false\n");
        if (tls) {
            accepter = QStringLiteral("telnet(rfc2217),ssl(key=%1,cert=%2%3),tcp(nodelay),127.0.0.1,%4")
                           .arg(tls->key, tls->cert, tls->clientAuth ? QStringLiteral(",clientauth") : QString())
                           .arg(port);
            options += QStringLiteral("    authdir: %1\n").arg(tls->authDir);
        }
        QFile file(config);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(QStringLiteral("connection: &unit\n  accepter: %1\n  connector: serialdev,%2,9600n81,local\n"
                                      "  options:\n%3")
                           .arg(accepter, device, options)
                           .toUtf8());
        // -n: never detach; -u: no lock files left behind by a killed server.
        return QStringList{"-n", "-u", "-P", dir_.filePath(QStringLiteral("ser2net.pid")), "-c", config};
    });
}
