#pragma once

#include "support/DeviceServer.h"

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <cstdint>
#include <optional>

// What ser2net asks of a client inside TLS: its own certificate and key, and with `clientAuth`
// a client certificate that a CA allowed in `authDir` (<authDir>/<its common name>/allowed_certs)
// signed.
struct Ser2NetTls {
    QString cert;
    QString key;
    QString authDir;
    bool clientAuth = false;
};

// The real ser2net offering the device with the Telnet COM-PORT option, inside TLS when asked,
// with a configuration of its own. It never detaches.
class Ser2Net final : public DeviceServer {
public:
    explicit Ser2Net(const QString& device, std::optional<Ser2NetTls> tls = std::nullopt);
    ~Ser2Net() override;
    Ser2Net(const Ser2Net&) = delete;
    Ser2Net& operator=(const Ser2Net&) = delete;

    bool started() const override { return port_ != 0; }
    QString Url() const override { return urlOf(port_); }
    // Ends the server at once, its connections with it.
    void Terminate();

    // A loopback port nothing listens on at this moment.
    static uint16_t FreePort();

private:
    bool startOn(uint16_t port, const QString& device);
    bool writeConfig(const QString& path, uint16_t port, const QString& device) const;
    bool answers(uint16_t port) const;
    QString urlOf(uint16_t port) const;

    std::optional<Ser2NetTls> tls_;
    QTemporaryDir dir_;
    QProcess process_;
    uint16_t port_ = 0;
};
