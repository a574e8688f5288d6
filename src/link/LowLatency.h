#pragma once

#include <QString>

#include <linux/serial.h>

// Reads and writes a serial device's flags (TIOCGSERIAL / TIOCSSERIAL). Tests put a recorder
// in the system's place to see which calls a port makes.
class SerialFlagsAccess {
public:
    virtual ~SerialFlagsAccess() = default;
    // 0 on success, else the errno of the refusal.
    virtual int Get(int fd, serial_struct* flags) = 0;
    virtual int Set(int fd, const serial_struct& flags) = 0;
};

// The flags access ports use; nullptr restores the system's.
SerialFlagsAccess& SerialFlags();
void SetSerialFlagsAccess(SerialFlagsAccess* access);

// The driver's low-latency mode on one open port. Many USB serial adapters hold a lone
// received byte back until their latency timer runs out (16 ms by default); every block's
// one-byte verdict would wait that long. With ASYNC_LOW_LATENCY set the driver drops the timer
// to 1 ms. What the port was like before is put back when it closes, for the programs after us.
class LowLatency {
public:
    // Sets the flag on `fd` when it is clear, every other bit written back as read. A refusal
    // is no fault: many drivers and every pseudo-terminal have no such flag. Returns what
    // happened, for a trace: "low latency: set", "... already on", "... not supported: why".
    QString Enable(int fd);
    // Clears the flag again when Enable set it; the other bits as they are now.
    void Restore(int fd);
    // The device went away: there is nothing left to put back.
    void Forget() { setHere_ = false; }

private:
    bool setHere_ = false;
};
