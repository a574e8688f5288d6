#pragma once

#include "link/ComPortOption.h"

#include <QString>

#include <array>
#include <functional>

// The Telnet options of a remote port's connection: BINARY both ways, so that no side reads a
// CR in a data block as a line end, and COM-PORT from our side, the serial line's control.
// Suppress-go-ahead is accepted when offered; everything else is declined. The rules are
// RFC 1143's, cut to options that are only ever asked for, never dropped by us: an answer is
// sent only when a state changes, so two sides cannot answer each other forever.
class TelnetOptions {
public:
    // Sends one negotiation command (WILL, WONT, DO, DONT) for an option.
    using Send = std::function<void(unsigned char command, unsigned char option)>;

    explicit TelnetOptions(Send send) : send_(std::move(send)) {}

    // Asks for what the link needs: WILL COM-PORT, WILL BINARY, DO BINARY.
    void Ask();
    // One negotiation command from the server.
    void Heard(unsigned char command, unsigned char option);

    bool ComPortAgreed() const { return ours_[kComPort] == State::On; }
    bool BinaryAgreed() const { return ours_[kBinary] == State::On && theirs_[kBinary] == State::On; }
    // What the server refused of the options the link needs, in its own commands
    // ("DONT COM-PORT"); empty while it refused none.
    QString Refusal() const { return refusal_; }

private:
    enum class State { Off, Asked, On };
    static constexpr unsigned char kBinary = 0;
    static constexpr unsigned char kComPort = ComPort::kOption;

    void heardYes(std::array<State, 256>& side, unsigned char option, bool ours);
    void heardNo(std::array<State, 256>& side, unsigned char option, bool ours, unsigned char command);

    Send send_;
    std::array<State, 256> ours_{};   // options we perform, negotiated with WILL/WONT
    std::array<State, 256> theirs_{}; // options the server performs, negotiated with DO/DONT
    QString refusal_;
};
