#pragma once

#include "support/DeviceServer.h"

// The real sredird, the inetd-style RFC 2217 server: socat listens and starts one sredird for
// each connection, on the device, with a lock file of its own.
class Sredird final : public DeviceServer {
public:
    explicit Sredird(const QString& device);
};
