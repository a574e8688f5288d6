#include "support/Ser2Net.h"

#include "link/Rfc2217MSComm.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>

#include <gtest/gtest.h>

uint16_t Ser2Net::FreePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

Ser2Net::Ser2Net(const QString& device, std::optional<Ser2NetTls> tls) : tls_(std::move(tls))
{
    process_.setProcessChannelMode(QProcess::MergedChannels);
    // A free port can be taken by someone else before the server binds it: then another one.
    for (int attempt = 0; attempt < 3 && port_ == 0; ++attempt)
        if (startOn(FreePort(), device))
            return;
    ADD_FAILURE() << "ser2net did not start: " << process_.readAll().toStdString();
}

Ser2Net::~Ser2Net()
{
    Terminate();
}

void Ser2Net::Terminate()
{
    if (process_.state() == QProcess::NotRunning)
        return;
    process_.kill();
    process_.waitForFinished(10000);
}

QString Ser2Net::urlOf(uint16_t port) const
{
    return QStringLiteral("%1://127.0.0.1:%2").arg(tls_ ? QLatin1String("rfc2217+tls") : QLatin1String("rfc2217")).arg(port);
}

bool Ser2Net::writeConfig(const QString& path, uint16_t port, const QString& device) const
{
    QString accepter = QStringLiteral("telnet(rfc2217),tcp,127.0.0.1,%1").arg(port);
    QString options = QStringLiteral("    chardelay: false\n");
    if (tls_) {
        accepter = QStringLiteral("telnet(rfc2217),ssl(key=%1,cert=%2%3),tcp,127.0.0.1,%4")
                       .arg(tls_->key, tls_->cert, tls_->clientAuth ? QStringLiteral(",clientauth") : QString())
                       .arg(port);
        if (!tls_->authDir.isEmpty())
            options += QStringLiteral("    authdir: %1\n").arg(tls_->authDir);
    }
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(QStringLiteral("connection: &unit\n"
                                     "  accepter: %1\n"
                                     "  connector: serialdev,%2,9600n81,local\n"
                                     "  options:\n%3")
                          .arg(accepter, device, options)
                          .toUtf8()) > 0;
}

bool Ser2Net::startOn(uint16_t port, const QString& device)
{
    const QString config = dir_.filePath(QStringLiteral("ser2net.yaml"));
    if (!writeConfig(config, port, device))
        return false;
    Terminate();
    // -n: never detach; -u: no lock files left behind by a killed server.
    process_.start(QStringLiteral("ser2net"), {QStringLiteral("-n"), QStringLiteral("-u"), QStringLiteral("-P"),
                                               dir_.filePath(QStringLiteral("ser2net.pid")), QStringLiteral("-c"),
                                               config});
    if (!process_.waitForStarted(10000))
        return false;
    // Until it answers, each try waits a moment on the process itself, which ends that wait at
    // once if the server gives up.
    const QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired() && process_.state() == QProcess::Running) {
        if (answers(port)) {
            port_ = port;
            return true;
        }
        process_.waitForFinished(20);
    }
    Terminate();
    return false;
}

// Ready once a whole opening of its port succeeds. Half a connection would not do: the server
// holds its port for a while after a client that hung up before the option negotiation, and
// would refuse the test's own client as busy. Inside TLS the port is held only from the end of
// the handshake on, which the certificates a test gives this server may never let come about:
// there the listening port is enough.
bool Ser2Net::answers(uint16_t port) const
{
    if (tls_) {
        QTcpSocket probe;
        probe.connectToHost(QStringLiteral("127.0.0.1"), port);
        return probe.waitForConnected(1000);
    }
    Rfc2217MSComm probe;
    probe.SetDevice(urlOf(port));
    QString error;
    if (!probe.Open(&error))
        return false;
    probe.Close();
    return true;
}
