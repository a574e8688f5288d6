#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <cstdint>

// The real ser2net in front of a device (the simulated unit's pseudo-terminal), offering it with
// the Telnet COM-PORT option on a free loopback port, with a configuration of its own. It never
// detaches, and it is ended with this object.
class Ser2Net {
public:
    explicit Ser2Net(const QString& device);
    ~Ser2Net();
    Ser2Net(const Ser2Net&) = delete;
    Ser2Net& operator=(const Ser2Net&) = delete;

    bool started() const { return port_ != 0; }
    QString Url() const { return QStringLiteral("rfc2217://127.0.0.1:%1").arg(port_); }
    // Ends the server at once, its connections with it.
    void Terminate();

    // A loopback port nothing listens on at this moment.
    static uint16_t FreePort();

private:
    bool startOn(uint16_t port, const QString& device);

    QTemporaryDir dir_;
    QProcess process_;
    uint16_t port_ = 0;
};
