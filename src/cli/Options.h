#pragma once

// corvane-flash's command line: commands, options, their checks, and the defaults the window saved.

#include "link/RemoteTls.h"
#include "shared/SavedChoices.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace cli {

enum class Command { Info, Write, Plan, Check, Record, Cpus, Ports, Help, Version };

// A --port as the operator named it and the device it opens.
struct PortSpec {
    QString label;      // "Com3" for a number or a ComN name, else the device path as given
    int16_t number = 0; // 1..8, or 0 for a device path
    QString device;
    // What the session opens in place of the port number's own resolution: none for a number.
    QString fixedDevice() const { return number == 0 ? device : QString(); }
};

struct Invocation {
    Command command = Command::Help;
    QString file;
    QString log;           // --log: the file write appends each unit's record to; empty: none
    QString record;        // --record: the production record's database; empty: the default, where one is used
    QString product;       // --product: the product file write, plan and check take; empty: none
    bool thru = false;     // --thru: a product's THRU image rather than its pages
    QList<PortSpec> ports; // one, or several for a gang write
    TlsFiles tls;          // --tls-ca, --tls-cert, --tls-key: in place of the configuration folder's
    SavedChoices choices;  // PortNo from ports[0], FilePath the FILE
    bool yes = false, json = false, quiet = false, trace = false;
    bool worker = false;   // a gang write's worker: progress goes to standard output as events
    QStringList forwarded; // the unit options as given, for a gang's workers
    // ports: --set N TARGET makes ComN's link, --unset N removes it; 0 when not given.
    int16_t setPort = 0, unsetPort = 0;
    QString portTarget;
};

// The choices the window saved (read only: the command line never writes the settings), with
// a port or page the window would not show taken as the window falls back.
SavedChoices ReadStoredChoices();

struct ParseOutcome {
    std::optional<Invocation> invocation; // set when the arguments are good
    QString text;                         // help or version text for stdout, or the usage error
};
ParseOutcome ParseArguments(const QStringList& arguments, const SavedChoices& stored);

// A number 1..8, "ComN" in any letter case, or a device path (it holds a "/").
std::optional<PortSpec> ResolvePort(const QString& text);
// The catalogue names nearest to `name` by edit distance, nearest first, at most `count`.
QStringList NearestCpuNames(const QString& name, int count = 3);
// A decimal number above 0 and at most 99.9999, in single precision.
std::optional<float> ParseClock(const QString& text);
// "1".."4" -> 0..3, "thru" in any letter case -> 8.
std::optional<int16_t> ParsePage(const QString& text);
// "9600" -> 0, "38400" -> 1.
std::optional<int16_t> ParseSpeed(const QString& text);

} // namespace cli
