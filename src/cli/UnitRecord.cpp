#include "cli/UnitRecord.h"

#include "cli/PortsCommand.h"
#include "main/DeviceCatalogue.h"
#include "transfer/RunValues.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>

#include <pwd.h>
#include <unistd.h>

namespace cli {

QString Sha256Hex(const QByteArray& bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

std::optional<QString> UsbSerialOf(const QString& device)
{
    const QString target = QFileInfo(device).canonicalFilePath();
    if (target.isEmpty())
        return std::nullopt;
    for (const SerialDeviceRow& row : SerialDevices()) {
        if (QFileInfo(row.device).canonicalFilePath() != target)
            continue;
        return row.serialNumber.isEmpty() ? std::nullopt : std::optional<QString>(row.serialNumber);
    }
    return std::nullopt;
}

QString UserName()
{
    for (const char* variable : {"USER", "LOGNAME"}) {
        const QString name = qEnvironmentVariable(variable);
        if (!name.isEmpty())
            return name;
    }
    if (const passwd* entry = ::getpwuid(::geteuid()))
        return QString::fromLocal8Bit(entry->pw_name);
    return QString::number(::geteuid());
}

QString UtcStamp(const QDateTime& time)
{
    return time.toUTC().toString(Qt::ISODateWithMs);
}

QJsonObject LogRecord(const QJsonObject& write, const Invocation& inv, const PortSpec& port, const QDateTime& start,
                      const QDateTime& end)
{
    const QJsonValue null(QJsonValue::Null);
    const std::optional<QString> serial = UsbSerialOf(port.device);
    QJsonObject record = write;
    record.insert(QStringLiteral("start"), UtcStamp(start));
    record.insert(QStringLiteral("end"), UtcStamp(end));
    record.insert(QStringLiteral("host"), QSysInfo::machineHostName());
    record.insert(QStringLiteral("user"), UserName());
    record.insert(QStringLiteral("device"), port.device);
    record.insert(QStringLiteral("usb_serial"), serial ? QJsonValue(*serial) : null);
    record.insert(QStringLiteral("file"), QFileInfo(inv.file).absoluteFilePath());
    record.insert(QStringLiteral("cpu"), CatalogueName(inv.choices.CpuIndex));
    record.insert(QStringLiteral("cpu_code"), inv.choices.CpuIndex);
    record.insert(QStringLiteral("clock_hz"), ClockHzOf(inv.choices.ClockMHz));
    return record;
}

} // namespace cli
