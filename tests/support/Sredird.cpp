#include "support/Sredird.h"

#include "link/Rfc2217MSComm.h"
#include "support/Ser2Net.h"

#include <QDeadlineTimer>

#include <gtest/gtest.h>

namespace {

// sredird's log level: syslog's "notice", so that only its faults are logged.
constexpr const char* kLogLevel = "5";

} // namespace

Sredird::Sredird(const QString& device)
{
    listener_.setProcessChannelMode(QProcess::MergedChannels);
    for (int attempt = 0; attempt < 3 && port_ == 0; ++attempt)
        if (startOn(Ser2Net::FreePort(), device))
            return;
    ADD_FAILURE() << "socat and sredird did not start: " << listener_.readAll().toStdString();
}

Sredird::~Sredird()
{
    terminate();
}

QString Sredird::Url() const
{
    return QStringLiteral("rfc2217://127.0.0.1:%1").arg(port_);
}

void Sredird::terminate()
{
    if (listener_.state() == QProcess::NotRunning)
        return;
    listener_.kill();
    listener_.waitForFinished(10000);
}

bool Sredird::startOn(uint16_t port, const QString& device)
{
    terminate();
    const QString lock = dir_.filePath(QStringLiteral("LCK..unit"));
    listener_.start(QStringLiteral("socat"),
                    {QStringLiteral("TCP-LISTEN:%1,bind=127.0.0.1,fork,reuseaddr").arg(port),
                     QStringLiteral("EXEC:sredird %1 %2 %3").arg(QLatin1String(kLogLevel), device, lock)});
    if (!listener_.waitForStarted(10000))
        return false;
    // Ready once a whole opening succeeds: the listener is up and sredird runs on the device.
    const QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired() && listener_.state() == QProcess::Running) {
        Rfc2217MSComm probe;
        probe.SetDevice(QStringLiteral("rfc2217://127.0.0.1:%1").arg(port));
        QString error;
        if (probe.Open(&error)) {
            probe.Close();
            port_ = port;
            return true;
        }
        listener_.waitForFinished(20);
    }
    terminate();
    return false;
}
