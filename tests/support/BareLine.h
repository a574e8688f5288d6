#pragma once

// The host's end of a serial line set up with plain termios and nothing else, as a serial
// layer would: raw, 8N1, 9600 bit/s to begin with. The simulator's tests talk to the unit
// through it and the benchmarks measure the program's link against it. Every read has a
// deadline, so a silent unit fails a test instead of hanging it.

#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <string_view>
#include <termios.h>
#include <unistd.h>
#include <vector>

inline constexpr int kDeadlineMs = 5000;

class BareLine {
public:
    // What a line read got: the line with its LF, or what came before the deadline; true
    // when the whole line came.
    struct Line : std::string {
        explicit operator bool() const { return !empty() && back() == '\n'; }
    };

    explicit BareLine(const std::string& device)
    {
        fd_ = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd_ < 0)
            return;
        termios settings{};
        ::tcgetattr(fd_, &settings);
        ::cfmakeraw(&settings);
        settings.c_cflag |= CLOCAL | CREAD;
        ::tcsetattr(fd_, TCSANOW, &settings);
        SetSpeed(B9600);
    }
    ~BareLine() { Close(); }
    BareLine(const BareLine&) = delete;
    BareLine& operator=(const BareLine&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    void Close()
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }

    void SetSpeed(speed_t speed)
    {
        termios settings{};
        ::tcgetattr(fd_, &settings);
        ::cfsetispeed(&settings, speed);
        ::cfsetospeed(&settings, speed);
        ::tcsetattr(fd_, TCSANOW, &settings);
    }
    void DiscardInput() { ::tcflush(fd_, TCIFLUSH); }

    bool Write(std::string_view text) { return WriteAll(text.data(), text.size()); }
    bool Write(const std::vector<uint8_t>& bytes)
    {
        return WriteAll(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    }
    bool WriteAll(const char* bytes, size_t size)
    {
        while (size > 0) {
            const ssize_t n = ::write(fd_, bytes, size);
            if (n > 0) {
                bytes += n;
                size -= static_cast<size_t>(n);
                continue;
            }
            pollfd room{fd_, POLLOUT, 0};
            if (n < 0 && errno == EAGAIN && ::poll(&room, 1, kDeadlineMs) > 0)
                continue;
            return false;
        }
        return true;
    }

    // Everything up to and including LF, or what came before the deadline.
    Line ReadLine(int deadlineMs = kDeadlineMs)
    {
        return readUntil([](const std::string& got) { return !got.empty() && got.back() == '\n'; }, deadlineMs);
    }
    std::string ReadBytes(size_t count, int deadlineMs = kDeadlineMs)
    {
        return readUntil([count](const std::string& got) { return got.size() >= count; }, deadlineMs);
    }
    bool ReadByte(char* byte, int deadlineMs = kDeadlineMs)
    {
        const std::string got = ReadBytes(1, deadlineMs);
        if (got.empty())
            return false;
        *byte = got[0];
        return true;
    }
    // True once the unit's end has gone away.
    bool WaitForHangUp(int deadlineMs = kDeadlineMs)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(deadlineMs);
        while (std::chrono::steady_clock::now() < deadline) {
            pollfd probe{fd_, POLLIN, 0};
            if (::poll(&probe, 1, 50) > 0 && (probe.revents & POLLHUP))
                return true;
            char ignored[64];
            [[maybe_unused]] const auto n = ::read(fd_, ignored, sizeof ignored);
        }
        return false;
    }

private:
    template <typename Done>
    Line readUntil(Done done, int deadlineMs)
    {
        Line got;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(deadlineMs);
        while (!done(got)) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                break;
            pollfd wait{fd_, POLLIN, 0};
            if (::poll(&wait, 1, static_cast<int>(left.count())) <= 0)
                continue;
            char c;
            // One byte at a time, so nothing after the line end is taken from the next reply.
            if (::read(fd_, &c, 1) == 1)
                got.push_back(c);
            else if (wait.revents & POLLHUP)
                break;
        }
        return got;
    }

    int fd_ = -1;
};
