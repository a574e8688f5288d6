#include "support/DeviceServer.h"

#include "link/Rfc2217MSComm.h"

#include <QDeadlineTimer>
#include <QTcpServer>
#include <QTcpSocket>

#include <gtest/gtest.h>

uint16_t DeviceServer::FreePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

DeviceServer::~DeviceServer()
{
    Terminate();
}

void DeviceServer::Terminate()
{
    if (process_.state() == QProcess::NotRunning)
        return;
    process_.kill();
    process_.waitForFinished(10000);
}

QString DeviceServer::urlOf(uint16_t port) const
{
    return QStringLiteral("%1://127.0.0.1:%2").arg(tls_ ? QLatin1String("rfc2217+tls") : QLatin1String("rfc2217")).arg(port);
}

void DeviceServer::start(const QString& program, const std::function<QStringList(uint16_t port)>& arguments)
{
    process_.setProcessChannelMode(QProcess::MergedChannels);
    for (int attempt = 0; attempt < 3; ++attempt) {
        const uint16_t port = FreePort();
        Terminate();
        process_.start(program, arguments(port));
        if (!process_.waitForStarted(10000))
            break;
        // Until it answers, each try waits a moment on the process itself, which ends that wait
        // at once if the server gives up.
        const QDeadlineTimer deadline(10000);
        while (!deadline.hasExpired() && process_.state() == QProcess::Running) {
            if (answers(port)) {
                port_ = port;
                return;
            }
            process_.waitForFinished(20);
        }
    }
    ADD_FAILURE() << program.toStdString() << " did not start: " << process_.readAll().toStdString();
    Terminate();
}

// Ready once a whole opening of its port succeeds. Half a connection would not do: ser2net holds
// its port for a while after a client that hung up before the option negotiation, and would
// refuse the test's own client as busy. Inside TLS the port is held only from the end of the
// handshake on: there the listening port is enough.
bool DeviceServer::answers(uint16_t port) const
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
