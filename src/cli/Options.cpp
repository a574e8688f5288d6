#include "cli/Options.h"

#include "link/PortTarget.h"
#include "link/Protocol.h"
#include "main/DeviceCatalogue.h"
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

QString usage(const QString& what)
{
    return QStringLiteral("corvane-flash: %1\nTry 'corvane-flash --help'.").arg(what);
}

const char* kDescription =
    "Programs Corvane units from scripts and production lines.\n"
    "\n"
    "Commands:\n"
    "  info        the memory check: the four pages as the memory view shows them\n"
    "  write FILE  one whole run as the window's transfer start, then the pages\n"
    "  plan FILE   dry run: what write would erase and ask; changes nothing on the unit\n"
    "  cpus        the CPU catalogue: code, name, whether the window's list offers it\n"
    "  ports       the serial devices and where Com1 to Com8 lead; --set N TARGET, --unset N\n"
    "\n"
    "Options left out take the values the window saved. Exit status: 0 done, 2 usage,\n"
    "3 port, 4 file or --log FILE, 5 page rules, 6 question refused, 7 no answer,\n"
    "8 garbled answer, 9 unit fault, 10 cancelled (Ctrl-C, SIGTERM).";

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

std::optional<int16_t> CpuCodeForName(const QString& name)
{
    const QString upper = name.toUpper();
    for (int code = 0; code < kCpuCodeCount; ++code) {
        if (CatalogueName(code) == upper)
            return static_cast<int16_t>(code);
    }
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

ParseOutcome ParseArguments(const QStringList& arguments, const SavedChoices& stored)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(kDescription));
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Shows this help."));
    const QCommandLineOption version(QStringLiteral("version"), QStringLiteral("Prints the version."));
    const QCommandLineOption port(QStringLiteral("port"),
                                  QStringLiteral("Port: 1 to 8, ComN, a device path such as /dev/ttyUSB0, "
                                                 "or rfc2217://HOST:PORT. Repeat it to write several units at once."),
                                  QStringLiteral("P"));
    const QCommandLineOption cpu(QStringLiteral("cpu"), QStringLiteral("Target CPU, a catalogue name (see cpus)."),
                                 QStringLiteral("NAME"));
    const QCommandLineOption clock(QStringLiteral("clock"), QStringLiteral("Target clock in MHz, above 0, at most 99.9999."),
                                   QStringLiteral("MHZ"));
    const QCommandLineOption page(QStringLiteral("page"), QStringLiteral("Unit page: 1, 2, 3, 4 or thru."),
                                  QStringLiteral("PAGE"));
    const QCommandLineOption speed(QStringLiteral("speed"), QStringLiteral("Line speed of the blocks: 9600 or 38400."),
                                   QStringLiteral("BPS"));
    const QCommandLineOption yes(QStringLiteral("yes"), QStringLiteral("Answers the erase questions with OK."));
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("Prints the result as one JSON document."));
    const QCommandLineOption quiet(QStringLiteral("quiet"), QStringLiteral("Shows no progress."));
    const QCommandLineOption trace(QStringLiteral("trace"),
                                   QStringLiteral("Shows every command and reply, speed change, wait and the "
                                                  "blocks not answered \"O\", with timestamps."));
    const QCommandLineOption log(QStringLiteral("log"),
                                 QStringLiteral("Appends a record of each unit written to FILE, one JSON line each, "
                                                "creating FILE when missing: times, host, user, port, file and image "
                                                "SHA-256, CPU, result. Several programs may append to one FILE at once."),
                                 QStringLiteral("FILE"));
    QCommandLineOption worker(QStringLiteral("worker"), QStringLiteral("One unit of a gang write."));
    worker.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOptions({help, version, port, cpu, clock, page, speed, yes, json, quiet, trace, log, worker});
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("info, write, plan or cpus."),
                                 QStringLiteral("command"));
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("The S-record file of write and plan."),
                                 QStringLiteral("[FILE]"));

    ParseOutcome outcome;
    QStringList withProgram = arguments;
    withProgram.prepend(QStringLiteral("corvane-flash"));
    if (!parser.parse(withProgram)) {
        outcome.text = usage(parser.errorText());
        return outcome;
    }
    Invocation inv;
    if (parser.isSet(help)) {
        inv.command = Command::Help;
        outcome.text = parser.helpText();
        outcome.invocation = inv;
        return outcome;
    }
    if (parser.isSet(version)) {
        inv.command = Command::Version;
        outcome.text = QStringLiteral("corvane-flash %1.%2.%3\n").arg(kVersionMajor).arg(kVersionMinor).arg(kVersionRevision);
        outcome.invocation = inv;
        return outcome;
    }

    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty()) {
        outcome.text = usage(QStringLiteral("no command given (info, write FILE, plan FILE or cpus)"));
        return outcome;
    }
    const QString name = positional[0];
    const bool needsFile = name == QLatin1String("write") || name == QLatin1String("plan");
    if (name == QLatin1String("info"))
        inv.command = Command::Info;
    else if (name == QLatin1String("write"))
        inv.command = Command::Write;
    else if (name == QLatin1String("plan"))
        inv.command = Command::Plan;
    else if (name == QLatin1String("cpus"))
        inv.command = Command::Cpus;
    else {
        outcome.text = usage(QStringLiteral("unknown command '%1' (info, write FILE, plan FILE or cpus)").arg(name));
        return outcome;
    }
    if (needsFile && positional.size() < 2) {
        outcome.text = usage(QStringLiteral("%1 needs a FILE").arg(name));
        return outcome;
    }
    if (positional.size() > (needsFile ? 2 : 1)) {
        outcome.text = usage(QStringLiteral("unexpected argument '%1'").arg(positional[needsFile ? 2 : 1]));
        return outcome;
    }
    if (needsFile)
        inv.file = positional[1];

    // Every option is checked, also those the command does not use, so that a typo never
    // passes silently.
    for (const QString& text : parser.values(port)) {
        const std::optional<PortSpec> spec = ResolvePort(text);
        if (!spec) {
            outcome.text = usage(QStringLiteral("bad --port '%1': give 1 to 8, ComN, a device path such as /dev/ttyUSB0 "
                                                 "or rfc2217://HOST:PORT").arg(text));
            return outcome;
        }
        for (const PortSpec& earlier : inv.ports) {
            if (earlier.device == spec->device) {
                outcome.text = usage(QStringLiteral("--port '%1' names %2 a second time").arg(text, spec->device));
                return outcome;
            }
        }
        inv.ports.append(*spec);
    }
    if (inv.ports.size() > 1 && inv.command != Command::Write) {
        outcome.text = usage(QStringLiteral("several --port options are for write only"));
        return outcome;
    }
    if (parser.isSet(log)) {
        inv.log = parser.value(log);
        if (inv.log.isEmpty()) {
            outcome.text = usage(QStringLiteral("--log needs a FILE"));
            return outcome;
        }
        if (inv.command != Command::Write) {
            outcome.text = usage(QStringLiteral("--log is for write only"));
            return outcome;
        }
    }
    if (inv.ports.isEmpty())
        inv.ports.append(*ResolvePort(QString::number(stored.PortNo)));

    SavedChoices& c = inv.choices;
    c = stored;
    if (parser.isSet(cpu)) {
        const QString text = parser.value(cpu);
        const std::optional<int16_t> code = CpuCodeForName(text);
        if (!code) {
            outcome.text = usage(QStringLiteral("unknown --cpu '%1'; nearest catalogue names: %2")
                                     .arg(text, NearestCpuNames(text).join(QStringLiteral(", "))));
            return outcome;
        }
        c.CpuIndex = *code;
    }
    if (parser.isSet(clock)) {
        const std::optional<float> mhz = ParseClock(parser.value(clock));
        if (!mhz) {
            outcome.text = usage(QStringLiteral("bad --clock '%1': give MHz as a decimal number above 0 and at most 99.9999")
                                     .arg(parser.value(clock)));
            return outcome;
        }
        c.ClockMHz = *mhz;
    }
    if (parser.isSet(page)) {
        const std::optional<int16_t> pageNo = ParsePage(parser.value(page));
        if (!pageNo) {
            outcome.text = usage(QStringLiteral("bad --page '%1': give 1, 2, 3, 4 or thru").arg(parser.value(page)));
            return outcome;
        }
        c.PageNo = *pageNo;
    }
    if (parser.isSet(speed)) {
        const std::optional<int16_t> speedIndex = ParseSpeed(parser.value(speed));
        if (!speedIndex) {
            outcome.text = usage(QStringLiteral("bad --speed '%1': give 9600 or 38400").arg(parser.value(speed)));
            return outcome;
        }
        c.SpeedIndex = *speedIndex;
    }
    for (const QCommandLineOption* option : {&cpu, &clock, &page, &speed, &log})
        if (parser.isSet(*option))
            inv.forwarded << QStringLiteral("--") + option->names().constFirst() << parser.value(*option);
    for (const QCommandLineOption* option : {&yes, &trace})
        if (parser.isSet(*option))
            inv.forwarded << QStringLiteral("--") + option->names().constFirst();
    c.PortNo = inv.ports[0].number;
    c.FilePath = inv.file;
    inv.yes = parser.isSet(yes);
    inv.json = parser.isSet(json);
    inv.quiet = parser.isSet(quiet);
    inv.trace = parser.isSet(trace);
    inv.worker = parser.isSet(worker);
    outcome.invocation = inv;
    return outcome;
}

} // namespace cli
