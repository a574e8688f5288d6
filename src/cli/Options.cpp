#include "cli/Options.h"

#include "link/PortTarget.h"
#include "link/Protocol.h"
#include "main/DeviceCatalogue.h"
#include "shared/ExitStatus.h"
#include "shared/Module1.h"
#include "shared/Settings.h"
#include "shared/Version.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <vector>

namespace cli {

namespace {

constexpr double kMaxClock = 99.9999;

int editDistance(const QString& a, const QString& b)
{
    std::vector<int> row(static_cast<size_t>(b.size()) + 1);
    for (size_t j = 0; j < row.size(); ++j)
        row[j] = static_cast<int>(j);
    for (qsizetype i = 1; i <= a.size(); ++i) {
        int diagonal = row[0];
        row[0] = static_cast<int>(i);
        for (qsizetype j = 1; j <= b.size(); ++j) {
            const int substitution = diagonal + (a[i - 1] == b[j - 1] ? 0 : 1);
            diagonal = row[static_cast<size_t>(j)];
            row[static_cast<size_t>(j)] = std::min({row[static_cast<size_t>(j)] + 1, row[static_cast<size_t>(j - 1)] + 1, substitution});
        }
    }
    return row.back();
}

} // namespace

SavedChoices ReadStoredChoices()
{
    SavedChoices stored = ReadSavedChoices(SettingsStore());
    // The window falls back the same way when it shows these.
    if (stored.PortNo < 1 || stored.PortNo > Proto::kPortCount)
        stored.PortNo = 1;
    if (!((stored.PageNo >= 0 && stored.PageNo < Proto::kPageCount) || stored.PageNo == kPageThru))
        stored.PageNo = 0;
    return stored;
}

std::optional<PortSpec> ResolvePort(const QString& text)
{
    // The port names as the window's list gives them, in any letter case, or their numbers.
    static const QRegularExpression numbered(QStringLiteral("^(?:%1)?([1-%2])$")
                                                 .arg(Proto::PortName(0).chopped(1))
                                                 .arg(Proto::kPortCount),
                                             QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = numbered.match(text);
    if (match.hasMatch()) {
        const auto n = static_cast<int16_t>(match.captured(1).toInt());
        return PortSpec{Proto::PortName(n), n, PortTargetOf(n)};
    }
    if (IsRemoteTarget(text) && !ParseRemoteTarget(text))
        return std::nullopt;
    if (text.contains(QLatin1Char('/')))
        return PortSpec{text, 0, text};
    return std::nullopt;
}

QStringList NearestCpuNames(const QString& name, int count)
{
    const QString upper = name.toUpper();
    struct Candidate {
        int distance;
        int sharedPrefix;
        QString name;
    };
    const auto sharedPrefix = [&upper](const QString& known) {
        int n = 0;
        while (n < upper.size() && n < known.size() && upper[n] == known[n])
            ++n;
        return n;
    };
    std::vector<Candidate> candidates;
    for (int code = 0; code < kCpuCodeCount; ++code) {
        const QString known = CatalogueName(code);
        candidates.push_back({editDistance(upper, known), sharedPrefix(known), known});
    }
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const Candidate& a, const Candidate& b) {
                         // Among equally near names, the one that starts like the text first.
                         return a.distance != b.distance ? a.distance < b.distance : a.sharedPrefix > b.sharedPrefix;
                     });
    QStringList nearest;
    for (const Candidate& c : candidates) {
        if (nearest.size() == count)
            break;
        nearest.append(c.name);
    }
    return nearest;
}

std::optional<float> ParseClock(const QString& text)
{
    static const QRegularExpression decimal(QStringLiteral("^(?:[0-9]+(?:\\.[0-9]*)?|\\.[0-9]+)$"));
    if (!decimal.match(text).hasMatch())
        return std::nullopt;
    const double value = text.toDouble();
    const auto single = static_cast<float>(value);
    if (!(value > 0) || value > kMaxClock || !(single > 0))
        return std::nullopt;
    return single;
}

std::optional<int16_t> ParsePage(const QString& text)
{
    if (text.compare(QLatin1String("thru"), Qt::CaseInsensitive) == 0)
        return kPageThru;
    if (text.size() == 1 && text[0] >= QLatin1Char('1') && text[0].unicode() < '1' + Proto::kPageCount)
        return static_cast<int16_t>(text[0].unicode() - '1');
    return std::nullopt;
}

std::optional<int16_t> ParseSpeed(const QString& text)
{
    if (text == QString::number(Proto::kBaudLow))
        return int16_t{0};
    if (text == QString::number(Proto::kBaudHigh))
        return int16_t{1};
    return std::nullopt;
}

namespace {

// The commands, with the FILE a command needs; the help lists them in this order.
struct CommandRow {
    const char* name;
    Command command;
    bool needsFile;
    const char* help;
};
const CommandRow kCommands[] = {
    {"info", Command::Info, false, "the memory check: the four pages as the memory view shows them"},
    {"write", Command::Write, true, "one whole run as the window's transfer start, then the pages"},
    {"plan", Command::Plan, true, "dry run: what write would erase and ask; changes nothing on the unit"},
    {"check", Command::Check, false, "with --product: whether the unit's pages hold the product's images"},
    {"record", Command::Record, false, "the production record: targets done, stopped, cancelled; serial numbers"},
    {"cpus", Command::Cpus, false, "the CPU catalogue: code, name, whether the window's list offers it"},
    {"ports", Command::Ports, false, "the serial devices and where the ports lead; --set N TARGET, --unset N"},
};

const CommandRow& rowOf(Command command)
{
    return *std::find_if(std::begin(kCommands), std::end(kCommands),
                         [command](const CommandRow& row) { return row.command == command; });
}

QString commandNames()
{
    QStringList names;
    for (const CommandRow& row : kCommands)
        names.append(QLatin1String(row.name) + (row.needsFile ? QStringLiteral(" FILE") : QString()));
    return names.join(QStringLiteral(", "));
}

QString portRange()
{
    return QStringLiteral("1 to %1").arg(Proto::kPortCount);
}

QString description()
{
    QString text = QStringLiteral("Programs Corvane units from scripts and production lines.\n\nCommands:\n");
    for (const CommandRow& row : kCommands) {
        const QString name = QLatin1String(row.name) + (row.needsFile ? QStringLiteral(" FILE") : QString());
        text += QStringLiteral("  %1%2\n").arg(name.leftJustified(12), QLatin1String(row.help));
    }
    text += QLatin1Char('\n');
    // The statuses as lines of the help's width.
    QString line = QStringLiteral("Options left out take the values the window saved. Exit status:");
    for (const Exit::StatusRow& row : Exit::kTable) {
        const QString item = QStringLiteral(" %1 %2,").arg(row.status).arg(QLatin1String(row.words));
        if (line.size() + item.size() > 80) {
            text += line + QLatin1Char('\n');
            line.clear();
        }
        line += item;
    }
    line.chop(1);
    return text + line + QLatin1Char('.');
}

// What an option does with its value: the usage error, or nothing.
using ApplyOption = QString (*)(const QString& value, Invocation& inv);

// An option takes a value (valueName, apply) or is a flag (flag).
struct OptionRow {
    const char* name;
    const char* valueName;
    const char* help;
    ApplyOption apply;
    bool Invocation::*flag;
    bool forwarded; // a gang's workers get it as it was given
    bool hidden = false;
};

QString applyPort(const QString& text, Invocation& inv)
{
    const std::optional<PortSpec> spec = ResolvePort(text);
    if (!spec)
        return QStringLiteral("bad --port '%1': give %2, ComN, a device path such as /dev/ttyUSB0 or "
                              "rfc2217://HOST:PORT").arg(text, portRange());
    for (const PortSpec& earlier : inv.ports)
        if (earlier.device == spec->device)
            return QStringLiteral("--port '%1' names %2 a second time").arg(text, spec->device);
    inv.ports.append(*spec);
    return {};
}

QString applyCpu(const QString& text, Invocation& inv)
{
    const std::optional<int16_t> code = FindCpuCode(text);
    if (!code)
        return QStringLiteral("unknown --cpu '%1'; nearest catalogue names: %2")
            .arg(text, NearestCpuNames(text).join(QStringLiteral(", ")));
    inv.choices.CpuIndex = *code;
    return {};
}

QString applyClock(const QString& text, Invocation& inv)
{
    const std::optional<float> mhz = ParseClock(text);
    if (!mhz)
        return QStringLiteral("bad --clock '%1': give MHz as a decimal number above 0 and at most 99.9999").arg(text);
    inv.choices.ClockMHz = *mhz;
    return {};
}

QString applyPage(const QString& text, Invocation& inv)
{
    const std::optional<int16_t> pageNo = ParsePage(text);
    if (!pageNo)
        return QStringLiteral("bad --page '%1': give 1, 2, 3, 4 or thru").arg(text);
    inv.choices.PageNo = *pageNo;
    return {};
}

QString applySpeed(const QString& text, Invocation& inv)
{
    const std::optional<int16_t> speedIndex = ParseSpeed(text);
    if (!speedIndex)
        return QStringLiteral("bad --speed '%1': give %2 or %3").arg(text).arg(Proto::kBaudLow).arg(Proto::kBaudHigh);
    inv.choices.SpeedIndex = *speedIndex;
    return {};
}

QString applyProduct(const QString& text, Invocation& inv)
{
    if (text.isEmpty())
        return QStringLiteral("--product needs a FILE");
    inv.product = text;
    return {};
}

QString applyLog(const QString& text, Invocation& inv)
{
    if (text.isEmpty())
        return QStringLiteral("--log needs a FILE");
    if (inv.command != Command::Write)
        return QStringLiteral("--log is for write only");
    inv.log = text;
    return {};
}

QString applyRecord(const QString& text, Invocation& inv)
{
    if (text.isEmpty())
        return QStringLiteral("--record needs a DB");
    if (inv.command != Command::Write && inv.command != Command::Plan && inv.command != Command::Record)
        return QStringLiteral("--record is for write, plan and record");
    inv.record = text;
    return {};
}

// --tls-ca, --tls-cert and --tls-key name a file in place of the configuration folder's.
QString applyTlsFile(const char* option, const QString& text, QString& path)
{
    if (text.isEmpty())
        return QStringLiteral("%1 needs a FILE").arg(QLatin1String(option));
    path = text;
    return {};
}

// --set and --unset take a port by number or ComN, never a device.
QString applyLinkPort(const char* option, const QString& text, int16_t& port, const Invocation& inv)
{
    const std::optional<PortSpec> spec = ResolvePort(text);
    if (!spec || spec->number == 0)
        return QStringLiteral("bad %1 '%2': give %3 or ComN").arg(QLatin1String(option), text, portRange());
    if (inv.command != Command::Ports)
        return QStringLiteral("%1 is for ports only").arg(QLatin1String(option));
    port = spec->number;
    return {};
}

const OptionRow kOptions[] = {
    {"port", "P", "Port: %1, ComN, a device path such as /dev/ttyUSB0, rfc2217://HOST:PORT, or "
                  "rfc2217+tls://HOST:PORT inside TLS. Repeat it to write several units at once.", applyPort, nullptr,
     false},
    {"tls-ca", "FILE", "The CA certificates (PEM) a TLS port's server must show a certificate of, in place of "
                       "~/.config/Corvane-Host/tls/ca.pem or the system's CAs.",
     [](const QString& text, Invocation& inv) { return applyTlsFile("--tls-ca", text, inv.tls.ca); }, nullptr, true},
    {"tls-cert", "FILE", "This station's certificate (PEM) for a TLS port, in place of "
                         "~/.config/Corvane-Host/tls/client.pem.",
     [](const QString& text, Invocation& inv) { return applyTlsFile("--tls-cert", text, inv.tls.cert); }, nullptr,
     true},
    {"tls-key", "FILE", "The private key (PEM) of that certificate, in place of ~/.config/Corvane-Host/tls/client.key.",
     [](const QString& text, Invocation& inv) { return applyTlsFile("--tls-key", text, inv.tls.key); }, nullptr, true},
    {"cpu", "NAME", "Target CPU, a catalogue name (see cpus).", applyCpu, nullptr, true},
    {"clock", "MHZ", "Target clock in MHz, above 0, at most 99.9999.", applyClock, nullptr, true},
    {"page", "PAGE", "Unit page: 1, 2, 3, 4 or thru.", applyPage, nullptr, true},
    {"speed", "BPS", "Line speed of the blocks: 9600 or 38400.", applySpeed, nullptr, true},
    {"product", "FILE", "write, plan, check: the product file, TOML, that names each page's image, CPU and clock "
                        "(and a THRU image); in place of FILE, --cpu, --clock and --page.", applyProduct, nullptr,
     false},
    {"thru", nullptr, "With --product: writes the product's THRU image, not its pages.", nullptr, &Invocation::thru,
     true},
    {"log", "FILE", "Appends a record of each unit written to FILE, one JSON line each, creating FILE when "
                    "missing: times, host, user, port, file and image SHA-256, CPU, result. Several programs may "
                    "append to one FILE at once.", applyLog, nullptr, false},
    {"record", "DB", "The production record every station of a line may share: an SQLite file, or PostgreSQL as "
                     "postgresql://[USER@]HOST[:PORT]/DBNAME or a libpq connection string. write adds a row per "
                     "unit and takes each THRU target's serial number from it; a product with a serial rule uses "
                     "~/.local/share/Corvane-Host/record.sqlite without it.", applyRecord, nullptr, true},
    {"yes", nullptr, "Answers the erase questions with OK.", nullptr, &Invocation::yes, true},
    {"json", nullptr, "Prints the result as one JSON document.", nullptr, &Invocation::json, false},
    {"quiet", nullptr, "Shows no progress.", nullptr, &Invocation::quiet, false},
    {"trace", nullptr, "Shows every command and reply, speed change, wait and the blocks not answered \"O\", with "
                       "timestamps.", nullptr, &Invocation::trace, true},
    {"set", "N", "ports: points port N at TARGET, a device such as /dev/ttyUSB0, rfc2217://HOST:PORT or "
                 "rfc2217+tls://HOST:PORT.",
     [](const QString& text, Invocation& inv) { return applyLinkPort("--set", text, inv.setPort, inv); }, nullptr, false},
    {"unset", "N", "ports: removes port N's link.",
     [](const QString& text, Invocation& inv) { return applyLinkPort("--unset", text, inv.unsetPort, inv); }, nullptr,
     false},
    {"worker", nullptr, "One unit of a gang write.", nullptr, &Invocation::worker, false, true},
};

QCommandLineOption optionOf(const OptionRow& row)
{
    QString help = QLatin1String(row.help);
    if (help.contains(QLatin1String("%1")))
        help = help.arg(portRange());
    QCommandLineOption option(QLatin1String(row.name), help, row.valueName ? QLatin1String(row.valueName) : QString());
    if (row.hidden)
        option.setFlags(QCommandLineOption::HiddenFromHelp);
    return option;
}

// The command and its FILE (ports: the TARGET of --set) from the words that are no option.
QString readCommand(const QStringList& positional, Invocation& inv)
{
    if (positional.isEmpty())
        return QStringLiteral("no command given (%1)").arg(commandNames());
    const CommandRow* found = nullptr;
    for (const CommandRow& row : kCommands)
        if (positional[0] == QLatin1String(row.name))
            found = &row;
    if (found == nullptr)
        return QStringLiteral("unknown command '%1' (%2)").arg(positional[0], commandNames());
    inv.command = found->command;
    const bool takesWord = found->needsFile || found->command == Command::Ports;
    if (positional.size() > (takesWord ? 2 : 1))
        return QStringLiteral("unexpected argument '%1'").arg(positional[takesWord ? 2 : 1]);
    if (found->needsFile)
        inv.file = positional.value(1);
    else if (takesWord)
        inv.portTarget = positional.value(1);
    return {};
}

// Every option is checked, also those the command does not use, so that a typo never passes
// silently; the unit options are kept as given for a gang's workers.
QString applyOptions(const QCommandLineParser& parser, Invocation& inv)
{
    for (const OptionRow& row : kOptions) {
        const QString name = QLatin1String(row.name);
        if (!parser.isSet(name))
            continue;
        if (row.flag != nullptr) {
            inv.*row.flag = true;
            if (row.forwarded)
                inv.forwarded << QStringLiteral("--") + name;
            continue;
        }
        for (const QString& value : parser.values(name)) {
            if (const QString fault = row.apply(value, inv); !fault.isEmpty())
                return fault;
            if (row.forwarded)
                inv.forwarded << QStringLiteral("--") + name << value;
        }
    }
    return {};
}

// A product names the file, CPU, clock and page of each of its runs.
QString checkProduct(const Invocation& inv, const QCommandLineParser& parser)
{
    const bool takesProduct = inv.command == Command::Write || inv.command == Command::Plan ||
                              inv.command == Command::Check;
    if (inv.product.isEmpty()) {
        if (inv.command == Command::Check)
            return QStringLiteral("check needs --product FILE");
        if (inv.thru)
            return QStringLiteral("--thru is for --product only");
        if (rowOf(inv.command).needsFile && inv.file.isEmpty())
            return QStringLiteral("%1 needs a FILE or --product FILE").arg(QLatin1String(rowOf(inv.command).name));
        return {};
    }
    if (!takesProduct)
        return QStringLiteral("--product is for write, plan and check");
    if (!inv.file.isEmpty())
        return QStringLiteral("give a FILE or --product, not both");
    for (const char* option : {"cpu", "clock", "page"})
        if (parser.isSet(QLatin1String(option)))
            return QStringLiteral("--%1 is the product's to give, not the command's").arg(QLatin1String(option));
    return {};
}

// What holds between the options and the command.
QString checkCombination(Invocation& inv, const SavedChoices& stored)
{
    if (inv.ports.size() > 1 && inv.command != Command::Write && inv.command != Command::Check)
        return QStringLiteral("several --port options are for write and check only");
    if (inv.command == Command::Ports) {
        if (inv.setPort != 0 && inv.unsetPort != 0)
            return QStringLiteral("give --set or --unset, not both");
        if (inv.setPort == 0 && !inv.portTarget.isEmpty())
            return QStringLiteral("unexpected argument '%1'").arg(inv.portTarget);
        if (inv.setPort != 0 && inv.portTarget.isEmpty())
            return QStringLiteral("--set needs a TARGET");
    }
    if (inv.ports.isEmpty())
        inv.ports.append(*ResolvePort(QString::number(stored.PortNo)));
    inv.choices.PortNo = inv.ports[0].number;
    inv.choices.FilePath = inv.file;
    return {};
}

QString usage(const QString& what)
{
    return QStringLiteral("corvane-flash: %1\nTry 'corvane-flash --help'.").arg(what);
}

} // namespace

ParseOutcome ParseArguments(const QStringList& arguments, const SavedChoices& stored)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(description());
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Shows this help."));
    const QCommandLineOption version(QStringLiteral("version"), QStringLiteral("Prints the version."));
    parser.addOptions({help, version});
    for (const OptionRow& row : kOptions)
        parser.addOption(optionOf(row));
    parser.addPositionalArgument(QStringLiteral("command"), commandNames() + QLatin1Char('.'), QStringLiteral("command"));
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("The image file of write and plan."),
                                 QStringLiteral("[FILE]"));

    ParseOutcome outcome;
    if (!parser.parse(QStringList{QStringLiteral("corvane-flash")} + arguments)) {
        outcome.text = usage(parser.errorText());
        return outcome;
    }
    Invocation inv;
    inv.choices = stored;
    if (parser.isSet(help) || parser.isSet(version)) {
        inv.command = parser.isSet(help) ? Command::Help : Command::Version;
        outcome.text = parser.isSet(help) ? parser.helpText()
                                          : QStringLiteral("corvane-flash %1.%2.%3\n")
                                                .arg(kVersionMajor).arg(kVersionMinor).arg(kVersionRevision);
        outcome.invocation = inv;
        return outcome;
    }
    QString fault = readCommand(parser.positionalArguments(), inv);
    if (fault.isEmpty())
        fault = applyOptions(parser, inv);
    if (fault.isEmpty())
        fault = checkProduct(inv, parser);
    if (fault.isEmpty())
        fault = checkCombination(inv, stored);
    if (!fault.isEmpty()) {
        outcome.text = usage(fault);
        return outcome;
    }
    outcome.invocation = inv;
    return outcome;
}

} // namespace cli
