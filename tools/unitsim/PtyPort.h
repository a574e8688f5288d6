#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace unitsim {

// The unit's end of a pseudo-terminal pair. The host opens the other end (the slave) as its
// serial port. The master runs in packet mode so the unit learns when the host discards its
// input, and reads the host's line speed from the slave's settings.
class PtyPort {
public:
    PtyPort() = default;
    PtyPort(const PtyPort&) = delete;
    PtyPort& operator=(const PtyPort&) = delete;
    ~PtyPort() { Close(); }

    // Creates a pair whose host side starts raw at 9600 bit/s, 8N1.
    bool Open(std::string* error);
    void Close();
    bool IsOpen() const { return master_ >= 0; }
    int Fd() const { return master_; }
    const std::string& HostPath() const { return hostPath_; }

    // The speed the host set on its port, in bit/s (0 when unknown).
    int HostBaud() const;

    struct Input {
        std::vector<uint8_t> bytes;
        bool hostFlushedInput = false; // the host discarded its receive buffer
        bool hostClosed = false;       // no process holds the host side open any more
    };
    // Takes everything waiting, without blocking.
    Input Read();
    // After the host closed its side: true once it has opened it again.
    bool HostReopened() const;

    // Writes without blocking; returns how many bytes went out, or -1 when the host side is
    // closed and the bytes are lost on the line.
    int Write(std::span<const uint8_t> bytes);

private:
    int master_ = -1;
    std::string hostPath_;
};

} // namespace unitsim
