#pragma once

// What a production line needs to tell weeks later which image went into which unit: the
// digests of the file and of the image a run sends, and the log's record of one unit's run.

#include "cli/Options.h"
#include "cli/Output.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QString>

#include <optional>

namespace cli {

// SHA-256, 64 lower-case hex digits.
QString Sha256Hex(const QByteArray& bytes);

// The USB serial number of the adapter behind `device` (symbolic links followed, so that
// /dev/serial/by-id/… finds its tty), where the system knows one; nullopt otherwise.
std::optional<QString> UsbSerialOf(const QString& device);
// The user running the command: $USER or $LOGNAME, else the password database's name.
QString UserName();
// "2026-12-09T01:20:07.123Z"
QString UtcStamp(const QDateTime& time);

// One unit's line of the --log: the write's JSON (WriteJson, which names the image's format) for
// `port` with when, where, who and what.
QJsonObject LogRecord(const QJsonObject& write, const Invocation& inv, const PortSpec& port, const QDateTime& start,
                      const QDateTime& end);

} // namespace cli
