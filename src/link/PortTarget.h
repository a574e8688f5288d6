#pragma once

#include <QString>

#include <cstdint>
#include <optional>

// Where a port leads: a local serial device, or a port that a serial device server offers
// over TCP with the Telnet COM-PORT option, written rfc2217://HOST:PORT (HOST a name, an IPv4
// address, or an IPv6 address in brackets), or rfc2217+tls://HOST:PORT for one inside TLS.

struct RemoteAddress {
    QString host;
    uint16_t port = 0;
    bool tls = false;
};

// True for every text that means a remote port, well formed or not, so that a malformed
// address is refused as one rather than looked for as a device.
bool IsRemoteTarget(const QString& target);
std::optional<RemoteAddress> ParseRemoteTarget(const QString& target);

// Port n's own name in the ports folder and in the port layer's texts, "COMn".
QString PortLinkName(int16_t n);
// The device port n opens when no link names another: /dev/ttyS(n-1).
QString FallbackDevice(int16_t n);
// The port layer's text for a write to port n while it is closed.
QString PortNotOpenText(int16_t n);

// The link "<configuration folder>/ports/COMn": the device it points to, or the remote port
// address it holds; the fallback device when there is no such link.
QString PortLinkPath(int16_t n);
QString PortTargetOf(int16_t n);
