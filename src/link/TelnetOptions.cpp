#include "link/TelnetOptions.h"

#include <libtelnet.h>

namespace {

bool weOffer(unsigned char option)
{
    return option == TELNET_TELOPT_BINARY || option == TELNET_TELOPT_SGA || option == ComPort::kOption;
}

bool weAccept(unsigned char option)
{
    return option == TELNET_TELOPT_BINARY || option == TELNET_TELOPT_SGA;
}

QString commandName(unsigned char command)
{
    switch (command) {
    case TELNET_WONT: return QStringLiteral("WONT");
    case TELNET_DONT: return QStringLiteral("DONT");
    default: return QString::number(command);
    }
}

} // namespace

void TelnetOptions::Ask()
{
    ours_[kComPort] = State::Asked;
    send_(TELNET_WILL, kComPort);
    ours_[kBinary] = State::Asked;
    send_(TELNET_WILL, kBinary);
    theirs_[kBinary] = State::Asked;
    send_(TELNET_DO, kBinary);
}

void TelnetOptions::Heard(unsigned char command, unsigned char option)
{
    switch (command) {
    case TELNET_DO: heardYes(ours_, option, true); break;
    case TELNET_WILL: heardYes(theirs_, option, false); break;
    case TELNET_DONT: heardNo(ours_, option, true, command); break;
    case TELNET_WONT: heardNo(theirs_, option, false, command); break;
    default: break;
    }
}

void TelnetOptions::heardYes(std::array<State, 256>& side, unsigned char option, bool ours)
{
    State& state = side[option];
    if (state == State::On)
        return;
    if (state == State::Asked) { // the answer to our own request
        state = State::On;
        return;
    }
    const bool wanted = ours ? weOffer(option) : weAccept(option);
    if (wanted)
        state = State::On;
    send_(ours ? (wanted ? TELNET_WILL : TELNET_WONT) : (wanted ? TELNET_DO : TELNET_DONT), option);
}

void TelnetOptions::heardNo(std::array<State, 256>& side, unsigned char option, bool ours, unsigned char command)
{
    State& state = side[option];
    // COM-PORT is the link's reason to be there: the server's no to it counts in either
    // direction, even one the link never asked about.
    const bool needed = option == kComPort || (option == kBinary && state != State::Off);
    if (needed && refusal_.isEmpty())
        refusal_ = commandName(command) + (option == kComPort ? QStringLiteral(" COM-PORT") : QStringLiteral(" BINARY"));
    if (state == State::On) // an option in use that the server turns off is acknowledged
        send_(ours ? TELNET_WONT : TELNET_DONT, option);
    state = State::Off;
}
