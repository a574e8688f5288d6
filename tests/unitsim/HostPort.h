#pragma once

// The host's end of the line in the simulator tests: the pseudo-terminal opened and set up
// with plain termios, as a serial layer would. Every read has a deadline so a silent unit
// fails a test instead of hanging it.

#include <chrono>
#include <cstdint>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <string_view>
#include <termios.h>
#include <unistd.h>
#include <vector>

inline constexpr int kDeadlineMs = 5000;

class HostPort {
public:
    explicit HostPort(const std::string& path)
    {
        fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd_ < 0)
            return;
        termios settings{};
        tcgetattr(fd_, &settings);
        cfmakeraw(&settings);
        settings.c_cflag |= CLOCAL | CREAD;
        tcsetattr(fd_, TCSANOW, &settings);
        SetSpeed(B9600);
    }
    ~HostPort() { Close(); }
    HostPort(const HostPort&) = delete;
    HostPort& operator=(const HostPort&) = delete;

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
        tcgetattr(fd_, &settings);
        cfsetispeed(&settings, speed);
        cfsetospeed(&settings, speed);
        tcsetattr(fd_, TCSANOW, &settings);
    }
    void DiscardInput() { tcflush(fd_, TCIFLUSH); }

    bool Write(std::string_view text) { return Write(std::vector<uint8_t>(text.begin(), text.end())); }
    bool Write(const std::vector<uint8_t>& bytes)
    {
        return ::write(fd_, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    }

    // Everything up to and including LF, or what came before the deadline.
    std::string ReadLine(int deadlineMs = kDeadlineMs)
    {
        return readUntil([](const std::string& got) { return !got.empty() && got.back() == '\n'; }, deadlineMs);
    }
    std::string ReadBytes(size_t count, int deadlineMs = kDeadlineMs)
    {
        return readUntil([count](const std::string& got) { return got.size() >= count; }, deadlineMs);
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
    std::string readUntil(Done done, int deadlineMs)
    {
        std::string got;
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
