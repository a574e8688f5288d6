#include "FakeBlockUnit.h"

#include "support/FakeClock.h"
#include "support/FakeMSComm.h"

#include <gtest/gtest.h>

namespace {

constexpr int kBlockBytes = 33;

bool allBytes(const QByteArray& bytes, char value)
{
    return std::all_of(bytes.begin(), bytes.end(), [value](char b) { return b == value; });
}

} // namespace

void FakeBlockUnit::Attach(FakeMSComm& port)
{
    port_ = &port;
    port.onUnscriptedOutput = [this](const QByteArray& bytes) { take(bytes); };
}

void FakeBlockUnit::take(const QByteArray& bytes)
{
    if (bytes.size() != kBlockBytes) {
        if (onLine)
            onLine(bytes);
        else
            ADD_FAILURE() << "unexpected line " << bytes.toStdString();
        return;
    }
    if (allBytes(bytes, '\0')) {
        arrivals.append("E");
        answer("O");
        return;
    }
    if (allBytes(bytes, '\xFF')) {
        arrivals.append("A");
        answer("O");
        return;
    }
    const int arrival = static_cast<int>(dataBlocks.size());
    arrivals.append("D");
    dataBlocks.push_back(bytes);
    if (onDataBlock)
        onDataBlock(arrival);
    const auto custom = answers.find(arrival);
    const QByteArray reply = custom == answers.end() ? QByteArray("O") : custom->second;
    if (reply.startsWith('O'))
        acceptedData.append(bytes.left(kBlockBytes - 1));
    answer(reply);
}

void FakeBlockUnit::answer(const QByteArray& reply)
{
    if (reply.isEmpty())
        return;
    FakeMSComm* port = port_;
    clock_.After(1, [port, reply] {
        if (port->PortOpen())
            port->Deliver(reply);
    });
}
