#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <cstdint>
#include <functional>

// A real serial device server started by a test in front of a device (the simulated unit's
// pseudo-terminal), offering it on a free loopback port, with a folder of its own. It never
// detaches, and it is ended with this object.
class DeviceServer {
public:
    virtual ~DeviceServer();
    DeviceServer(const DeviceServer&) = delete;
    DeviceServer& operator=(const DeviceServer&) = delete;

    bool started() const { return port_ != 0; }
    // The port's address, as --port or a ComN link takes it.
    QString Url() const { return urlOf(port_); }
    // Ends the server at once, its connections with it.
    void Terminate();

    // A loopback port nothing listens on at this moment.
    static uint16_t FreePort();

protected:
    // `tls`: the server speaks TLS, which a test's certificates may never let a handshake pass.
    explicit DeviceServer(bool tls) : tls_(tls) {}
    // Runs `program` with the arguments for a port; another free port if someone took the first.
    void start(const QString& program, const std::function<QStringList(uint16_t port)>& arguments);
    QTemporaryDir dir_;

private:
    bool answers(uint16_t port) const;
    QString urlOf(uint16_t port) const;

    bool tls_;
    QProcess process_;
    uint16_t port_ = 0;
};
