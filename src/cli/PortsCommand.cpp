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

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace cli {

namespace {

const char kByIdFolder[] = "/dev/serial/by-id";

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


// Replaces the link of ComN; an empty target only removes it. The new link is made beside the
// old one and renamed over it, so that a failure leaves the old link as it was.
QString setLink(int16_t n, const QString& target)
{
    const QString path = PortLinkPath(n);
    const QFileInfo existing(path);
    if (existing.exists() && !existing.isSymLink())
        return QStringLiteral("%1 is not a link; leaving it alone").arg(path);
    if (target.isEmpty()) {
        if (existing.isSymLink() && ::unlink(QFile::encodeName(path).constData()) != 0)
            return QStringLiteral("cannot remove %1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        return {};
    }
    if (!QDir().mkpath(existing.path()))
        return QStringLiteral("cannot make %1").arg(existing.path());
    const QByteArray fresh = QFile::encodeName(path + QStringLiteral(".new-%1").arg(::getpid()));
    // The target as written: an address must not be taken for a path and folded.
    if (::symlink(QFile::encodeName(target).constData(), fresh.constData()) != 0 ||
        ::rename(fresh.constData(), QFile::encodeName(path).constData()) != 0) {
        const QString reason = QString::fromLocal8Bit(std::strerror(errno));
        ::unlink(fresh.constData());
        return QStringLiteral("cannot make %1: %2").arg(path, reason);
    }
    return {};
}

// A target is a device path or a remote port's address, printable throughout: the link's text
// is shown on terminals and in JSON as it stands.
bool isGoodTarget(const QString& target)
{
    const bool printable = std::none_of(target.begin(), target.end(), [](QChar c) { return c.category() == QChar::Other_Control; });
    const bool remote = IsRemoteTarget(target);
    return printable && (remote ? ParseRemoteTarget(target).has_value() : target.startsWith(QLatin1Char('/')));
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

int RunPortsCommand(const Invocation& inv, Streams& streams)
{
    if (inv.setPort != 0 && !isGoodTarget(inv.portTarget)) {
        streams.err << QStringLiteral("corvane-flash: bad TARGET '%1': give a device path such as /dev/ttyUSB0 or "
                                      "rfc2217://HOST:PORT\n").arg(QString::fromLatin1(inv.portTarget.toUtf8().toPercentEncoding("/:[]@")));
        streams.err.flush();
        return Exit::kUsage;
    }
    if (inv.setPort != 0 || inv.unsetPort != 0) {
        const QString failure = setLink(inv.setPort != 0 ? inv.setPort : inv.unsetPort, inv.portTarget);
        if (!failure.isEmpty()) {
            streams.err << "corvane-flash ports: " << failure << '\n';
            streams.err.flush();
            return Exit::kFile;
        }
    }
    const QList<SerialDeviceRow> devices = SerialDevices();
    const QList<ComPortRow> ports = ComPorts();
    streams.out << (inv.json ? JsonText(PortsJson(devices, ports)) : PortsText(devices, ports));
    streams.out.flush();
    return Exit::kDone;
}

} // namespace cli
