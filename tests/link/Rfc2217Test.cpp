// The remote port against a scripted server on loopback: what goes on the wire and how the
// server's notifications, refusals and hang-ups reach the link. The server runs on a thread of
// its own, since an opening waits on the socket without running events.
#include "link/Link.h"
#include "link/Rfc2217MSComm.h"
#include "shared/Module1.h"
#include "support/MessageRecorder.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <condition_variable>
#include <mutex>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

const QByteArray kPurgeReceive("\xFF\xFA\x2C\x0C\x01\xFF\xF0", 7);
const QByteArray kBaud38400("\xFF\xFA\x2C\x01\x00\x00\x96\x00\xFF\xF0", 10);
const QByteArray kBaud9600Reply("\xFF\xFA\x2C\x65\x00\x00\x25\x80\xFF\xF0", 10);

// Accepts one client. A willing server confirms the first speed it is sent and records every
// byte; a busy one says so and hangs up, as a server whose port another client holds.
class ScriptedServer {
public:
    explicit ScriptedServer(bool busy) : busy_(busy)
    {
        listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        ::bind(listener_, reinterpret_cast<sockaddr*>(&address), size);
        ::listen(listener_, 1);
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size);
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { serve(); });
    }
    ~ScriptedServer()
    {
        ::shutdown(listener_, SHUT_RDWR);
        Hangup();
        thread_.join();
        ::close(listener_);
        if (client_ >= 0)
            ::close(client_);
    }
    QString Url() const { return QStringLiteral("rfc2217://127.0.0.1:%1").arg(port_); }
    void Send(const QByteArray& bytes)
    {
        std::lock_guard lock(mutex_);
        ::send(client_, bytes.constData(), bytes.size(), MSG_NOSIGNAL);
    }
    void Hangup()
    {
        std::lock_guard lock(mutex_);
        if (client_ >= 0)
            ::shutdown(client_, SHUT_RDWR);
    }
    // Waits until the bytes received since the last call end with `tail`; returns them.
    QByteArray TakeUntil(const QByteArray& tail)
    {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, std::chrono::seconds(10), [&] { return received_.endsWith(tail); });
        return std::exchange(received_, QByteArray());
    }

private:
    void serve()
    {
        // A busy server refuses every client that comes, as long as it runs.
        for (int refused; busy_ && (refused = ::accept(listener_, nullptr, nullptr)) >= 0; ::close(refused)) {
            const QByteArray words = QByteArray("\xFF\xFD\x2C", 3) + "Port already in use\r\n";
            ::send(refused, words.constData(), words.size(), MSG_NOSIGNAL);
        }
        const int client = busy_ ? -1 : ::accept(listener_, nullptr, nullptr);
        if (client < 0)
            return;
        {
            std::lock_guard lock(mutex_);
            client_ = client;
        }
        char buffer[4096];
        bool confirmed = false;
        for (ssize_t n; (n = ::recv(client, buffer, sizeof buffer, 0)) > 0;) {
            std::lock_guard lock(mutex_);
            received_.append(buffer, n);
            if (!confirmed && received_.contains("\xFF\xFA\x2C\x01")) {
                confirmed = true;
                ::send(client, kBaud9600Reply.constData(), kBaud9600Reply.size(), MSG_NOSIGNAL);
            }
            changed_.notify_all();
        }
    }

    bool busy_;
    int listener_ = -1, client_ = -1;
    uint16_t port_ = 0;
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable changed_;
    QByteArray received_;
};

void runEventsUntil(const std::function<bool()>& done)
{
    const QDeadlineTimer deadline(10000);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
}

class RemotePort : public ::testing::Test {
protected:
    explicit RemotePort(bool busy = false) : server_(busy)
    {
        ResetModule1();
        port_.SetDevice(server_.Url());
    }
    ScriptedServer server_;
    Rfc2217MSComm port_;
    Link link_{port_, kTransferWindowLink};
};

TEST_F(RemotePort, ASpeedChangePurgesTheServerFirstAndDataFFIsDoubled)
{
    QString error;
    ASSERT_TRUE(port_.Open(&error)) << error.toStdString();
    server_.TakeUntil(kBaud9600Reply.mid(0, 0)); // what the opening sent
    port_.ClearInBuffer();
    port_.SetSettings(QStringLiteral("38400,N,8,1"));
    ASSERT_TRUE(port_.Output(QByteArray(33, '\xFF'), &error));
    const QByteArray wire = server_.TakeUntil(QByteArray(66, '\xFF'));
    const qsizetype purge = wire.lastIndexOf(kPurgeReceive), speed = wire.indexOf(kBaud38400);
    EXPECT_GE(purge, 0) << wire.toHex(' ').toStdString();
    EXPECT_GT(speed, purge) << wire.toHex(' ').toStdString();
    EXPECT_TRUE(wire.endsWith(QByteArray(66, '\xFF'))) << wire.toHex(' ').toStdString();
    EXPECT_FALSE(wire.endsWith(QByteArray(67, '\xFF'))) << wire.toHex(' ').toStdString();
}

TEST_F(RemotePort, AFramingErrorTheServerNotifiesIsTheReceiveErrorOfALocalPort)
{
    QString error;
    ASSERT_TRUE(port_.Open(&error)) << error.toStdString();
    server_.Send(QByteArray("\xFF\xFA\x2C\x6A\x08\xFF\xF0", 7) + "OK\r\n");
    runEventsUntil([] { return (Module1.CommStatus & CommStatusBits::kReplyComplete) != 0; });
    EXPECT_NE(Module1.CommStatus & CommStatusBits::kFramingError, 0);
    EXPECT_NE(Module1.CommStatus & CommStatusBits::kReplyComplete, 0);
}

TEST_F(RemotePort, AConnectionThatDropsEndsTheWaitAtOnceAsAReceiveError)
{
    QString error;
    ASSERT_TRUE(port_.Open(&error)) << error.toStdString();
    server_.Hangup();
    MessageRecorder messages;
    messages.Expect("ERR 031");
    EXPECT_EQ(link_.WaitReply(), 1);
    EXPECT_TRUE(port_.DeviceLost());
    EXPECT_FALSE(port_.Output("C", &error));
    EXPECT_TRUE(error.startsWith(server_.Url() + ": the connection to the server was lost")) << error.toStdString();
}

class BusyRemotePort : public RemotePort {
protected:
    BusyRemotePort() : RemotePort(true) {}
};

TEST_F(BusyRemotePort, IsRefusedInTheServersWords)
{
    QString error;
    EXPECT_FALSE(port_.Open(&error));
    EXPECT_EQ(error, server_.Url() + ": the server refused the port: Port already in use");
    EXPECT_FALSE(port_.PortOpen());
}

} // namespace
