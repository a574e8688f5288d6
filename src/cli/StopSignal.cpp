#include "cli/StopSignal.h"

#include "shared/ExitStatus.h"

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace cli {

namespace {

int pipeFds[2] = {-1, -1};
volatile sig_atomic_t signalsSeen = 0;
volatile sig_atomic_t hardStopOnSecond = 1;
struct sigaction previousInt {}, previousTerm {};

void onSignal(int number)
{
    signalsSeen = signalsSeen + 1;
    if (signalsSeen >= 2 && hardStopOnSecond)
        _exit(Exit::kCancelled);
    const unsigned char byte = static_cast<unsigned char>(number);
    [[maybe_unused]] const ssize_t written = ::write(pipeFds[1], &byte, 1);
}

} // namespace

StopSignal::StopSignal(bool everySignalStops)
{
    if (::pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    signalsSeen = 0;
    hardStopOnSecond = everySignalStops ? 0 : 1;
    notifier_ = std::make_unique<QSocketNotifier>(pipeFds[0], QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &StopSignal::onReadable);
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0; // no SA_RESTART: a question waiting on the terminal gives up
    ::sigaction(SIGINT, &action, &previousInt);
    ::sigaction(SIGTERM, &action, &previousTerm);
}

StopSignal::~StopSignal()
{
    if (!notifier_)
        return;
    ::sigaction(SIGINT, &previousInt, nullptr);
    ::sigaction(SIGTERM, &previousTerm, nullptr);
    notifier_.reset();
    ::close(pipeFds[0]);
    ::close(pipeFds[1]);
    pipeFds[0] = pipeFds[1] = -1;
}

void StopSignal::onReadable()
{
    unsigned char byte = 0;
    while (::read(pipeFds[0], &byte, 1) == 1) {
        ++received_;
        emit stopRequested(byte);
    }
}

} // namespace cli
