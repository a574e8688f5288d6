#pragma once

#include <cstddef>
#include <fcntl.h>
#include <string>
#include <termios.h>
#include <unistd.h>

// The simplest possible client of a serial line: one blocking descriptor in raw mode, a write
// and a read per exchange. The benchmarks measure the program's link against it.
class BareLine {
public:
    explicit BareLine(const std::string& device) : fd_(::open(device.c_str(), O_RDWR | O_NOCTTY))
    {
        SetSpeed(B9600);
    }
    ~BareLine()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    BareLine(const BareLine&) = delete;
    BareLine& operator=(const BareLine&) = delete;

    bool IsOpen() const { return fd_ >= 0; }

    void SetSpeed(speed_t speed)
    {
        termios tio{};
        ::tcgetattr(fd_, &tio);
        ::cfmakeraw(&tio);
        ::cfsetspeed(&tio, speed);
        tio.c_cc[VMIN] = 1;
        tio.c_cc[VTIME] = 0;
        ::tcsetattr(fd_, TCSANOW, &tio);
    }

    bool WriteAll(const char* bytes, size_t size)
    {
        while (size > 0) {
            const ssize_t n = ::write(fd_, bytes, size);
            if (n <= 0)
                return false;
            bytes += n;
            size -= static_cast<size_t>(n);
        }
        return true;
    }

    bool ReadByte(char* byte) { return ::read(fd_, byte, 1) == 1; }

    // Reads up to and including the next LF.
    bool ReadLine()
    {
        for (char c = 0; c != '\n';)
            if (!ReadByte(&c))
                return false;
        return true;
    }

private:
    int fd_;
};
