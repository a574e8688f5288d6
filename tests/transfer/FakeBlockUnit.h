#pragma once

#include <QByteArray>
#include <QByteArrayList>

#include <functional>
#include <map>
#include <vector>

class FakeClock;
class FakeMSComm;

// The unit's side of the data phase for a FakeMSComm: takes every write the port's script does
// not cover, tells data blocks from the end-of-data and abort blocks, and answers each after a
// millisecond of fake time ("O" unless told otherwise). Command lines nobody expected fail the
// test unless a test hook takes them.
class FakeBlockUnit {
public:
    explicit FakeBlockUnit(FakeClock& clock) : clock_(clock) {}
    void Attach(FakeMSComm& port);

    // The answer to the n-th data block to arrive (0-based, resends counted); an empty
    // answer is silence.
    std::map<int, QByteArray> answers;
    // Called as the n-th data block arrives, before it is answered.
    std::function<void(int arrival)> onDataBlock;
    // Takes the command lines the port's script does not cover.
    std::function<void(const QByteArray& line)> onLine;

    // What arrived: "D" data, "E" end of data, "A" abort, in order.
    QByteArrayList arrivals;
    std::vector<QByteArray> dataBlocks;
    // The data bytes of the blocks answered "O", in order.
    QByteArray acceptedData;

private:
    void take(const QByteArray& bytes);
    void answer(const QByteArray& reply);

    FakeClock& clock_;
    FakeMSComm* port_ = nullptr;
};
