#include "cli/PortsCommand.h"

#include "cli/Output.h"
#include "link/PortTarget.h"
#include "link/Protocol.h"
#include "shared/ExitStatus.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QSerialPortInfo>

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace cli {

namespace {

const char kByIdFolder[] = "/dev/serial/by-id";

QString usage(const QString& what)
{
    return QStringLiteral("corvane-flash ports: %1\nUsage: corvane-flash ports [--json] | ports --set N TARGET | "
                          "ports --unset N\n  (N: 1 to 8 or ComN; TARGET: a device such as /dev/ttyUSB0 or "
                          "rfc2217://HOST:PORT)")
        .arg(what);
}

// A port number as --port takes it: 1 to 8 or ComN in any letter case.
std::optional<int> comNumber(const QString& text)
{
    const std::optional<PortSpec> spec = ResolvePort(text);
    if (!spec || spec->number == 0)
        return std::nullopt;
    return spec->number;
}

QString kindName(ComPortRow::Kind kind)
{
    switch (kind) {
    case ComPortRow::Kind::Device: return QStringLiteral("device");
    case ComPortRow::Kind::Remote: return QStringLiteral("remote");
    case ComPortRow::Kind::Fallback: return QStringLiteral("fallback");
    }
    return {};
}

QJsonValue orNull(const QString& text)
{
    return text.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(text);
}


// Replaces the link of ComN; an empty target only removes it.
QString setLink(int n, const QString& target)
{
    const QString path = PortLinkPath(static_cast<int16_t>(n));
    const QFileInfo existing(path);
    if (existing.exists() || existing.isSymLink()) {
        if (!existing.isSymLink())
            return QStringLiteral("%1 is not a link; leaving it alone").arg(path);
        if (!QFile::remove(path))
            return QStringLiteral("cannot remove %1").arg(path);
    }
    if (target.isEmpty())
        return {};
    if (!QDir().mkpath(existing.path()))
        return QStringLiteral("cannot make %1").arg(existing.path());
    // The target as written: an address must not be taken for a path and folded.
    if (::symlink(QFile::encodeName(target).constData(), QFile::encodeName(path).constData()) != 0)
        return QStringLiteral("cannot make %1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
    return {};
}

} // namespace

QList<SerialDeviceRow> SerialDevices()
{
    QHash<QString, QString> byId; // canonical device -> by-id name
    const QDir folder(QString::fromLatin1(kByIdFolder));
    for (const QFileInfo& link : folder.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot))
        byId.insert(link.canonicalFilePath(), link.fileName());
    QList<SerialDeviceRow> rows;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        SerialDeviceRow row;
        row.device = info.systemLocation();
        row.byId = byId.value(QFileInfo(row.device).canonicalFilePath());
        row.description = info.description();
        row.manufacturer = info.manufacturer();
        row.serialNumber = info.serialNumber();
        if (info.hasVendorIdentifier() && info.hasProductIdentifier())
            row.usbId = QStringLiteral("%1:%2")
                            .arg(info.vendorIdentifier(), 4, 16, QLatin1Char('0'))
                            .arg(info.productIdentifier(), 4, 16, QLatin1Char('0'));
        rows.append(row);
    }
    return rows;
}

QList<ComPortRow> ComPorts()
{
    QList<ComPortRow> rows;
    for (int n = 1; n <= Proto::kPortCount; ++n) {
        ComPortRow row;
        row.number = n;
        row.target = PortTargetOf(static_cast<int16_t>(n));
        const bool linked = QFileInfo(PortLinkPath(static_cast<int16_t>(n))).isSymLink();
        row.kind = IsRemoteTarget(row.target) ? ComPortRow::Kind::Remote
                   : linked                    ? ComPortRow::Kind::Device
                                               : ComPortRow::Kind::Fallback;
        row.present = row.kind != ComPortRow::Kind::Remote && QFileInfo::exists(row.target);
        rows.append(row);
    }
    return rows;
}

QString PortsText(const QList<SerialDeviceRow>& devices, const QList<ComPortRow>& ports)
{
    QList<QStringList> deviceRows{{"device", "by-id", "description", "manufacturer", "usb id", "serial"}};
    const auto dash = [](const QString& text) { return text.isEmpty() ? QStringLiteral("-") : text; };
    for (const SerialDeviceRow& d : devices)
        deviceRows.append({d.device, dash(d.byId), dash(d.description), dash(d.manufacturer), dash(d.usbId),
                           dash(d.serialNumber)});
    QList<QStringList> portRows{{"port", "leads to", "kind", "there"}};
    for (const ComPortRow& p : ports)
        portRows.append({Proto::PortName(p.number), p.target, kindName(p.kind),
                         p.kind == ComPortRow::Kind::Remote ? QStringLiteral("not tried")
                         : p.present                        ? QStringLiteral("yes")
                                                            : QStringLiteral("no")});
    QString text = devices.isEmpty() ? QStringLiteral("no serial devices found\n") : TextTable(deviceRows);
    return text + QLatin1Char('\n') + TextTable(portRows);
}

QJsonObject PortsJson(const QList<SerialDeviceRow>& devices, const QList<ComPortRow>& ports)
{
    QJsonArray deviceArray, portArray;
    for (const SerialDeviceRow& d : devices)
        deviceArray.append(QJsonObject{{"device", d.device},
                                       {"by_id", orNull(d.byId)},
                                       {"description", orNull(d.description)},
                                       {"manufacturer", orNull(d.manufacturer)},
                                       {"usb_id", orNull(d.usbId)},
                                       {"serial", orNull(d.serialNumber)}});
    for (const ComPortRow& p : ports)
        portArray.append(QJsonObject{{"port", Proto::PortName(p.number)},
                                     {"target", p.target},
                                     {"kind", kindName(p.kind)},
                                     {"present", p.kind == ComPortRow::Kind::Remote ? QJsonValue(QJsonValue::Null)
                                                                                    : QJsonValue(p.present)}});
    return QJsonObject{{"devices", deviceArray}, {"ports", portArray}};
}

int RunPortsCommand(const QStringList& arguments, Streams& streams)
{
    bool json = false;
    std::optional<int> setPort, unsetPort;
    QString target;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (a == QLatin1String("--json")) {
            json = true;
        } else if (a == QLatin1String("--set") && i + 2 < arguments.size() && !setPort) {
            setPort = comNumber(arguments[i + 1]);
            target = arguments[i + 2];
            if (!setPort) {
                streams.err << usage(QStringLiteral("bad port '%1'").arg(arguments[i + 1])) << '\n';
                streams.err.flush();
                return Exit::kUsage;
            }
            i += 2;
        } else if (a == QLatin1String("--unset") && i + 1 < arguments.size() && !unsetPort) {
            unsetPort = comNumber(arguments[i + 1]);
            if (!unsetPort) {
                streams.err << usage(QStringLiteral("bad port '%1'").arg(arguments[i + 1])) << '\n';
                streams.err.flush();
                return Exit::kUsage;
            }
            ++i;
        } else {
            streams.err << usage(QStringLiteral("unexpected argument '%1'").arg(a)) << '\n';
            streams.err.flush();
            return Exit::kUsage;
        }
    }
    if (setPort && unsetPort) {
        streams.err << usage(QStringLiteral("give --set or --unset, not both")) << '\n';
        streams.err.flush();
        return Exit::kUsage;
    }
    if (setPort) {
        const bool remote = IsRemoteTarget(target);
        if ((remote && !ParseRemoteTarget(target)) || (!remote && !target.startsWith(QLatin1Char('/')))) {
            streams.err << usage(QStringLiteral("bad target '%1'").arg(target)) << '\n';
            streams.err.flush();
            return Exit::kUsage;
        }
    }
    if (setPort || unsetPort) {
        const int n = setPort ? *setPort : *unsetPort;
        const QString failure = setLink(n, setPort ? target : QString());
        if (!failure.isEmpty()) {
            streams.err << "corvane-flash ports: " << failure << '\n';
            streams.err.flush();
            return Exit::kUsage;
        }
    }
    const QList<SerialDeviceRow> devices = SerialDevices();
    const QList<ComPortRow> ports = ComPorts();
    streams.out << (json ? JsonText(PortsJson(devices, ports)) : PortsText(devices, ports));
    streams.out.flush();
    return Exit::kDone;
}

} // namespace cli
