#pragma once

#include <QString>

// A real serial device server started by a test in front of a device (the simulated unit's
// pseudo-terminal), offering it on a free loopback port. It is ended with this object.
class DeviceServer {
public:
    virtual ~DeviceServer() = default;
    virtual bool started() const = 0;
    // The port's address, as --port or a ComN link takes it.
    virtual QString Url() const = 0;
};
