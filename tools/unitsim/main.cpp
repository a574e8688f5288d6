// corvane-unitsim: the simulated programmer unit as a program, for trying the host by hand
// and for the demo script.
#include "CliOptions.h"
#include "DemoPages.h"
#include "UnitSimulator.h"

#include <cerrno>
#include <csignal>
#include <ctime>
#include <iostream>

namespace {

constexpr long kWatchIntervalNs = 200'000'000;

bool ProcessEnded(int pid)
{
    return pid > 0 && ::kill(pid, 0) != 0 && errno == ESRCH;
}

} // namespace

int main(int argc, char** argv)
{
    std::string error;
    auto config = unitsim::ParseCli({argv + 1, argv + argc}, &error);
    if (!config) {
        std::cerr << "corvane-unitsim: " << error << "\n\n" << unitsim::CliUsage();
        return 2;
    }
    if (config->help) {
        std::cout << unitsim::CliUsage();
        return 0;
    }
    if (config->version) {
        std::cout << "corvane-unitsim " CORVANE_VERSION "\n";
        return 0;
    }
    if (!config->quiet)
        config->options.log = [](const std::string& text) { std::cerr << "corvane-unitsim: " << text << std::endl; };

    // Blocked before the simulator's thread starts, so that only the wait below takes them.
    sigset_t signals;
    sigemptyset(&signals);
    for (int signal : {SIGINT, SIGTERM, SIGUSR1})
        sigaddset(&signals, signal);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    unitsim::UnitSimulator simulator(config->options);
    if (!simulator.Start(&error)) {
        std::cerr << "corvane-unitsim: " << error << "\n";
        return 1;
    }
    if (config->preloadDemo && !simulator.AnyPageHoldsData())
        unitsim::PreloadDemoPages(simulator);
    std::cout << simulator.HostPath() << std::endl;

    for (;;) {
        const timespec tick{0, kWatchIntervalNs};
        const int signal = sigtimedwait(&signals, nullptr, &tick);
        if (signal == SIGINT || signal == SIGTERM || ProcessEnded(config->exitWithPid))
            break;
        if (signal == SIGUSR1)
            simulator.PowerCycle();
    }
    simulator.Stop();
    return 0;
}
