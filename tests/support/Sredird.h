#pragma once

#include "support/DeviceServer.h"

#include <QProcess>
#include <QTemporaryDir>

#include <cstdint>

// The real sredird, the inetd-style RFC 2217 server: socat listens on a free loopback port and
// starts one sredird for each connection, on the device, with a lock file of its own.
class Sredird final : public DeviceServer {
public:
    explicit Sredird(const QString& device);
    ~Sredird() override;
    Sredird(const Sredird&) = delete;
    Sredird& operator=(const Sredird&) = delete;

    bool started() const override { return port_ != 0; }
    QString Url() const override;

private:
    bool startOn(uint16_t port, const QString& device);
    void terminate();

    QTemporaryDir dir_;
    QProcess listener_;
    uint16_t port_ = 0;
};
