#pragma once

#include <QString>

// The name a serial device is opened under. The serial layer locks a device by the name it is
// opened with (a lock file in /run/lock, which holds for root as well, unlike the terminal's
// exclusive mode), so every alias of one device (a ports/COMn link, /dev/serial/by-id/...)
// must open under the same name for a second program to be refused as busy: its canonical path.
// A device that does not exist keeps its name, so that the opening reports it missing.
QString LockedPortName(const QString& device);
