#pragma once

#include "link/LowLatency.h"
#include "link/MSComm.h"

#include <QSerialPort>

// The port control on a real serial device. Port n is the device that the link
// "<configuration folder>/ports/COMn" points to, else /dev/ttyS(n-1).
// The driver's low-latency mode is on while the port is open.
class SerialMSComm final : public MSComm {
    Q_OBJECT

public:
    SerialMSComm();
    ~SerialMSComm() override;

    void SetCommPort(int16_t n) override { commPort_ = n; }
    int16_t CommPort() const override { return commPort_; }
    bool Open(QString* error) override;
    void Close() override;
    bool PortOpen() const override { return port_.isOpen(); }
    bool SetSettings(const QString& settings, QString* error) override;
    QString Settings() const override { return settings_; }
    bool Output(const QByteArray& bytes, QString* error) override;
    int OutBufferCount() override;
    void ClearOutBuffer() override;
    void ClearInBuffer() override;
    QByteArray Input() override;
    int CommEvent() const override { return commEvent_; }
    bool DeviceLost() const override { return !lostReason_.isEmpty() && !port_.isOpen(); }

    void SetDevice(const QString& device) override { fixedDevice_ = device; }

private:
    void raise(int event);
    void onReadyRead();
    void onError(QSerialPort::SerialPortError error);
    bool lineHungUp();
    void reportLineErrors();
    qsizetype writeToDriver(const QByteArray& bytes, int* refusal);

    QSerialPort port_;
    LowLatency lowLatency_;
    int16_t commPort_ = 1;
    QString settings_;
    QString device_;
    QString fixedDevice_;
    QString lostReason_; // why the device went away while open, for the next refused write
    int commEvent_ = 0;
    struct LineErrorCounts {
        int frame = 0, overrun = 0, parity = 0, bufOverrun = 0;
    } counts_;
    bool countsKnown_ = false;
    bool noCounters_ = false; // the driver keeps no line-error counters
};
