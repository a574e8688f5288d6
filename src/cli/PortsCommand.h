#pragma once

// corvane-flash ports: the serial devices the system knows, where the window's Com1 to Com8
// lead, and pointing a ComN at a device or a remote port without making the link by hand.

#include "cli/Commands.h"

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

namespace cli {

struct SerialDeviceRow {
    QString device;       // /dev/ttyUSB0
    QString byId;         // its name in /dev/serial/by-id, or empty
    QString description, manufacturer, serialNumber;
    QString usbId;        // "0403:6001", or empty for a device that is not on USB
};

struct ComPortRow {
    int number = 0;
    QString target;       // a device, an rfc2217:// address, or the /dev/ttyS fallback
    enum class Kind { Device, Remote, Fallback } kind = Kind::Fallback;
    bool present = false; // the device exists; an address is not tried (that would take the port)
};

QList<SerialDeviceRow> SerialDevices();
QList<ComPortRow> ComPorts();
QString PortsText(const QList<SerialDeviceRow>& devices, const QList<ComPortRow>& ports);
QJsonObject PortsJson(const QList<SerialDeviceRow>& devices, const QList<ComPortRow>& ports);

// Makes or removes the link --set or --unset names, then lists; returns the exit status.
int RunPortsCommand(const Invocation& inv, Streams& streams);

} // namespace cli
