#pragma once

#include "UnitSimulator.h"

#include <optional>
#include <string>
#include <vector>

namespace unitsim {

// What the command line asks for.
struct CliConfig {
    Options options;
    bool preloadDemo = false;
    int exitWithPid = 0; // end when this process has ended; 0 = run until a signal
    bool quiet = false;
    bool help = false;
    bool version = false;
};

// Parses the arguments after the program name; nothing (and a reason) when they are wrong.
std::optional<CliConfig> ParseCli(const std::vector<std::string>& args, std::string* error);

std::string CliUsage();

} // namespace unitsim
