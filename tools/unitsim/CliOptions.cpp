#include "CliOptions.h"

#include <algorithm>
#include <charconv>
#include <functional>

namespace unitsim {

namespace {

struct Option {
    const char* name;
    const char* value; // name of its value in the usage, nullptr for a switch
    const char* help;
    // Applies the option; false when the value is not acceptable.
    std::function<bool(CliConfig&, const std::string&)> apply;
};

bool ParseInt(const std::string& text, int low, int high, int* out)
{
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < low || value > high)
        return false;
    *out = value;
    return true;
}

constexpr int kMaxMs = 600'000;
constexpr int kMaxBlock = kMemorySize / 32;

// A page as the operator numbers it (1-4), kept as its index 0..3.
bool ParsePageIndex(const std::string& text, int* index)
{
    int page = 0;
    if (!ParseInt(text, 1, kPages, &page))
        return false;
    *index = page - 1;
    return true;
}

// "N[:TIMES[:CHAR]]"
bool ParseUnclear(const std::string& text, Faults& faults)
{
    const auto first = text.find(':');
    if (!ParseInt(text.substr(0, first), 0, kMaxBlock, &faults.unclearAtBlock))
        return false;
    if (first == std::string::npos)
        return true;
    const auto second = text.find(':', first + 1);
    if (!ParseInt(text.substr(first + 1, second - first - 1), 1, 2, &faults.unclearTimes))
        return false;
    if (second == std::string::npos)
        return true;
    const std::string byte = text.substr(second + 1);
    if (byte.size() != 1)
        return false;
    faults.unclearByte = static_cast<uint8_t>(byte[0]);
    return true;
}

const std::vector<Option>& KnownOptions()
{
    using C = CliConfig;
    using S = const std::string&;
    static const std::vector<Option> kOptions = {
        {"--link", "PATH", "put a symbolic link to the host side here (parent folders are created)",
         [](C& c, S v) { c.options.linkPath = v; return !v.empty(); }},
        {"--state", "FILE", "load the pages from FILE at start, save them after every change",
         [](C& c, S v) { c.options.stateFile = v; return !v.empty(); }},
        {"--thru-image", "FILE", "after every THRU transfer that reached its end block, write what it delivered to FILE",
         [](C& c, S v) { c.options.thruImageFile = v; return !v.empty(); }},
        {"--pace", nullptr, "bytes take their time on the line (10 bits each at the line speed)",
         [](C& c, S) { c.options.pace = true; return true; }},
        {"--preload-demo", nullptr, "fill pages 1 and 3 with demo data, unless the state file holds pages",
         [](C& c, S) { c.preloadDemo = true; return true; }},
        {"--exit-with-pid", "PID", "end when process PID has ended",
         [](C& c, S v) { return ParseInt(v, 1, 1 << 30, &c.exitWithPid); }},
        {"--erase-ms", "MS", "time a page erase takes (default 0)",
         [](C& c, S v) { return ParseInt(v, 0, kMaxMs, &c.options.timing.eraseMs); }},
        {"--quiet", nullptr, "do not report what the unit does",
         [](C& c, S) { c.quiet = true; return true; }},
        {"--help", nullptr, "show this text",
         [](C& c, S) { c.help = true; return true; }},
        {"--version", nullptr, "show the version",
         [](C& c, S) { c.version = true; return true; }},
        // Faults.
        {"--mute", nullptr, "fault: answer nothing at all",
         [](C& c, S) { c.options.faults.mute = true; return true; }},
        {"--speed-no-go", nullptr, "fault: speed exchange answers \"OK\" but never \"GO\"",
         [](C& c, S) { c.options.faults.speedNoGo = true; return true; }},
        {"--store-header-reply", "TEXT", "fault: answer the page-store header TEXT (e.g. FL; \"\" = nothing)",
         [](C& c, S v) { c.options.faults.storeHeaderReply = v; return true; }},
        {"--direct-header-reply", "TEXT", "fault: answer the direct header TEXT instead of \"OK\"",
         [](C& c, S v) { c.options.faults.directHeaderReply = v; return true; }},
        {"--direct-no-go", nullptr, "fault: direct header answered \"OK\" but no \"GO\"",
         [](C& c, S) { c.options.faults.directNoGo = true; return true; }},
        {"--direct-second-reply", "TEXT", "fault: direct header answered \"OK\", then TEXT instead of \"GO\"",
         [](C& c, S v) { c.options.faults.directSecondReply = v; return true; }},
        {"--erase-reply", "TEXT", "fault: answer a page erase TEXT and do not erase",
         [](C& c, S v) { c.options.faults.eraseReply = v; return true; }},
        {"--bad-record-sum", "PAGE", "fault: wrong checksum in the record of page PAGE (1-4)",
         [](C& c, S v) { return ParsePageIndex(v, &c.options.faults.badRecordSumPage); }},
        {"--vanish-at-query", "PAGE", "fault: answer nothing from the query of page PAGE (1-4) on",
         [](C& c, S v) { return ParsePageIndex(v, &c.options.faults.vanishAtQueryPage); }},
        {"--unclear-at", "N[:TIMES[:CHAR]]", "fault: answer data block N (bytes N*32 on) CHAR (X), once or twice",
         [](C& c, S v) { return ParseUnclear(v, c.options.faults); }},
        {"--flash-fault-at", "N", "fault: answer data block N \"F\"",
         [](C& c, S v) { return ParseInt(v, 0, kMaxBlock, &c.options.faults.flashFaultAtBlock); }},
        {"--reply-delay", "MS", "fault: every reply leaves MS later",
         [](C& c, S v) { return ParseInt(v, 0, kMaxMs, &c.options.faults.replyDelayMs); }},
        {"--vanish-after", "N", "fault: answer N data blocks of a transfer, then nothing at all",
         [](C& c, S v) { return ParseInt(v, 0, kMaxBlock, &c.options.faults.vanishAfterBlocks); }},
        {"--hang-up", nullptr, "fault: when vanishing, also close the line",
         [](C& c, S) { c.options.faults.hangUpOnVanish = true; return true; }},
        {"--garbage-burst", "N", "fault: N garbage bytes in front of the first reply",
         [](C& c, S v) { return ParseInt(v, 1, 64, &c.options.faults.garbageBurst); }},
    };
    return kOptions;
}

} // namespace

std::optional<CliConfig> ParseCli(const std::vector<std::string>& args, std::string* error)
{
    CliConfig config;
    for (size_t i = 0; i < args.size(); ++i) {
        const Option* option = nullptr;
        for (const auto& known : KnownOptions()) {
            if (args[i] == known.name)
                option = &known;
        }
        if (!option) {
            *error = "unknown option " + args[i];
            return std::nullopt;
        }
        std::string value;
        if (option->value) {
            if (++i == args.size()) {
                *error = std::string(option->name) + " needs a value";
                return std::nullopt;
            }
            value = args[i];
        }
        if (!option->apply(config, value)) {
            *error = "bad value for " + std::string(option->name) + ": " + value;
            return std::nullopt;
        }
    }
    return config;
}

std::string CliUsage()
{
    std::string text =
        "Usage: corvane-unitsim [--link PATH] [--state FILE] [--pace] [--preload-demo] [faults...]\n"
        "Simulates the Corvane programmer unit on a pseudo-terminal. Prints the host-side path,\n"
        "then runs until SIGINT or SIGTERM; SIGUSR1 switches the unit off and on again.\n"
        "Data block N is the block of bytes N*32 to N*32+31 of a transfer.\n\n";
    for (const auto& option : KnownOptions()) {
        std::string head = std::string("  ") + option.name + (option.value ? std::string(" ") + option.value : "");
        head.resize(std::max<size_t>(head.size() + 1, 32), ' ');
        text += head + option.help + "\n";
    }
    return text;
}

} // namespace unitsim
