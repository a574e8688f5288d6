#include "support/Ser2Net.h"

#include "link/Rfc2217MSComm.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QTcpServer>

#include <gtest/gtest.h>

uint16_t Ser2Net::FreePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

Ser2Net::Ser2Net(const QString& device)
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

bool Ser2Net::startOn(uint16_t port, const QString& device)
{
    const QString config = dir_.filePath(QStringLiteral("ser2net.yaml"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    file.write(QStringLiteral("connection: &unit\n"
                              "  accepter: telnet(rfc2217),tcp,127.0.0.1,%1\n"
                              "  connector: serialdev,%2,9600n81,local\n"
                              "  options:\n"
                              "    chardelay: false\n")
                   .arg(port)
                   .arg(device)
                   .toUtf8());
    file.close();
    Terminate();
    // -n: never detach; -u: no lock files left behind by a killed server.
    process_.start(QStringLiteral("ser2net"), {QStringLiteral("-n"), QStringLiteral("-u"), QStringLiteral("-P"),
                                               dir_.filePath(QStringLiteral("ser2net.pid")), QStringLiteral("-c"),
                                               config});
    if (!process_.waitForStarted(10000))
        return false;
    // Ready once a whole opening of its port succeeds. Half a connection would not do: the
    // server holds its port for a while after a client that hung up before the option
    // negotiation, and would refuse the test's own client as busy. Until then each try waits a
    // moment on the process itself, which ends that wait at once if the server gives up.
    const QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired() && process_.state() == QProcess::Running) {
        Rfc2217MSComm probe;
        probe.SetDevice(QStringLiteral("rfc2217://127.0.0.1:%1").arg(port));
        QString error;
        if (probe.Open(&error)) {
            probe.Close();
            port_ = port;
            return true;
        }
        process_.waitForFinished(20);
    }
    Terminate();
    return false;
}
