#pragma once

#include "support/DeviceServer.h"

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

// The real ser2net offering the device with the Telnet COM-PORT option, inside TLS when asked.
class Ser2Net final : public DeviceServer {
public:
    explicit Ser2Net(const QString& device, const std::optional<Ser2NetTls>& tls = std::nullopt);
};
