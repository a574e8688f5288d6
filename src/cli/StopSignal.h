#pragma once

#include <QObject>
#include <QSocketNotifier>

#include <memory>

namespace cli {

// Ctrl-C and SIGTERM as the stop button. The signal handler only writes a byte into a pipe; a
// notifier on the other end reports it on the Qt thread, which the run's waits keep spinning.
// Unless `everySignalStops`, a second signal ends the program at once (status 10), for a run
// that does not come to its next look at the stop request soon (a 55 s wait).
// One at a time: the handler and its pipe belong to the process.
class StopSignal : public QObject {
    Q_OBJECT

public:
    explicit StopSignal(bool everySignalStops = false);
    ~StopSignal() override;
    StopSignal(const StopSignal&) = delete;
    StopSignal& operator=(const StopSignal&) = delete;

    int Received() const { return received_; }

signals:
    void stopRequested(int signalNumber);

private:
    void onReadable();
    std::unique_ptr<QSocketNotifier> notifier_;
    int received_ = 0;
};

} // namespace cli
