// The remote port against a scripted server on loopback: what goes on the wire and how the
// server's answers, notifications, refusals and hang-ups reach the link. The server runs on a
// thread of its own, since an opening waits on the socket without running events.
#include "link/ComPortOption.h"
#include "link/Link.h"
#include "link/Rfc2217MSComm.h"
#include "main/PageReading.h"
#include "shared/Module1.h"
#include "support/FakeClock.h"
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

const QByteArray kSubBegin("\xFF\xFA\x2C", 3);
const QByteArray kSubEnd("\xFF\xF0", 2);
const QByteArray kPurgeReceive = kSubBegin + QByteArray("\x0C\x01", 2) + kSubEnd;
const QByteArray kBaud38400 = kSubBegin + QByteArray("\x01\x00\x00\x96\x00", 5) + kSubEnd;
const QByteArray kWillingGreeting("\xFF\xFD\x2C\xFF\xFB\x00\xFF\xFD\x00", 9); // DO COM-PORT, WILL/DO BINARY
const QByteArray kRefusingGreeting("\xFF\xFE\x2C\xFF\xFB\x00\xFF\xFD\x00", 9); // DONT COM-PORT

QByteArray fromServer(uint8_t command, const QByteArray& value)
{
    return kSubBegin + char(ComPort::FromServer(command)) + value + kSubEnd;
}

QByteArray speed(quint32 baud)
{
    const char bytes[] = {char(baud >> 24), char(baud >> 16), char(baud >> 8), char(baud)};
    return QByteArray(bytes, sizeof bytes);
}

// How the scripted server plays its part.
enum class Script {
    Willing,          // agrees to everything, answers speeds and purges
    Busy,             // another client holds its port: says so and hangs up, every time
    RefusesComPort,   // answers the option with DONT and then nothing
    Silent,           // takes the connection and never says a word
    OtherSpeed,       // sets 9600 whatever speed it is asked, and lets the unit's "OK" and "GO" through
    StaleBeforePurge, // a reply its line took before the link's purge reaches the link after it
    SuspendsOutput,   // tells the link to hold its data during the opening, and never resumes
};

// Accepts one client (a busy server: every client) and answers what it receives by its script.
class ScriptedServer {
public:
    explicit ScriptedServer(Script script) : script_(script)
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
        send(bytes);
    }
    void Hangup()
    {
        std::lock_guard lock(mutex_);
        if (client_ >= 0)
            ::shutdown(client_, SHUT_RDWR);
    }
    // Waits until the client has hung up; returns all it sent since the last take.
    QByteArray TakeAll()
    {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, std::chrono::seconds(10), [&] { return hungUp_; });
        return std::exchange(received_, QByteArray());
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
        for (int refused; script_ == Script::Busy && (refused = ::accept(listener_, nullptr, nullptr)) >= 0;
             ::close(refused)) {
            const QByteArray words = QByteArray("\xFF\xFD\x2C", 3) + "Port already in use\r\n";
            ::send(refused, words.constData(), words.size(), MSG_NOSIGNAL);
        }
        const int client = script_ == Script::Busy ? -1 : ::accept(listener_, nullptr, nullptr);
        if (client < 0)
            return;
        {
            std::lock_guard lock(mutex_);
            client_ = client;
            if (script_ != Script::Silent)
                send(script_ == Script::RefusesComPort ? kRefusingGreeting : kWillingGreeting);
        }
        char buffer[4096];
        for (ssize_t n; (n = ::recv(client, buffer, sizeof buffer, 0)) > 0;) {
            std::lock_guard lock(mutex_);
            received_.append(buffer, n);
            unparsed_.append(buffer, n);
            parse();
            changed_.notify_all();
        }
        std::lock_guard lock(mutex_);
        hungUp_ = true;
        changed_.notify_all();
    }

    void send(const QByteArray& bytes) { ::send(client_, bytes.constData(), bytes.size(), MSG_NOSIGNAL); }

    // Answers every whole COM-PORT command that came, and plays the unit's part of a speed
    // exchange that only one script lets through.
    void parse()
    {
        for (qsizetype begin, end; (begin = unparsed_.indexOf(kSubBegin)) >= 0 &&
                                   (end = unparsed_.indexOf(kSubEnd, begin)) >= 0;) {
            command(static_cast<uint8_t>(unparsed_[begin + 3]), unparsed_.mid(begin + 4, end - begin - 4));
            unparsed_.remove(0, end + kSubEnd.size());
        }
        if (script_ == Script::OtherSpeed && !saidOk_ && received_.contains("CC02807D\r\n")) {
            saidOk_ = true;
            send("OK\r\n");
        }
    }

    void command(uint8_t code, const QByteArray& value)
    {
        if (code == ComPort::kSetBaudRate) {
            if (script_ == Script::SuspendsOutput)
                send(fromServer(ComPort::kFlowControlSuspend, {}));
            const bool other = script_ == Script::OtherSpeed && value != speed(9600);
            send(fromServer(code, other ? speed(9600) : value));
            if (other)
                send("GO\r\n");
        } else if (code == ComPort::kPurgeData) {
            // The opening purges first; the link's own purge is the second.
            if (script_ == Script::StaleBeforePurge && ++purges_ == 2)
                send("OK\r\n" + fromServer(code, value) + "GO\r\n");
            else
                send(fromServer(code, value));
        }
    }

    Script script_;
    int listener_ = -1, client_ = -1;
    uint16_t port_ = 0;
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable changed_;
    QByteArray received_;
    QByteArray unparsed_;
    int purges_ = 0;
    bool saidOk_ = false;
    bool hungUp_ = false;
};

void runEventsUntil(const std::function<bool()>& done)
{
    const QDeadlineTimer deadline(10000);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
}

class RemotePort : public ::testing::Test {
protected:
    explicit RemotePort(Script script = Script::Willing) : server_(script)
    {
        ResetModule1();
        port_.SetDevice(server_.Url());
    }
    void open()
    {
        QString error;
        ASSERT_TRUE(port_.Open(&error)) << error.toStdString();
    }
    ScriptedServer server_;
    Rfc2217MSComm port_;
    Link link_{port_, kTransferWindowLink};
};

template <Script script>
class RemotePortWith : public RemotePort {
protected:
    RemotePortWith() : RemotePort(script) {}
};

TEST_F(RemotePort, ASpeedChangePurgesTheServerFirstAndDataFFIsDoubled)
{
    open();
    server_.TakeUntil({}); // what the opening sent
    QString error;
    port_.ClearInBuffer();
    ASSERT_TRUE(port_.SetSettings(QStringLiteral("38400,N,8,1"), &error)) << error.toStdString();
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
    open();
    server_.Send(fromServer(ComPort::kNotifyLineState, "\x08") + "OK\r\n");
    runEventsUntil([] { return (Module1.CommStatus & CommStatusBits::kReplyComplete) != 0; });
    EXPECT_NE(Module1.CommStatus & CommStatusBits::kFramingError, 0);
    EXPECT_NE(Module1.CommStatus & CommStatusBits::kReplyComplete, 0);
}

TEST_F(RemotePort, AConnectionThatDropsEndsTheWaitAtOnceAsAReceiveError)
{
    open();
    server_.Hangup();
    MessageRecorder messages;
    messages.Expect("ERR 031");
    EXPECT_EQ(link_.WaitReply(), 1);
    EXPECT_TRUE(port_.DeviceLost());
    QString error;
    EXPECT_FALSE(port_.Output("C", &error));
    EXPECT_TRUE(error.startsWith(server_.Url() + ": the connection to the server was lost")) << error.toStdString();
}

using StaleRemotePort = RemotePortWith<Script::StaleBeforePurge>;

TEST_F(StaleRemotePort, WhatArrivesBeforeThePurgeAnswerIsNoReply)
{
    open();
    MessageRecorder messages; // no box
    Module1.RxCount = 0;
    port_.ClearInBuffer();
    EXPECT_EQ(link_.WaitReply(), 0);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(Module1.RxBytes.data()), Module1.RxCount), "GO\r\n");
}

using OtherSpeedRemotePort = RemotePortWith<Script::OtherSpeed>;

TEST_F(OtherSpeedRemotePort, ASpeedTheServerDoesNotSetFailsTheExchangeInItsWords)
{
    open();
    Module1.SpeedIndex = 1;
    MessageRecorder messages;
    messages.Expect("Corvane-Host", server_.Url() + ": the server's line cannot run at 38400 bit/s (the server set 9600).");
    link_.SetLineSpeed(38400);
    EXPECT_EQ(Module1.SpeedIndex, 0);
    EXPECT_EQ(Module1.HighSpeedLink, 0);
    EXPECT_EQ(port_.Settings(), "9600,N,8,1");
    ASSERT_NE(link_.LastFault(), nullptr);
    EXPECT_EQ(link_.LastFault()->exitStatus, Exit::kGarbled);
}

using SuspendingRemotePort = RemotePortWith<Script::SuspendsOutput>;

TEST_F(SuspendingRemotePort, DataTheServerHoldsPastTheSendWaitIsTheSendTimeOut)
{
    open();
    FakeClock clock;
    MessageRecorder messages;
    messages.Expect("ERR 021", QStringLiteral("送信ﾀｲﾑｵｰﾊﾞｰが発生しました"));
    EXPECT_EQ(link_.SendData(QByteArray(33, 'U')), 1);
    EXPECT_EQ(link_.LastFault()->exitStatus, Exit::kNoAnswer);
    EXPECT_EQ(port_.OutBufferCount(), 0); // what was held is discarded with the time-out
}

// Openings that fail: the memory check's box and status, as `info` and the window show them.
struct RefusedOpening {
    Script script;
    const char* reason; // after the address
};

class RefusedRemotePort : public ::testing::TestWithParam<RefusedOpening> {};

TEST_P(RefusedRemotePort, IsAnOpenErrorNamingTheReason)
{
    ResetModule1();
    ScriptedServer server(GetParam().script);
    Rfc2217MSComm port;
    port.SetDevice(server.Url());
    Link link(port, kMainWindowLink);
    MessageRecorder messages;
    messages.Expect("OPEN ERROR", server.Url() + QString::fromUtf8(GetParam().reason));
    const PageReading reading = ReadPageRecords(port, link);
    EXPECT_FALSE(reading.opened);
    ASSERT_NE(reading.stoppedRow, nullptr);
    EXPECT_EQ(reading.stoppedRow->exitStatus, Exit::kPort);
    // No COM-PORT command goes to a server that has not agreed to the option.
    if (GetParam().script == Script::RefusesComPort) {
        EXPECT_FALSE(server.TakeAll().contains(kSubBegin));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Servers, RefusedRemotePort,
    ::testing::Values(
        RefusedOpening{Script::Busy, ": the server refused the port: Port already in use"},
        RefusedOpening{Script::RefusesComPort,
                       ": the server refused the COM-PORT option (DONT COM-PORT): it offers no control of this "
                       "port's serial line.\nSwitch RFC 2217 on for the port in the server's configuration."},
        RefusedOpening{Script::Silent, ": no answer from the server within 5 s."}));

} // namespace
